#include <algorithm>

#include "drawing/gfx/gfx_font.h"
#include "drawing/gfx/gfx_graphics.h"

namespace korvane {

bool GfxStringFormat::Create(int32_t flags, int32_t language) {
  m_native = std::make_unique<StringFormatData>();
  m_native->flags = flags;
  m_native->language = language;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::Delete() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetFlags(int32_t flags) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->flags = flags;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetAlign(int32_t align) {
  if (!m_native || align < 0 || align > 2) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->align = align;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetLineAlign(int32_t align) {
  if (!m_native || align < 0 || align > 2) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->lineAlign = align;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetTrimming(int32_t trimming) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->trimming = trimming;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetMeasurableCharacterRanges(const std::vector<std::pair<int32_t, int32_t>>& ranges) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->ranges = ranges;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxRegion::Create() {
  m_native = std::make_unique<GfxRectF>();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxRegion::Delete() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

void GfxRegion::SetRect(const GfxRectF& rect) {
  if (m_native) *m_native = rect;
}

bool GfxRegion::GetBounds(const GfxGraphics& graphics, GfxRectF* bounds) const {
  if (!m_native || !bounds || !graphics.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  *bounds = *m_native;
  return SetLastStatus(GfxStatus::Ok);
}

}  // namespace korvane
