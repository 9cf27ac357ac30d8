#include "drawing/image_codecs.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <libdeflate.h>
#include <png.h>

#include "drawing/encoders.h"
#include "drawing/row_deflate.h"

namespace korvane {

CairoSurfacePtr CreateArgbSurface(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide) return nullptr;
  CairoSurfacePtr s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return s;
}

namespace {

// Every straight channel value for every alpha, computed once: encoding a
// seal unpremultiplies each of its pixels, and a table lookup is exactly
// the division it replaces at a fraction of its cost.
struct UnpremultiplyTable {
  uint8_t value[256][256];
  UnpremultiplyTable() {
    for (uint32_t a = 1; a < 256; ++a)
      for (uint32_t c = 0; c < 256; ++c) value[a][c] = uint8_t(std::min<uint32_t>(255, (c * 255 + a / 2) / a));
  }
};

const UnpremultiplyTable& unpremultiplyTable() {
  static const UnpremultiplyTable table;
  return table;
}

// Most of a seal is either empty or solid ink: those pixels need no table.
inline ARGB unpremultiply(uint32_t p, const UnpremultiplyTable& table) {
  const uint32_t a = p >> 24;
  if (a == 0) return 0;
  if (a == 255) return p;
  const uint8_t* un = table.value[a];
  return (a << 24) | (uint32_t(un[(p >> 16) & 0xFF]) << 16) | (uint32_t(un[(p >> 8) & 0xFF]) << 8) | un[p & 0xFF];
}

}  // namespace

ARGB UnpremultiplyPixel(uint32_t p) { return unpremultiply(p, unpremultiplyTable()); }

uint32_t PremultiplyPixel(ARGB s) {
  const uint32_t a = s >> 24;
  if (a == 255) return s;
  if (a == 0) return 0;
  auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (pm((s >> 16) & 0xFF) << 16) | (pm((s >> 8) & 0xFF) << 8) | pm(s & 0xFF);
}

namespace {

bool pictureSizeAllowed(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
         width * height <= kMaxPicturePixels;
}

// ---- PNG ----

DecodedImage decodePngWhole(const uint8_t* data, size_t size) {
  DecodedImage out;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    out.status = GfxStatus::UnknownImageFormat;
    return out;
  }
  if (!pictureSizeAllowed(int64_t(image.width), int64_t(image.height))) {
    png_image_free(&image);
    out.status = GfxStatus::OutOfMemory;
    return out;
  }
  // BGRA bytes are 0xAARRGGBB words on little-endian machines, as cairo
  // keeps them (but straight, not premultiplied).
  image.format = PNG_FORMAT_BGRA;
  CairoSurfacePtr surface = CreateArgbSurface(int(image.width), int(image.height));
  if (!surface) {
    png_image_free(&image);
    out.status = GfxStatus::OutOfMemory;
    return out;
  }
  cairo_surface_flush(surface.get());
  unsigned char* pixels = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  if (!png_image_finish_read(&image, nullptr, pixels, stride, nullptr)) {
    png_image_free(&image);
    out.status = GfxStatus::UnknownImageFormat;
    return out;
  }
  for (unsigned y = 0; y < image.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(pixels + size_t(y) * stride);
    for (unsigned x = 0; x < image.width; ++x) row[x] = PremultiplyPixel(row[x]);
  }
  cairo_surface_mark_dirty(surface.get());
  out.surface = std::move(surface);
  out.rawFormat = kImageFormatPNG;
  return out;
}

// The largest whole factor by which a picture may shrink and still cover
// the box: each output pixel is the mean of a factor x factor block.
int reductionFactor(int64_t width, int64_t height, int coverWidth, int coverHeight) {
  if (coverWidth <= 0 || coverHeight <= 0) return 1;
  const int64_t kw = std::max<int64_t>(1, width / coverWidth), kh = std::max<int64_t>(1, height / coverHeight);
  int64_t k = std::min(kw, kh);
  while (k > 1 && ((width + k - 1) / k < coverWidth || (height + k - 1) / k < coverHeight)) --k;
  return int(k);
}

struct PngRead {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const uint8_t* data = nullptr;
  size_t size = 0, at = 0;
  std::vector<uint8_t> row;
  std::vector<uint64_t> sums;
  CairoSurfacePtr surface;
  ~PngRead() { png_destroy_read_struct(&png, &info, nullptr); }
};

void pngReadBytes(png_structp png, png_bytep out, png_size_t length) {
  auto* r = static_cast<PngRead*>(png_get_io_ptr(png));
  if (length > r->size - r->at) png_error(png, "cut short");
  std::memcpy(out, r->data + r->at, length);
  r->at += length;
}

