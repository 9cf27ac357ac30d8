// Writing seals as PNG files: 8-bit RGBA with straight alpha, the rows
// compressed by our own deflate made for seal pixels, a pHYs chunk when a
// resolution is given.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

#include "drawing/codecs/memory_stream.h"

namespace korvane {

// Writes the surface as an 8-bit RGBA PNG with straight alpha; with a
// resolution (dots per inch, above 0) a pHYs chunk records it.
// The file is built straight in `out` (replacing what it held).
bool EncodePng(cairo_surface_t* surface, std::string* out, double dpi = 0);
bool EncodePng(cairo_surface_t* surface, MemoryStream& out, double dpi = 0);

// Pixels per metre of a resolution in dots per inch, as pHYs stores it.
uint32_t PixelsPerMetre(double dpi);

}  // namespace korvane
