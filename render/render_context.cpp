#include "render/render_context.h"

#include "base/numbers.h"

namespace korvane {

ARGB ToArgb(SealColor color) {
  const auto c = static_cast<uint32_t>(color);
  const uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

void AppendRoundedRect(GfxPath& path, int32_t x, int32_t y, int32_t width, int32_t height, int32_t radius) {
  const double r2 = double(radius) * 2.0;
  const int32_t d = TruncToInt(r2);
  const int32_t right = TruncToInt(double(x) + width - r2);
  const int32_t bottom = TruncToInt(double(y) + height - r2);
  path.AddArcI(x, y, d, d, 180.0f, 90.0f);
  path.AddArcI(right, y, d, d, 270.0f, 90.0f);
  path.AddArcI(right, bottom, d, d, 0.0f, 90.0f);
  path.AddArcI(x, bottom, d, d, 90.0f, 90.0f);
  path.CloseFigure();
}

}  // namespace korvane
