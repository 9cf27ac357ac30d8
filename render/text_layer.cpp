#include "render/text_layer.h"

#include <algorithm>

#include "render/ring_text.h"
#include "render/seal_fonts.h"

namespace korvane {

void DrawTextItem(const RenderTarget& t, const SealText& item) {
  GfxFont font;
  const bool isPrivate = SelectSealFont(item.Font, item.FontSize, font);
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
    ring.SetFont(font);
    if (isPrivate) ring.SetFamily(PrivateSealFamily());
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
  std::vector<double> widths;
  const double total = RingText().MeasureGlyphs(item.szText, t.SealGraphics, font, widths, item.Spacing, 0);
  int32_t x = TruncToInt(x0 + (double(t.RenderWidth) - total) / 2.0);
  const std::vector<char32_t> characters = DecodeUtf8(item.szText);
  // Each character centred in its own cell; all of them filled at once.
  GfxPath glyphs;
  glyphs.Create(FillModeWinding);
  GfxFontFamily family;
  font.GetFamily(family);
  for (size_t i = 0; i < widths.size() && i < characters.size(); ++i) {
    const GfxRectF cell{float(x), float(y0), float(widths[i]), float(item.Height)};
    glyphs.AddString(EncodeUtf8(characters[i]), family, font.GetStyle(), font.GetEmPixels(), cell,
                     format);
    x = TruncToInt(x + widths[i] + item.Spacing);
  }
  t.SealGraphics.FillPath(brush, glyphs);
}

}  // namespace korvane
