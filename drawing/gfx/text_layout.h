// Laying one line of text out glyph by glyph: the line is shaped once
// (each character's glyph and advance, the line's height and ascent, under
// one lock), and measuring, measurable ranges and outlines all come from
// that one shaping. Each character advances by its own width; the line box
// is aligned in the layout rectangle.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "drawing/gfx/gfx_font.h"
#include "drawing/gfx/gfx_path.h"

namespace korvane {

struct FontFamilyData;

// One line shaped once.
struct GfxGlyphRun {
  std::shared_ptr<FontFamilyData> family;  // keeps the face alive
  int32_t style = 0;
  float emSize = 0;
  double scale = 0;  // pixels per font unit
  std::vector<unsigned> glyphs;
  std::vector<double> advances;  // in pixels, one a glyph
  double height = 0, ascent = 0;
  bool synthBold = false, synthItalic = false;
  size_t Count() const { return glyphs.size(); }
};

// Shapes `text` in the family's face for the style; false (run empty) when
// the family has no face or the size is not a positive number.
bool ShapeLine(const std::string& text, const std::shared_ptr<FontFamilyData>& family, int32_t style, float emSize,
               GfxGlyphRun* run);
// The same with a font's family, style and em size in pixels.
bool ShapeLine(const std::string& text, const GfxFont& font, GfxGlyphRun* run);

namespace text_layout {

// Appends the outlines of glyphs [first, first + count) of the run, laid
// out as that part of the line alone in `rect` by `format`.
bool AppendGlyphs(GfxPath& path, const GfxGlyphRun& run, size_t first, size_t count, const GfxRectF& rect,
                  const StringFormatData* format);
// The run's layout box in `rect` and, per measurable range of the format,
// its box.
void Measure(const GfxGlyphRun& run, const GfxRectF& rect, const StringFormatData* format, GfxRectF* bounds,
             std::vector<GfxRectF>* rangeBounds);

}  // namespace text_layout

}  // namespace korvane
