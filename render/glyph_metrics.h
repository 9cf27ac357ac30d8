// How long a line of seal text is, glyph by glyph: the one measure that ring
// and line texts share, taken from a line shaped once.
#pragma once

#include <cstdint>
#include <vector>

#include "drawing/gfx/text_layout.h"

namespace korvane {

// Each character's width along the line (its advance; for a ring read
// sideways, directions 1 and 3, the line's height) into `widths`, and the
// run's whole length with `spacing` between characters. A run that could
// not be shaped gives widths of 0.
double MeasureGlyphs(const GfxGlyphRun& run, size_t characters, int32_t spacing, int32_t direction,
                     std::vector<double>& widths);

}  // namespace korvane