void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// A large PNG shown small is read a row at a time and reduced as it is
// read, so that memory follows the size it is drawn at, not the file's.
// Interlaced files are read whole first (their rows come in seven passes).
DecodedImage decodePng(const uint8_t* data, size_t size, int coverWidth, int coverHeight) {
  DecodedImage out;
  out.status = GfxStatus::UnknownImageFormat;
  // The width and height stand in the IHDR chunk at a fixed place.
  if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return out;
  auto be32 = [data](size_t at) {
    return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
  };
  const int64_t width = be32(16), height = be32(20);
  if (!pictureSizeAllowed(width, height)) {
    out.status = width >= 1 && height >= 1 ? GfxStatus::OutOfMemory : GfxStatus::UnknownImageFormat;
    return out;
  }
  const int k = reductionFactor(width, height, coverWidth, coverHeight);
  const bool interlaced = size > 28 && data[28] != 0;
  if (k == 1) return decodePngWhole(data, size);
  if (interlaced) {
    DecodedImage whole = decodePngWhole(data, size);
    if (!whole.surface) return whole;
    ReducePicture(&whole, k);
    return whole;
  }

  auto r = std::make_unique<PngRead>();
  r->data = data, r->size = size;
  r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  if (!r->png) return out;
  r->info = png_create_info_struct(r->png);
  if (!r->info) return out;
  const int outWidth = int((width + k - 1) / k), outHeight = int((height + k - 1) / k);
  if (setjmp(png_jmpbuf(r->png))) {
    out.status = GfxStatus::UnknownImageFormat;
    return out;
  }
  png_set_read_fn(r->png, r.get(), pngReadBytes);
  png_read_info(r->png, r->info);
  // To 8-bit BGRA, straight, in sRGB, as the whole-picture reader gives it.
  png_set_alpha_mode(r->png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
  png_set_expand(r->png);
  png_set_strip_16(r->png);
  png_set_gray_to_rgb(r->png);
  png_set_bgr(r->png);
  png_set_filler(r->png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(r->png, r->info);
  if (png_get_rowbytes(r->png, r->info) != size_t(width) * 4) return out;
  r->surface = CreateArgbSurface(outWidth, outHeight);
  if (!r->surface) {
    out.status = GfxStatus::OutOfMemory;
    return out;
  }
  r->row.resize(size_t(width) * 4);
  r->sums.assign(size_t(outWidth) * 4, 0);
  cairo_surface_flush(r->surface.get());
  unsigned char* pixels = cairo_image_surface_get_data(r->surface.get());
  const int stride = cairo_image_surface_get_stride(r->surface.get());
  for (int64_t y = 0; y < height; ++y) {
    png_read_row(r->png, r->row.data(), nullptr);
    const uint8_t* p = r->row.data();
    for (int64_t x = 0; x < width; ++x, p += 4) {
      // Blocks are averaged premultiplied, so transparent pixels lend no
      // colour to their neighbours.
      const uint32_t pm = PremultiplyPixel(uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
      uint64_t* sum = &r->sums[size_t(x / k) * 4];
      sum[0] += pm & 0xFF, sum[1] += (pm >> 8) & 0xFF, sum[2] += (pm >> 16) & 0xFF, sum[3] += pm >> 24;
    }
    if ((y + 1) % k != 0 && y + 1 != height) continue;
    const int64_t rows = y % k + 1;
    auto* dst = reinterpret_cast<uint32_t*>(pixels + size_t(y / k) * size_t(stride));
    for (int x = 0; x < outWidth; ++x) {
      const int64_t cols = std::min<int64_t>(k, width - int64_t(x) * k);
      const uint64_t n = uint64_t(rows * cols);
      uint64_t* sum = &r->sums[size_t(x) * 4];
      auto mean = [n](uint64_t v) { return uint32_t((v + n / 2) / n); };
      dst[x] = mean(sum[3]) << 24 | mean(sum[2]) << 16 | mean(sum[1]) << 8 | mean(sum[0]);
      sum[0] = sum[1] = sum[2] = sum[3] = 0;
    }
  }
  cairo_surface_mark_dirty(r->surface.get());
  out.surface = std::move(r->surface);
  out.rawFormat = kImageFormatPNG;
  out.status = GfxStatus::Ok;
  return out;
}

// ---- JPEG ----

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  std::longjmp(err->jump, 1);
}

void jpegSilence(j_common_ptr, int) {}

// Everything the decoder touches after setjmp lives on the heap, so a
// longjmp from libjpeg's error handler leaves nothing indeterminate.
struct JpegDecode {
  jpeg_decompress_struct info{};
  JpegError err{};
  CairoSurfacePtr surface;
  ~JpegDecode() { jpeg_destroy_decompress(&info); }
};

DecodedImage decodeJpeg(const uint8_t* data, size_t size, int coverWidth, int coverHeight) {
  DecodedImage out;
  auto d = std::make_unique<JpegDecode>();
  d->info.err = jpeg_std_error(&d->err.mgr);
  d->err.mgr.error_exit = jpegErrorExit;
  d->err.mgr.emit_message = jpegSilence;
  if (setjmp(d->err.jump)) {
    out.status = GfxStatus::UnknownImageFormat;
    return out;
  }
  jpeg_create_decompress(&d->info);
  jpeg_mem_src(&d->info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->info, TRUE);
  if (!pictureSizeAllowed(int64_t(d->info.image_width), int64_t(d->info.image_height))) {
    out.status = GfxStatus::OutOfMemory;
    return out;
  }
  // The DCT decodes straight to 1/2, 1/4 or 1/8 of the size: take the
  // smallest that still covers what the picture will be drawn on.
  if (coverWidth > 0 && coverHeight > 0) {
    unsigned denom = 8;
    while (denom > 1 && ((d->info.image_width + denom - 1) / denom < unsigned(coverWidth) ||
                         (d->info.image_height + denom - 1) / denom < unsigned(coverHeight)))
      denom /= 2;
    d->info.scale_num = 1;
    d->info.scale_denom = denom;
  }
  d->info.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&d->info);
  d->surface = CreateArgbSurface(int(d->info.output_width), int(d->info.output_height));
  if (!d->surface) {
    out.status = GfxStatus::OutOfMemory;
    return out;
  }
  cairo_surface_flush(d->surface.get());
  unsigned char* pixels = cairo_image_surface_get_data(d->surface.get());
  const int stride = cairo_image_surface_get_stride(d->surface.get());
  while (d->info.output_scanline < d->info.output_height) {
    JSAMPROW row = pixels + size_t(d->info.output_scanline) * stride;
    jpeg_read_scanlines(&d->info, &row, 1);
  }
  jpeg_finish_decompress(&d->info);
  cairo_surface_mark_dirty(d->surface.get());
  out.surface = std::move(d->surface);
  out.rawFormat = kImageFormatJPEG;
  return out;
}

// ---- BMP (24 and 32 bits, uncompressed or with bit fields) ----

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

int maskShift(uint32_t mask) {
  if (!mask) return 0;
  int s = 0;
  while (!(mask & 1)) mask >>= 1, ++s;
  return s;
}

DecodedImage decodeBmp(const uint8_t* data, size_t size) {
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
  if (!pictureSizeAllowed(width, height)) {
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

}  // namespace

DecodedImage DecodeImage(const uint8_t* data, size_t size, int coverWidth, int coverHeight) {
  static const uint8_t kPngSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (data && size >= 8 && std::memcmp(data, kPngSig, 8) == 0) return decodePng(data, size, coverWidth, coverHeight);
  if (data && size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return decodeJpeg(data, size, coverWidth, coverHeight);
  if (data && size >= 2 && data[0] == 'B' && data[1] == 'M') {
    DecodedImage bmp = decodeBmp(data, size);
    if (bmp.surface)
      ReducePicture(&bmp, reductionFactor(cairo_image_surface_get_width(bmp.surface.get()),
                                          cairo_image_surface_get_height(bmp.surface.get()), coverWidth, coverHeight));
    return bmp;
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
  if (!data || !LooksLikePicture(data, size)) return false;
  if (data[0] == 0x89) {  // PNG: IHDR first, at a fixed place
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
    auto be32 = [data](size_t at) {
      return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
    };
    *width = be32(16), *height = be32(20);
    return true;
  }
  if (data[0] == 'B') {
    if (size < 26) return false;
    *width = int32_t(le32(data + 18));
    const int32_t h = int32_t(le32(data + 22));
    *height = h < 0 ? -int64_t(h) : h;
    return true;
  }
  auto d = std::make_unique<JpegDecode>();
  d->info.err = jpeg_std_error(&d->err.mgr);
  d->err.mgr.error_exit = jpegErrorExit;
  d->err.mgr.emit_message = jpegSilence;
  if (setjmp(d->err.jump)) return false;
  jpeg_create_decompress(&d->info);
  jpeg_mem_src(&d->info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->info, TRUE);
  *width = d->info.image_width, *height = d->info.image_height;
  return true;
}

bool LooksLikePicture(const uint8_t* head, size_t size) {
  static const uint8_t kPngSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return (size >= 8 && std::memcmp(head, kPngSig, 8) == 0) ||
         (size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) || (size >= 2 && head[0] == 'B' && head[1] == 'M');
}

uint32_t PixelsPerMetre(double dpi) { return uint32_t(std::lround(dpi / 0.0254)); }

namespace {

void put32(std::string& out, uint32_t v) {
  const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  out.append(b, 4);
}

void chunk(std::string& out, const char type[4], const uint8_t* data, size_t size) {
  put32(out, uint32_t(size));
  const size_t typeAt = out.size();
  out.append(type, 4);
  out.append(reinterpret_cast<const char*>(data), size);
  put32(out, uint32_t(libdeflate_crc32(0, out.data() + typeAt, size + 4)));
}

struct RawRows {
  std::unique_ptr<uint8_t[]> bytes;
  size_t size = 0;
};

RawRows& keptRawRows() {
  thread_local RawRows kept;
  return kept;
}

}  // namespace

void TrimEncoderBuffers() { keptRawRows() = RawRows(); }

// The PNG container is written here around our own deflate of the rows
// (row_deflate.h), made for seal pixels: the start-up seal in 0.9 ms and
// 30,475 bytes, where libdeflate took 1.9 ms for 29,118 and zlib's best
// 27,418 in 30 ms. Rows carry no filter: the seal's flat colours and
// empty areas compress best raw.
bool EncodePng(cairo_surface_t* surface, MemoryStream& out, double dpi) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return false;
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* pixels = cairo_image_surface_get_data(surface);
  if (!pixels || width < 1 || height < 1) return false;

  // Filter byte 0, then straight RGBA, for every row.
  const size_t rowBytes = size_t(width) * 4 + 1;
  // Written whole before it is read: not zeroed first. Kept for the next
  // encode up to a size (a batch writes seal after seal of one size): a
  // fresh buffer is fresh memory, faulted in page by page (3200 x 3200:
  // 41 MB, 40 -> 25 ms an encode).
  constexpr size_t kKeptRawBytes = size_t(64) << 20;
  RawRows& kept = keptRawRows();
  RawRows fresh;
  const size_t rawSize = rowBytes * size_t(height);
  RawRows& rawRows = rawSize <= kKeptRawBytes ? kept : fresh;
  if (rawRows.size < rawSize) {
    rawRows.bytes.reset(new (std::nothrow) uint8_t[rawSize]);
    rawRows.size = rawRows.bytes ? rawSize : 0;
    if (!rawRows.bytes) return false;
  }
  uint8_t* const raw = rawRows.bytes.get();
  const UnpremultiplyTable& table = unpremultiplyTable();
  for (int y = 0; y < height; ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(pixels + size_t(y) * size_t(stride));
    uint8_t* dst = raw + size_t(y) * rowBytes;
    *dst++ = 0;
    for (int x = 0; x < width; ++x, dst += 4) {
      const ARGB c = unpremultiply(src[x], table);
      dst[0] = uint8_t(c >> 16), dst[1] = uint8_t(c >> 8), dst[2] = uint8_t(c), dst[3] = uint8_t(c >> 24);
    }
  }
  std::vector<uint8_t> deflated;
  if (!DeflateRows(raw, rawSize, rowBytes, deflated)) return false;
  const size_t deflatedSize = deflated.size();

  std::string png("\x89PNG\r\n\x1A\n", 8);
  uint8_t ihdr[13] = {};
  for (int i = 0; i < 4; ++i) ihdr[i] = uint8_t(uint32_t(width) >> (24 - 8 * i)), ihdr[4 + i] = uint8_t(uint32_t(height) >> (24 - 8 * i));
  ihdr[8] = 8;  // bits per channel
  ihdr[9] = 6;  // RGBA
  chunk(png, "IHDR", ihdr, sizeof ihdr);
  if (dpi > 0) {
    const uint32_t ppm = PixelsPerMetre(dpi);
    uint8_t phys[9] = {};
    for (int i = 0; i < 4; ++i) phys[i] = phys[4 + i] = uint8_t(ppm >> (24 - 8 * i));
    phys[8] = 1;  // the unit is the metre
    chunk(png, "pHYs", phys, sizeof phys);
  }
  // IDAT chunks of at most 256 KiB, as encoders usually write them.
  constexpr size_t kIdatMax = 256 * 1024;
  for (size_t at = 0; at < deflatedSize; at += kIdatMax)
    chunk(png, "IDAT", deflated.data() + at, std::min(kIdatMax, deflatedSize - at));
  chunk(png, "IEND", nullptr, 0);
  out.Write(png.data(), png.size());
  return true;
}

}  // namespace korvane
