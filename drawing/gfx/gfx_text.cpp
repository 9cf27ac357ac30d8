// Text operations of paths and graphics, on the layout of gfx_font.
#include <cmath>

#include "drawing/text/font_face.h"
#include "drawing/gfx/gfx_font.h"
#include "drawing/raster/path_data.h"
#include "drawing/gfx/text_layout.h"
#include "drawing/gfx/gfx_graphics.h"

namespace korvane {

bool GfxPath::AddString(const std::string& text, const GfxFontFamily& family, int32_t style, float emSize,
                        const GfxRectF& layout, const GfxStringFormat& format) {
  if (!m_native || !family.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  GfxGlyphRun run;
  if (!ShapeLine(text, family.Shared(), style, emSize, &run)) return SetLastStatus(GfxStatus::InvalidParameter);
  return AddGlyphs(run, 0, run.Count(), layout, format);
}

bool GfxPath::AddGlyphs(const GfxGlyphRun& run, size_t first, size_t count, const GfxRectF& layout,
                        const GfxStringFormat& format) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->figureOpen = false;
  if (!text_layout::AppendGlyphs(*this, run, first, count, layout, format.GetNative()))
    return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->figureOpen = false;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxPath::AddStringI(const std::string& text, const GfxFontFamily& family, int32_t style, float emSize, int32_t x,
                         int32_t y, int32_t width, int32_t height, const GfxStringFormat& format) {
  return AddString(text, family, style, emSize, GfxRectF{float(x), float(y), float(width), float(height)}, format);
}

bool GfxGraphics::DrawString(const std::string& text, const GfxFont& font, const GfxRectF& layout,
                             const GfxStringFormat& format, const GfxBrush& brush) {
  if (!m_native || !font.GetNative() || !brush.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  const FontData& f = *font.GetNative();
  GfxPath path;
  path.Create(FillModeWinding);
  GfxFontFamily family;
  family.SetNative(f.family);
  if (!path.AddString(text, family, f.style, FontEmPixels(f), layout, format)) return false;
  return FillPath(brush, path);
}

bool GfxGraphics::MeasureString(const std::string& text, const GfxFont& font, const GfxRectF& layout,
                                const GfxStringFormat& format, GfxRectF* bounds, int32_t* charactersFitted,
                                int32_t* linesFilled) const {
  if (!m_native || !font.GetNative() || !bounds) return SetLastStatus(GfxStatus::InvalidParameter);
  GfxGlyphRun run;
  if (!ShapeLine(text, font, &run)) return SetLastStatus(GfxStatus::InvalidParameter);
  text_layout::Measure(run, layout, format.GetNative(), bounds, nullptr);
  if (charactersFitted) *charactersFitted = int32_t(run.Count());
  if (linesFilled) *linesFilled = text.empty() ? 0 : 1;
  return SetLastStatus(GfxStatus::Ok);
}

int32_t GfxGraphics::MeasureCharacterRanges(const std::string& text, const GfxFont& font, const GfxRectF& layout,
                                            const GfxStringFormat& format, int32_t regionCount,
                                            std::vector<GfxRegion>& regions) const {
  if (regionCount < 1) return 0;
  if (!m_native || !font.GetNative() || !format.GetNative()) {
    SetLastStatus(GfxStatus::InvalidParameter);
    return 0;
  }
  GfxGlyphRun run;
  if (!ShapeLine(text, font, &run)) {
    SetLastStatus(GfxStatus::InvalidParameter);
    return 0;
  }
  std::vector<GfxRectF> boxes;
  text_layout::Measure(run, layout, format.GetNative(), nullptr, &boxes);
  regions.clear();
  regions.resize(size_t(regionCount));
  for (int32_t i = 0; i < regionCount; ++i) {
    regions[size_t(i)].Create();
    if (size_t(i) < boxes.size()) regions[size_t(i)].SetRect(boxes[size_t(i)]);
  }
  SetLastStatus(GfxStatus::Ok);
  return regionCount;
}

}  // namespace korvane
