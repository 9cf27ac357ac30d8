// Any bytes as a picture file: decoding (whole and scaled for a box), a
// stretched draw and a PNG round trip must never crash, and a slow input
// is a finding (./dev fuzz runs with a time limit per input).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <fontconfig/fontconfig.h>

#include "drawing/encoders.h"
#include "drawing/gfx_graphics.h"
#include "drawing/image_codecs.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit([] { FcFini(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  for (int cover : {0, 37}) {
    DecodedImage decoded = DecodeImage(data, size, cover, cover);
    if (!decoded.surface) continue;
    GfxBitmap picture;
    if (!picture.CreateFromBytes(ByteArray(data, data + size))) continue;
    GfxBitmap seal;
    if (!seal.CreateBlank(64, 48)) return 0;
    GfxGraphics g;
    g.FromImage(seal);
    g.DrawImageRectRectI(picture, 3, 4, 50, 37, 0, 0, int32_t(picture.GetWidth()), int32_t(picture.GetHeight()));
    std::string format = kImageFormatPNG;
    const ByteArray png = picture.SaveToBytes(format);
    GfxBitmap back;
    if (!png.empty() && (!back.CreateFromBytes(png) || back.GetWidth() != picture.GetWidth())) __builtin_trap();
  }
  return 0;
}
