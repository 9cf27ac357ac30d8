#include "render/text_layer.h"

#include <algorithm>

#include "render/glyph_metrics.h"
#include "render/ring_text.h"
#include "render/seal_fonts.h"

namespace korvane {

namespace {
// Points per fill of glyph outlines; an ordinary line fits in one.
constexpr int32_t kMaxBatchPoints = 12000;
}  // namespace

void DrawTextItem(const RenderTarget& t, const SealText& item) {
  GfxFont font;
  t.Caches.Fonts().Select(item.Font, item.FontSize, font);
  if (item.TypeStyle == kTextRingTop || item.TypeStyle == kTextRingBottom) {
    const int32_t S = std::min(t.RenderWidth, t.RenderHeight);
    const int32_t d = std::min(item.Width, item.Height);
    int32_t m = TruncToInt((double(S) - d) / 2.0);
    if (m < 0) m = 0;
    RingText ring;
    ring.SetSize(S, S);
    ring.SetMargin(m);
    ring.SetColor(item.TextColor);
    ring.SetText(item.szText);
    ring.SetSpacing(item.Spacing);
    // The ring takes the font's own family: for the seal font, the family
    // the font was made from, which another thread may meanwhile replace.
    ring.SetFont(font);
    if (item.TypeStyle == kTextRingBottom) ring.SetBottom(1);
    const int32_t x = TruncToInt((double(t.RenderWidth) - S) / 2.0 + item.OffsetX);
    const int32_t y = TruncToInt((double(t.RenderHeight) - S) / 2.0 + item.OffsetY);
    ring.RenderAt(t.SealGraphics, x, y);
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
  const double total = MeasureGlyphs(run, CountUtf8(item.szText), item.Spacing, 0, widths);
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
      glyphs.AddGlyphs(run, i, 1, cell, format);
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
