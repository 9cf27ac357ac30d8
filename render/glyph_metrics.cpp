#include "render/glyph_metrics.h"

namespace korvane {

double MeasureGlyphs(const GfxGlyphRun& run, size_t characters, int32_t spacing, int32_t direction,
                     std::vector<double>& widths) {
  widths.assign(characters, 0.0);
  double total = 0, x = 0;
  for (size_t i = 0; i < characters; ++i) {
    if (i < run.Count()) {
      // As a measured range gives it: the float of the range's extent.
      const double end = x + run.advances[i];
      widths[i] = (direction == 1 || direction == 3) ? double(float(run.height)) : double(float(end - x));
      x = end;
    }
    total += widths[i] + spacing;
  }
  return total - spacing;
}

}  // namespace korvane
