// Laying one line of text out glyph by glyph: each character advances by
// its own width and the line box is aligned in the layout rectangle.
#pragma once

#include <string>
#include <vector>

#include "drawing/gfx/gfx_font.h"
#include "drawing/gfx/gfx_path.h"

namespace korvane {

struct FontFamilyData;

namespace text_layout {

// Appends the outlines of `text`, laid out in `rect` by `format`, to the
// path. Shared by paths, drawn strings and measuring.
bool AppendString(GfxPath& path, const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
                  const GfxRectF& rect, const StringFormatData* format);
// The whole text's layout box and, per measurable range, its box.
bool Measure(const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
             const GfxRectF& rect, const StringFormatData* format, GfxRectF* bounds,
             std::vector<GfxRectF>* rangeBounds);

}  // namespace text_layout

}  // namespace korvane
