#include "drawing/codecs/encoders.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/readers.h"

namespace korvane::readers {

namespace {

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

int maskShift(uint32_t mask) {
  if (!mask) return 0;
  int s = 0;
  while (!(mask & 1)) mask >>= 1, ++s;
  return s;
}

}  // namespace

bool ReadBmpSize(const uint8_t* data, size_t size, int64_t* width, int64_t* height) {
  if (size < 26) return false;
  *width = int32_t(le32(data + 18));
  const int32_t h = int32_t(le32(data + 22));
  *height = h < 0 ? -int64_t(h) : h;
  return true;
}

DecodedImage DecodeBmp(const uint8_t* data, size_t size) {
  DecodedImage out;
  out.status = GfxStatus::UnknownImageFormat;
  if (size < 14 + 40) return out;
  const uint32_t pixelOffset = le32(data + 10);
  const uint32_t headerSize = le32(data + 14);
  if (headerSize < 40 || 14 + size_t(headerSize) > size) return out;
  const int32_t width = int32_t(le32(data + 18));
  const int32_t rawHeight = int32_t(le32(data + 22));
  const uint16_t bits = le16(data + 28);
  const uint32_t compression = le32(data + 30);
  if (width < 1 || rawHeight == 0 || rawHeight == INT32_MIN) return out;
  const bool topDown = rawHeight < 0;
  const int32_t height = topDown ? -rawHeight : rawHeight;
  if (!PictureSizeAllowed(width, height)) {
    out.status = GfxStatus::OutOfMemory;
    return out;
  }
  if (bits != 24 && bits != 32) return out;
  // BI_RGB (0) or BI_BITFIELDS (3, 32 bits only).
  if (compression != 0 && !(compression == 3 && bits == 32)) return out;

  uint32_t rMask = 0x00FF0000, gMask = 0x0000FF00, bMask = 0x000000FF, aMask = 0;
  if (compression == 3) {
    // Masks follow a 40-byte header, or sit inside a V4/V5 header.
    if (14 + 40 + 12 > size) return out;
    rMask = le32(data + 54), gMask = le32(data + 58), bMask = le32(data + 62);
    if (headerSize >= 56) aMask = le32(data + 66);
    if (!rMask || !gMask || !bMask) return out;
  } else if (bits == 32 && headerSize >= 108) {
    // A V4/V5 header names its alpha channel even when uncompressed.
    aMask = le32(data + 66);
    if (aMask != 0xFF000000) aMask = 0;
  }

  const size_t rowBytes = ((size_t(width) * bits + 31) / 32) * 4;
  if (pixelOffset > size || rowBytes * size_t(height) > size - pixelOffset) return out;
  CairoSurfacePtr surface = CreateArgbSurface(width, height);
  if (!surface) {
    out.status = GfxStatus::OutOfMemory;
    return out;
  }
  cairo_surface_flush(surface.get());
  unsigned char* pixels = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  const int rs = maskShift(rMask), gs = maskShift(gMask), bs = maskShift(bMask), as = maskShift(aMask);
  auto channel = [](uint32_t v, uint32_t mask, int shift) -> uint32_t {
    const uint32_t max = mask >> shift;
    return max ? ((v & mask) >> shift) * 255 / max : 0;
  };
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = data + pixelOffset + rowBytes * size_t(topDown ? y : height - 1 - y);
    auto* dst = reinterpret_cast<uint32_t*>(pixels + size_t(y) * stride);
    for (int32_t x = 0; x < width; ++x) {
      if (bits == 24) {
        const uint8_t* p = src + size_t(x) * 3;
        dst[x] = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
      } else {
        const uint32_t v = le32(src + size_t(x) * 4);
        const uint32_t a = aMask ? channel(v, aMask, as) : 255;
        dst[x] = PremultiplyPixel((a << 24) | (channel(v, rMask, rs) << 16) | (channel(v, gMask, gs) << 8) |
                                  channel(v, bMask, bs));
      }
    }
  }
  cairo_surface_mark_dirty(surface.get());
  out.surface = std::move(surface);
  out.rawFormat = kImageFormatBMP;
  out.status = GfxStatus::Ok;
  return out;
}


}  // namespace korvane::readers
