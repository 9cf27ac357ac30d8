#include "drawing/gfx/gfx_objects.h"

#include <cmath>

#include "drawing/gfx/gfx_image.h"

namespace korvane {

void SetSourceArgb(cairo_t* cr, ARGB c) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                        ((c >> 24) & 0xFF) / 255.0);
}

bool GfxBrush::Delete() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxSolidBrush::Create(ARGB c) {
  CairoPatternPtr pattern(cairo_pattern_create_rgba(((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                                    (c & 0xFF) / 255.0, ((c >> 24) & 0xFF) / 255.0));
  if (cairo_pattern_status(pattern.get()) != CAIRO_STATUS_SUCCESS) return SetLastStatus(GfxStatus::OutOfMemory);
  m_native = std::move(pattern);
  m_color = c;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxSolidBrush::GetColor(ARGB* color) const {
  if (!m_native || !color) return SetLastStatus(GfxStatus::InvalidParameter);
  *color = m_color;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxTextureBrush::Create(const GfxImage& image, int32_t wrapMode) {
  cairo_surface_t* src = image.GetNative();
  if (!src) return SetLastStatus(GfxStatus::InvalidParameter);
  // The brush keeps its own copy, so the image may go away.
  const int w = cairo_image_surface_get_width(src), h = cairo_image_surface_get_height(src);
  CairoSurfacePtr copy(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
  if (cairo_surface_status(copy.get()) != CAIRO_STATUS_SUCCESS) return SetLastStatus(GfxStatus::OutOfMemory);
  {
    CairoPtr cr(cairo_create(copy.get()));
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr.get(), src, 0, 0);
    cairo_paint(cr.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return SetLastStatus(GfxStatus::OutOfMemory);
  }
  CairoPatternPtr pattern(cairo_pattern_create_for_surface(copy.get()));
  if (cairo_pattern_status(pattern.get()) != CAIRO_STATUS_SUCCESS) return SetLastStatus(GfxStatus::OutOfMemory);
  cairo_pattern_set_extend(pattern.get(), wrapMode == WrapModeClamp ? CAIRO_EXTEND_NONE : CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
  // Texels sit on the pixel grid: texel (0, 0) covers the pixel whose
  // centre is world (0, 0), which the graphics' half-pixel offset puts at
  // user (-0.5, -0.5).
  cairo_matrix_t onGrid;
  cairo_matrix_init_translate(&onGrid, 0.5, 0.5);
  cairo_pattern_set_matrix(pattern.get(), &onGrid);
  m_native = std::move(pattern);
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxPen::Create(ARGB color, float width, int32_t unit) {
  if (!std::isfinite(width)) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native = std::make_unique<PenData>(PenData{color, width, unit});
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxPen::Delete() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

float GfxPen::GetWidth() const {
  if (!m_native) {
    SetLastStatus(GfxStatus::InvalidParameter);
    return 0;
  }
  SetLastStatus(GfxStatus::Ok);
  return m_native->width;
}

}  // namespace korvane
