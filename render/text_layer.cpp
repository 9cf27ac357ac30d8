#include "render/text_layer.h"

#include <algorithm>
#include <cmath>

#include "render/ellipse_text.h"
#include "render/glyph_metrics.h"
#include "render/ring_text.h"
#include "render/seal_fonts.h"

namespace korvane {

namespace {
// Points per fill of glyph outlines; an ordinary line fits in one.
constexpr int32_t kMaxBatchPoints = 12000;

// The ring of a circle style as the circle draws it: its square's corner,
// and the inner square the text runs round.
struct CircleRing {
  int32_t S, m, x, y;
  int32_t inner() const { return TruncToInt(double(S) - 2.0 * m); }
};

CircleRing circleRing(const RenderTarget& t, const SealText& item) {
  const int32_t S = std::min(t.RenderWidth, t.RenderHeight);
  const int32_t d = std::min(item.Width, item.Height);
  int32_t m = TruncToInt((double(S) - d) / 2.0);
  if (m < 0) m = 0;
  return {S, m, TruncToInt((double(t.RenderWidth) - S) / 2.0 + item.OffsetX),
          TruncToInt((double(t.RenderHeight) - S) / 2.0 + item.OffsetY)};
}

// A ring over the whole seal, its glyphs placed by `layout`.
void drawPlaced(const RenderTarget& t, const SealText& item, const GfxFont& font, RingLayout layout) {
  RingText ring;
  ring.SetSize(t.RenderWidth, t.RenderHeight);
  ring.SetMargin(0);
  ring.SetColor(item.TextColor);
  ring.SetText(item.szText);
  ring.SetFont(font);
  ring.SetLayout(std::move(layout));
  ring.RenderAt(t.SealGraphics, 0, 0);
}

// Styles 4 and 5, and the circle styles given a sweep or a stretch: a ring
// laid out along an ellipse (a circle is one) over the whole seal.
void drawAlongEllipse(const RenderTarget& t, const SealText& item, const GfxFont& font) {
  const bool circleStyle = item.TypeStyle == kTextRingTop || item.TypeStyle == kTextRingBottom;
  double cx, cy, a, b;
  if (circleStyle || item.Width == item.Height) {
    // Where the circle styles put their glyphs, so that an ellipse of equal
    // sides draws what they draw.
    const CircleRing c = circleRing(t, item);
    cx = c.x + c.m + c.inner() / 2.0, cy = c.y + c.m + c.inner() / 2.0;
    a = b = c.inner() / 2.0;
  } else {
    cx = t.RenderWidth / 2.0 + item.OffsetX, cy = t.RenderHeight / 2.0 + item.OffsetY;
    a = item.Width / 2.0, b = item.Height / 2.0;
  }
  const EllipseArc arc(cx, cy, a, b);
  EllipseTextLayout layout;
  layout.spacing = item.Spacing;
  layout.sweepDegrees = std::clamp(item.Sweep, 0, 360);
  layout.stretch = std::clamp(item.Stretch, 10, 1000) / 100.0;
  layout.bottom = item.TypeStyle == kTextRingBottom || item.TypeStyle == kTextEllipseBottom;
  drawPlaced(t, item, font, [&](const std::vector<double>& widths, RingPlacement& placement) {
    LayOutAlongEllipse(arc, layout, widths, placement);
  });
}

// Style 6: the characters fill the item's box in columns read right to
// left, each top to bottom; with n characters, r = ceil(sqrt(n)) rows and
// c = ceil(n / r) columns, the rightmost column taking what is left over,
// its characters stretched to fill its height. Each glyph fills its cell
// less Spacing.
void drawColumns(const RenderTarget& t, const SealText& item, const GfxFont& font) {
  const double left = (t.RenderWidth - item.Width) / 2.0 + item.OffsetX;
  const double top = (t.RenderHeight - item.Height) / 2.0 + item.OffsetY;
  const double lineHeight = font.GetNative() ? font.GetHeight() : 0;
  drawPlaced(t, item, font, [&](const std::vector<double>& widths, RingPlacement& placement) {
    const size_t n = widths.size();
    const size_t rows = size_t(std::ceil(std::sqrt(double(n)))), columns = (n + rows - 1) / rows;
    const size_t first = n - (columns - 1) * rows;  // characters in the rightmost column
    const double cellWidth = double(item.Width) / double(columns);
    placement.points.assign(n, RingPoint{});
    placement.rotations.assign(n, 0.0);
    placement.scalesX.assign(n, 1.0);
    placement.scalesY.assign(n, 1.0);
    for (size_t i = 0; i < n; ++i) {
      const size_t column = i < first ? 0 : 1 + (i - first) / rows;  // from the right
      const size_t inColumn = column == 0 ? first : rows;
      const size_t row = column == 0 ? i : (i - first) % rows;
      const double cellHeight = double(item.Height) / double(inColumn);
      const double x = left + item.Width - (double(column) + 0.5) * cellWidth;
      const double y = top + (double(row) + 0.5) * cellHeight;
      placement.points[i] = {float(x), float(y)};
      placement.scalesX[i] = widths[i] > 0 ? std::max(0.0, cellWidth - item.Spacing) / widths[i] : 1.0;
      placement.scalesY[i] = lineHeight > 0 ? std::max(0.0, cellHeight - item.Spacing) / lineHeight : 1.0;
    }
  });
}

}  // namespace

void DrawTextItem(const RenderTarget& t, const SealText& item) {
  GfxFont font;
  t.Caches.Fonts().Select(item.Font, item.FontSize, font);
  const bool circleStyle = item.TypeStyle == kTextRingTop || item.TypeStyle == kTextRingBottom;
  if (item.TypeStyle == kTextEllipseTop || item.TypeStyle == kTextEllipseBottom ||
      (circleStyle && (item.Sweep != 0 || item.Stretch != 100))) {
    drawAlongEllipse(t, item, font);
  } else if (item.TypeStyle == kTextColumns) {
    drawColumns(t, item, font);
  } else if (circleStyle) {
    const CircleRing c = circleRing(t, item);
    RingText ring;
    ring.SetSize(c.S, c.S);
    ring.SetMargin(c.m);
    ring.SetColor(item.TextColor);
    ring.SetText(item.szText);
    ring.SetSpacing(item.Spacing);
    // The ring takes the font's own family: for the seal font, the family
    // the font was made from.
    ring.SetFont(font);
    if (item.TypeStyle == kTextRingBottom) ring.SetBottom(1);
    ring.RenderAt(t.SealGraphics, c.x, c.y);
  } else if (item.TypeStyle == kTextLine) {
    DrawLineText(t, item, font);
  }
  font.Delete();
}

void DrawLineText(const RenderTarget& t, const SealText& item, const GfxFont& font) {
  // Without a font there is nothing to draw with.
  if (!font.GetNative()) return;
  const int32_t x0 = TruncToInt(0.0 + item.OffsetX), y0 = TruncToInt(0.0 + item.OffsetY);
  GfxStringFormat format;
  format.Create(0, 0);
  format.SetAlign(StringAlignmentCenter);
  format.SetLineAlign(StringAlignmentCenter);
  GfxSolidBrush brush;
  if (!brush.Create(ToArgb(item.TextColor))) return;
  // Shaped once: the widths and every glyph's outline come from it.
  GfxGlyphRun run;
  ShapeLine(item.szText, font, &run);
  std::vector<double> widths;
  double total = MeasureGlyphs(run, CountUtf8(item.szText), item.Spacing, 0, widths);
  // Condensed or expanded glyphs take cells as much narrower or wider.
  const double stretch = std::clamp(item.Stretch, 10, 1000) / 100.0;
  GfxPath stretched;
  if (item.Stretch != 100) {
    for (double& w : widths) total -= w * (1 - stretch), w *= stretch;
    stretched.Create(FillModeWinding);
  }
  int32_t x = TruncToInt(x0 + (double(t.RenderWidth) - total) / 2.0);
  // Each character centred in its own cell; filled together in bounded
  // batches. A glyph's ink stays within an em of its cell, so a cell
  // farther than that from the bitmap is not built at all.
  GfxPath glyphs;
  glyphs.Create(FillModeWinding);
  const double em = font.GetEmPixels();
  const double centreY = y0 + item.Height / 2.0;
  const bool rowVisible = centreY + 2 * em >= 0 && centreY - 2 * em <= t.RenderHeight;
  for (size_t i = 0; rowVisible && i < widths.size() && i < run.Count() && !t.SealGraphics.Aborted(); ++i) {
    if (x + widths[i] + em >= 0 && x - em <= t.RenderWidth) {
      const GfxRectF cell{float(x), float(y0), float(widths[i]), float(item.Height)};
      if (item.Stretch == 100) {
        glyphs.AddGlyphs(run, i, 1, cell, format);
      } else {
        stretched.Reset();
        stretched.AddGlyphs(run, i, 1, cell, format);
        const float middle = cell.X + cell.Width / 2;
        GfxMatrix squeeze;
        squeeze.Create();
        squeeze.Translate(middle, 0);
        squeeze.Scale(float(stretch), 1);
        squeeze.Translate(-middle, 0);
        stretched.Transform(squeeze);
        glyphs.AddPath(stretched);
      }
      if (glyphs.GetPointCount() >= kMaxBatchPoints) {
        t.SealGraphics.FillPath(brush, glyphs);
        glyphs.Reset();
      }
    }
    x = TruncToInt(x + widths[i] + item.Spacing);
  }
  if (glyphs.GetPointCount() > 0) t.SealGraphics.FillPath(brush, glyphs);
}

}  // namespace korvane
