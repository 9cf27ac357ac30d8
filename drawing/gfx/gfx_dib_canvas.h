// An off-screen 32-bit canvas: a graphics that draws into pixels it owns,
// for composing what a window shows (the preview on its checkerboard, the
// colour swatches). The pixels are premultiplied BGRA words, rows top-down,
// which a toolkit can show without copying them.
#pragma once

#include <cstdint>

#include "drawing/gfx/gfx_graphics.h"
#include "drawing/gfx/gfx_image.h"

namespace korvane {

class GfxDibCanvas : public GfxGraphics {
 public:
  // Owners Delete a canvas, as every handle; Create on a canvas that holds
  // pixels replaces them only once the new ones exist.
  bool Create(int32_t width, int32_t height);
  bool Delete();
  int32_t GetWidth() const { return m_width; }
  int32_t GetHeight() const { return m_height; }

  // Blends another canvas onto this one at (x, y), source over, with the
  // source's own alpha times `alpha` / 255.
  bool AlphaBlendFrom(const GfxDibCanvas& source, int32_t x, int32_t y, int32_t alpha = 255);

  // The canvas as a complete BMP file: 54 header bytes, then 32-bit rows
  // bottom-up, so that any BMP reader shows it upright.
  ByteArray ToBmpBytes() const;

  // The pixels, for showing them: premultiplied 0xAARRGGBB words.
  const uint8_t* Pixels() const;
  int32_t Stride() const;
  const GfxBitmap& Bitmap() const { return m_bitmap; }

 private:
  GfxBitmap m_bitmap;
  int32_t m_width = 0;
  int32_t m_height = 0;
};

// The 48 x 48 checkerboard of 8 x 8 squares, white (top left) and grey 223,
// as the bytes of a 24-bit BMP file (6,966 bytes).
ByteArray CheckerboardBmpBytes();

}  // namespace korvane
