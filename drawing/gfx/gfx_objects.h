// Brushes and pens.
#pragma once

#include <cairo.h>

#include <memory>

#include "drawing/gfx_status.h"
#include "drawing/gfx_types.h"
#include "drawing/native_handles.h"

namespace korvane {

class GfxImage;

// Sets a cairo source colour from a straight ARGB value.
void SetSourceArgb(cairo_t* cr, ARGB color);

class GfxBrush {
 public:
  GfxBrush() = default;
  GfxBrush(GfxBrush&&) noexcept = default;
  GfxBrush& operator=(GfxBrush&&) noexcept = default;
  virtual ~GfxBrush() = default;

  cairo_pattern_t* GetNative() const { return m_native.get(); }
  bool Delete();

 protected:
  CairoPatternPtr m_native;
};

class GfxSolidBrush : public GfxBrush {
 public:
  bool Create(ARGB color);
  bool GetColor(ARGB* color) const;

 private:
  ARGB m_color = 0;
};


class GfxTextureBrush : public GfxBrush {
 public:
  // Tiles a copy of the image; the image may be disposed afterwards.
  bool Create(const GfxImage& image, int32_t wrapMode = WrapModeTile);
};

struct PenData {
  ARGB color = 0;
  float width = 1;
  int32_t unit = 0;
};

class GfxPen {
 public:
  GfxPen() = default;
  GfxPen(GfxPen&&) noexcept = default;
  GfxPen& operator=(GfxPen&&) noexcept = default;

  PenData* GetNative() const { return m_native.get(); }
  // Solid, centred, flat caps, miter joins (limit 10), as GDI+'s defaults.
  bool Create(ARGB color, float width, int32_t unit = 0);
  bool Delete();
  float GetWidth() const;

 private:
  std::unique_ptr<PenData> m_native;
};

}  // namespace korvane
