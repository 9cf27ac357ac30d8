// Pixels as the drawing layer keeps them (premultiplied ARGB32 surfaces) and
// as files and GDI+ callers see them (straight 0xAARRGGBB).
#pragma once

#include <cstdint>

#include "drawing/gfx_types.h"
#include "drawing/native_handles.h"

namespace korvane {

// A transparent ARGB32 surface, or null for a side outside 1..kMaxBitmapSide.
CairoSurfacePtr CreateArgbSurface(int width, int height);
// Lets go of the bitmap memory this thread keeps for its next surface.
void TrimSpareBitmap();

// Pixel access with GDI+'s straight 0xAARRGGBB.
ARGB UnpremultiplyPixel(uint32_t premultiplied);
uint32_t PremultiplyPixel(ARGB straight);

// Every straight channel value for every alpha, computed by the compiler:
// encoding a seal unpremultiplies each of its pixels, and a table lookup is
// exactly the division it replaces at a fraction of its cost (computing it
// at start-up cost 0.7 M instructions of every cold run). Its row for
// alpha 0 is zeros and its row for 255 each value itself, so any pixel can
// be looked up without a test of its alpha.
struct UnpremultiplyTable {
  uint8_t value[256][256];
  constexpr UnpremultiplyTable() : value{} {
    for (uint32_t a = 1; a < 256; ++a)
      for (uint32_t c = 0; c < 256; ++c) {
        const uint32_t v = (c * 255 + a / 2) / a;
        value[a][c] = uint8_t(v < 255 ? v : 255);
      }
  }
};
const UnpremultiplyTable& UnpremultiplyTableOnce();

// Most of a seal is either empty or solid ink: those pixels need no table.
inline ARGB Unpremultiply(uint32_t p, const UnpremultiplyTable& table) {
  const uint32_t a = p >> 24;
  if (a == 0) return 0;
  if (a == 255) return p;
  const uint8_t* un = table.value[a];
  return (a << 24) | (uint32_t(un[(p >> 16) & 0xFF]) << 16) | (uint32_t(un[(p >> 8) & 0xFF]) << 8) | un[p & 0xFF];
}

}  // namespace korvane
