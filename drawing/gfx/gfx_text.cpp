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
  m_native->figureOpen = false;
  if (!text_layout::AppendString(*this, text, *family.GetNative(), style, emSize, layout, format.GetNative()))
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
  const FontData& f = *font.GetNative();
  if (!text_layout::Measure(text, *f.family, f.style, FontEmPixels(f), layout, format.GetNative(), bounds, nullptr))
    return SetLastStatus(GfxStatus::InvalidParameter);
  if (charactersFitted) *charactersFitted = int32_t(DecodeUtf8(text).size());
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
  const FontData& f = *font.GetNative();
  std::vector<GfxRectF> boxes;
  if (!text_layout::Measure(text, *f.family, f.style, FontEmPixels(f), layout, format.GetNative(), nullptr, &boxes)) {
    SetLastStatus(GfxStatus::InvalidParameter);
    return 0;
  }
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
