#include "drawing/codecs/pixels.h"

#include <algorithm>

#include "drawing/gfx_status.h"

namespace korvane {

CairoSurfacePtr CreateArgbSurface(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide) return nullptr;
  CairoSurfacePtr s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return s;
}

UnpremultiplyTable::UnpremultiplyTable() {
  for (uint32_t a = 1; a < 256; ++a)
    for (uint32_t c = 0; c < 256; ++c) value[a][c] = uint8_t(std::min<uint32_t>(255, (c * 255 + a / 2) / a));
}

const UnpremultiplyTable& UnpremultiplyTableOnce() {
  static const UnpremultiplyTable table;
  return table;
}

ARGB UnpremultiplyPixel(uint32_t p) { return Unpremultiply(p, UnpremultiplyTableOnce()); }

uint32_t PremultiplyPixel(ARGB s) {
  const uint32_t a = s >> 24;
  if (a == 255) return s;
  if (a == 0) return 0;
  auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (pm((s >> 16) & 0xFF) << 16) | (pm((s >> 8) & 0xFF) << 8) | pm(s & 0xFF);
}

}  // namespace korvane
