// Any bytes as a picture file: decoding as a figure does, a stretched draw
// and a PNG round trip must never crash, and a slow input is a finding
// (./dev fuzz runs with a time limit per input).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>


#include "drawing/codecs/encoders.h"
#include "drawing/gfx/gfx_graphics.h"
#include "drawing/codecs/picture_decoder.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/png_writer.h"
#include "drawing/text/font_config.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit([] { korvane::ReleaseFontConfiguration(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  // As a picture figure decodes it: scaled for its box (JPEG), whole
  // otherwise. Pictures of millions of pixels decode legitimately slowly;
  // only those of up to 4 megapixels go on to be drawn and encoded.
  DecodedImage decoded = DecodeImage(data, size, 37, 29);
  if (!decoded.surface) return 0;
  const int w = cairo_image_surface_get_width(decoded.surface.get());
  const int h = cairo_image_surface_get_height(decoded.surface.get());
  if (int64_t(w) * h > 4 * 1024 * 1024) return 0;
  // The file route a figure takes, through an in-memory file.
  static const int fd = memfd_create("picture", 0);
  if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
  GfxBitmap picture;
  if (!picture.CreateFromFileToCover("/proc/self/fd/" + std::to_string(fd), 37, 29)) __builtin_trap();
  GfxBitmap seal;
  if (!seal.CreateBlank(64, 48)) return 0;
  GfxGraphics g;
  g.FromImage(seal);
  g.DrawImageRectRectI(picture, 3, 4, 50, 37, 0, 0, int32_t(picture.GetWidth()), int32_t(picture.GetHeight()));
  std::string format = kImageFormatPNG;
  const ByteArray png = picture.SaveToBytes(format);
  GfxBitmap back;
  if (!png.empty() && (!back.CreateFromBytes(png) || back.GetWidth() != picture.GetWidth())) __builtin_trap();
  return 0;
}
