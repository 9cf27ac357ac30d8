// Fonts: a family, a style and an em size. Glyphs are placed one by one
// from their advances; outlines are read unhinted in font units and
// scaled, so an em size is exact pixels.
#pragma once

#include <memory>
#include <string>

#include "base/utf8.h"
#include "drawing/gfx/gfx_font_family.h"
#include "drawing/gfx/gfx_path.h"
#include "drawing/gfx/gfx_region.h"
#include "drawing/gfx/gfx_string_format.h"
#include "drawing/gfx_status.h"
#include "drawing/gfx_types.h"

namespace korvane {

struct FontData;

class GfxFont {
 public:
  GfxFont();
  ~GfxFont();
  GfxFont(GfxFont&&) noexcept;
  GfxFont& operator=(GfxFont&&) noexcept;

  FontData* GetNative() const { return m_native.get(); }

  bool Create(const GfxFontFamily& family, float emSize, int32_t style, int32_t unit);
  bool CreateByName(const std::string& name, float emSize, int32_t style, int32_t unit);
  // The user-interface font: Fontconfig's sans-serif at 12 pixels, regular.
  bool CreateDefault();
  bool Delete();
  bool GetFamily(GfxFontFamily& family) const;
  int32_t GetStyle() const;
  float GetSize() const;
  int32_t GetUnit() const;
  // The em size in pixels, whatever the unit.
  float GetEmPixels() const;
  // Line height in pixels: cell ascent plus cell descent.
  float GetHeight() const;

 private:
  std::unique_ptr<FontData> m_native;
};

}  // namespace korvane
