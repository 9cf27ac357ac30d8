#include "drawing/gfx/gfx_dib_canvas.h"

#include <cstring>

namespace korvane {

namespace {

void put16(ByteArray& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8);
}
void put32(ByteArray& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// File header (14 bytes) and info header (40 bytes) of an uncompressed BMP.
ByteArray bmpHeaders(int32_t width, int32_t height, uint16_t bits, uint32_t imageSize) {
  ByteArray b(54 + imageSize, 0);
  b[0] = 'B', b[1] = 'M';
  put32(b, 2, 54 + imageSize);
  put32(b, 10, 54);
  put32(b, 14, 40);
  put32(b, 18, uint32_t(width));
  put32(b, 22, uint32_t(height));  // positive: rows run bottom-up
  put16(b, 26, 1);
  put16(b, 28, bits);
  put32(b, 34, imageSize);
  return b;
}

}  // namespace

bool GfxDibCanvas::Create(int32_t width, int32_t height) {
  GfxBitmap bitmap;
  if (!bitmap.CreateBlank(width, height, PixelFormat32bppARGB)) return false;
  GfxGraphics graphics;
  if (!graphics.FromImage(bitmap)) return false;
  static_cast<GfxGraphics&>(*this) = std::move(graphics);
  m_bitmap = std::move(bitmap);
  m_width = width;
  m_height = height;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxDibCanvas::Delete() {
  if (!GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  GfxGraphics::Delete();
  m_bitmap.Dispose();
  m_width = m_height = 0;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxDibCanvas::AlphaBlendFrom(const GfxDibCanvas& source, int32_t x, int32_t y, int32_t alpha) {
  if (!GetNative() || !source.GetNative() || alpha < 0 || alpha > 255)
    return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_t* cr = GetNative();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_reset_clip(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_source_surface(cr, source.m_bitmap.GetNative(), x, y);
  cairo_paint_with_alpha(cr, alpha / 255.0);
  cairo_restore(cr);
  return SetLastStatus(GfxStatus::Ok);
}

const uint8_t* GfxDibCanvas::Pixels() const {
  if (!m_bitmap.GetNative()) return nullptr;
  cairo_surface_flush(m_bitmap.GetNative());
  return cairo_image_surface_get_data(m_bitmap.GetNative());
}

int32_t GfxDibCanvas::Stride() const {
  return m_bitmap.GetNative() ? cairo_image_surface_get_stride(m_bitmap.GetNative()) : 0;
}

ByteArray GfxDibCanvas::ToBmpBytes() const {
  const uint8_t* pixels = Pixels();
  if (!pixels) {
    SetLastStatus(GfxStatus::InvalidParameter);
    return {};
  }
  const uint32_t rowBytes = uint32_t(m_width) * 4;
  ByteArray b = bmpHeaders(m_width, m_height, 32, rowBytes * uint32_t(m_height));
  for (int32_t y = 0; y < m_height; ++y)
    std::memcpy(&b[54 + size_t(m_height - 1 - y) * rowBytes], pixels + size_t(y) * size_t(Stride()), rowBytes);
  SetLastStatus(GfxStatus::Ok);
  return b;
}

ByteArray CheckerboardBmpBytes() {
  constexpr int32_t kSide = 48, kSquare = 8;
  constexpr uint32_t kRowBytes = kSide * 3;  // 144: already a multiple of 4
  ByteArray b = bmpHeaders(kSide, kSide, 24, kRowBytes * kSide);
  for (int32_t y = 0; y < kSide; ++y)
    for (int32_t x = 0; x < kSide; ++x) {
      const bool white = ((x / kSquare) + (y / kSquare)) % 2 == 0;
      const uint8_t v = white ? 255 : 223;
      const size_t at = 54 + size_t(kSide - 1 - y) * kRowBytes + size_t(x) * 3;
      b[at] = b[at + 1] = b[at + 2] = v;
    }
  return b;
}

}  // namespace korvane
