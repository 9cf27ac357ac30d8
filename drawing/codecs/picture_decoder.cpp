#include "drawing/codecs/picture_decoder.h"

#include <algorithm>
#include <cstring>

#include "drawing/codecs/pixels.h"
#include "drawing/codecs/readers.h"

namespace korvane {

namespace readers {

bool PictureSizeAllowed(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
         width * height <= kMaxPicturePixels;
}

}  // namespace readers

namespace {

enum class Kind { None, Png, Jpeg, Bmp };

// What a file is, from its first bytes.
Kind kindOf(const uint8_t* data, size_t size) {
  static const uint8_t kPngSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (!data) return Kind::None;
  if (size >= 8 && std::memcmp(data, kPngSig, 8) == 0) return Kind::Png;
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return Kind::Jpeg;
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return Kind::Bmp;
  return Kind::None;
}

}  // namespace

DecodedImage DecodeImage(const uint8_t* data, size_t size, int coverWidth, int coverHeight) {
  switch (kindOf(data, size)) {
    case Kind::Png: return readers::DecodePng(data, size, coverWidth, coverHeight);
    case Kind::Jpeg: return readers::DecodeJpeg(data, size, coverWidth, coverHeight);
    case Kind::Bmp: {
      DecodedImage bmp = readers::DecodeBmp(data, size);
      if (bmp.surface)
        ReducePicture(&bmp, readers::ReductionFactor(cairo_image_surface_get_width(bmp.surface.get()),
                                                     cairo_image_surface_get_height(bmp.surface.get()), coverWidth,
                                                     coverHeight));
      return bmp;
    }
    case Kind::None: break;
  }
  DecodedImage out;
  out.status = GfxStatus::UnknownImageFormat;
  return out;
}

void ReducePicture(DecodedImage* image, int factor) {
  if (!image->surface || factor < 2) return;
  cairo_surface_t* src = image->surface.get();
  const int w = cairo_image_surface_get_width(src), h = cairo_image_surface_get_height(src);
  const int ow = (w + factor - 1) / factor, oh = (h + factor - 1) / factor;
  CairoSurfacePtr reduced = CreateArgbSurface(ow, oh);
  if (!reduced) return;
  cairo_surface_flush(src);
  const unsigned char* in = cairo_image_surface_get_data(src);
  const int inStride = cairo_image_surface_get_stride(src);
  unsigned char* outPixels = cairo_image_surface_get_data(reduced.get());
  const int outStride = cairo_image_surface_get_stride(reduced.get());
  for (int oy = 0; oy < oh; ++oy)
    for (int ox = 0; ox < ow; ++ox) {
      uint64_t sum[4] = {0, 0, 0, 0}, n = 0;
      for (int y = oy * factor; y < std::min(h, (oy + 1) * factor); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(in + size_t(y) * size_t(inStride));
        for (int x = ox * factor; x < std::min(w, (ox + 1) * factor); ++x, ++n)
          for (int c = 0; c < 4; ++c) sum[c] += (row[x] >> (8 * c)) & 0xFF;
      }
      uint32_t v = 0;
      for (int c = 0; c < 4; ++c) v |= uint32_t((sum[c] + n / 2) / n) << (8 * c);
      reinterpret_cast<uint32_t*>(outPixels + size_t(oy) * size_t(outStride))[ox] = v;
    }
  cairo_surface_mark_dirty(reduced.get());
  image->surface = std::move(reduced);
}

bool ReadPictureSize(const uint8_t* data, size_t size, int64_t* width, int64_t* height) {
  switch (kindOf(data, size)) {
    case Kind::Png: return readers::ReadPngSize(data, size, width, height);
    case Kind::Jpeg: return readers::ReadJpegSize(data, size, width, height);
    case Kind::Bmp: return readers::ReadBmpSize(data, size, width, height);
    case Kind::None: break;
  }
  return false;
}

bool LooksLikePicture(const uint8_t* head, size_t size) { return kindOf(head, size) != Kind::None; }

}  // namespace korvane
