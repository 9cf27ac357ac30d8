// Writing seals as PNG files: 8-bit RGBA with straight alpha, the rows
// compressed by our own deflate made for seal pixels, a pHYs chunk when a
// resolution is given.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "drawing/codecs/memory_stream.h"

namespace korvane {

// Writes the surface as an 8-bit RGBA PNG with straight alpha; with a
// resolution (dots per inch, above 0) a pHYs chunk records it.
// The file is built straight in `out` (replacing what it held).
bool EncodePng(cairo_surface_t* surface, std::string* out, double dpi = 0);
bool EncodePng(cairo_surface_t* surface, MemoryStream& out, double dpi = 0);

// Filters a row of `n` straight RGBA bytes (`prior`: the row above, or
// null) by PNG's five filters and keeps the one whose bytes, read as
// signed, sum smallest in magnitude; writes the filter byte, then the
// filtered row, at `dst`. `scratch` holds `n` bytes.
void FilterPngRow(const uint8_t* row, const uint8_t* prior, size_t n, uint8_t* dst, uint8_t* scratch);

// Pixels per metre of a resolution in dots per inch, as pHYs stores it.
uint32_t PixelsPerMetre(double dpi);

}  // namespace korvane
