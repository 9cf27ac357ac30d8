#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>

#include "drawing/codecs/encoders.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/readers.h"

namespace korvane::readers {

namespace {

DecodedImage decodePngWhole(const uint8_t* data, size_t size) {
  DecodedImage out;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    out.status = GfxStatus::UnknownImageFormat;
    return out;
  }
  if (!PictureSizeAllowed(int64_t(image.width), int64_t(image.height))) {
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

}  // namespace

int ReductionFactor(int64_t width, int64_t height, int coverWidth, int coverHeight) {
  if (coverWidth <= 0 || coverHeight <= 0) return 1;
  const int64_t kw = std::max<int64_t>(1, width / coverWidth), kh = std::max<int64_t>(1, height / coverHeight);
  int64_t k = std::min(kw, kh);
  while (k > 1 && ((width + k - 1) / k < coverWidth || (height + k - 1) / k < coverHeight)) --k;
  return int(k);
}

namespace {

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

}  // namespace

// A large PNG shown small is read a row at a time and reduced as it is
// read, so that memory follows the size it is drawn at, not the file's.
// Interlaced files are read whole first (their rows come in seven passes).
bool ReadPngSize(const uint8_t* data, size_t size, int64_t* width, int64_t* height) {
  // The width and height stand in the IHDR chunk at a fixed place.
  if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
  auto be32 = [data](size_t at) {
    return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
  };
  *width = be32(16), *height = be32(20);
  return true;
}

DecodedImage DecodePng(const uint8_t* data, size_t size, int coverWidth, int coverHeight) {
  DecodedImage out;
  out.status = GfxStatus::UnknownImageFormat;
  int64_t width = 0, height = 0;
  if (!ReadPngSize(data, size, &width, &height)) return out;
  if (!PictureSizeAllowed(width, height)) {
    out.status = width >= 1 && height >= 1 ? GfxStatus::OutOfMemory : GfxStatus::UnknownImageFormat;
    return out;
  }
  const int k = ReductionFactor(width, height, coverWidth, coverHeight);
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

}  // namespace korvane::readers
