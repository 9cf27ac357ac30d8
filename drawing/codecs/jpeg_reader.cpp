#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

#include "drawing/codecs/encoders.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/readers.h"

namespace korvane::readers {

namespace {

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

}  // namespace

DecodedImage DecodeJpeg(const uint8_t* data, size_t size, int coverWidth, int coverHeight) {
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
  if (!PictureSizeAllowed(int64_t(d->info.image_width), int64_t(d->info.image_height))) {
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


bool ReadJpegSize(const uint8_t* data, size_t size, int64_t* width, int64_t* height) {
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

}  // namespace korvane::readers
