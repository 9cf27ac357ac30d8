// Text laid out character by character along the top or the bottom of a
// circle inscribed in an S x S square.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "document/seal_document.h"
#include "drawing/gfx/gfx_font.h"
#include "drawing/gfx/gfx_graphics.h"
#include "drawing/gfx/gfx_image.h"
#include "drawing/gfx/gfx_objects.h"
#include "drawing/gfx/text_layout.h"

namespace korvane {

struct RingRect {
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
};

struct RingPoint {
  float X = 0, Y = 0;
};

// Where each glyph goes when a ring is laid out from outside (an ellipse):
// its centre, its rotation in degrees, and one scale for every glyph.
struct RingPlacement {
  std::vector<RingPoint> points;
  std::vector<double> rotations;
  double scaleX = 1, scaleY = 1;
  std::vector<double> scalesX, scalesY;  // each glyph's own, when given
};
// Given each character's width (Spacing not included), fills the placement.
using RingLayout = std::function<void(const std::vector<double>& widths, RingPlacement& placement)>;

class RingText {
 public:
  // Lays the glyphs out with `layout` instead of along the circle.
  void SetLayout(RingLayout layout) { m_layout = std::move(layout); }
  void SetMargin(int32_t margin);
  void SetBottom(int32_t bottom) { m_bottom = bottom; }
  // 0 and 2 measure box widths, 1 and 3 heights; each turns glyphs its way.
  void SetDirection(int32_t direction);
  void SetSpacing(int32_t spacing) { m_spacing = spacing; }
  // Refers to the caller's font, which the caller keeps alive and deletes.
  void SetFont(const GfxFont& font) { m_font = &font; }
  void SetFamily(const GfxFontFamily& family) { m_family = family; }
  void SetColor(SealColor color);
  void SetSize(int32_t width, int32_t height);
  void SetText(const std::string& text);

  // Lays the text out and draws every glyph on the graphics.
  void Draw(GfxGraphics& graphics);
  // A new bitmap of the ring's size holding the drawn ring.
  GfxBitmap Render();
  // The same pixels as drawing Render()'s bitmap at (x, y), without the
  // intermediate bitmap: the ring is drawn through a clip of its square.
  void RenderAt(GfxGraphics& graphics, int32_t x, int32_t y);

  // Width (or height) of each character and the total length including the
  // spacing between characters.
  double MeasureGlyphs(const std::string& text, const GfxGraphics& graphics, const GfxFont& font,
                       std::vector<double>& widths, int32_t spacing, int32_t direction) const;
  void LayoutTop(const std::vector<double>& widths, std::vector<RingPoint>& points, std::vector<double>& angles,
                 double start, int32_t count) const;
  void LayoutBottom(const std::vector<double>& widths, std::vector<RingPoint>& points, std::vector<double>& angles,
                    double start, int32_t count) const;
  // Glyph `index` of a shaped line, centred on the anchor and turned.
  void DrawGlyph(GfxGraphics& graphics, const GfxGlyphRun& run, size_t index, float rotation, RingPoint anchor,
                 double scaleX = 1, double scaleY = 1);

  const RingRect& Inner() const { return m_inner; }
  int32_t Count() const { return m_count; }
  int32_t GlyphRotation() const { return m_glyphRotation; }
  // The start angle and sweep of the last Draw, in degrees.
  double LastStart() const { return m_lastStart; }
  double LastSweep() const { return m_lastSweep; }

 private:
  void layout(const std::vector<double>& widths, std::vector<RingPoint>& points, std::vector<double>& angles,
              double start, int32_t count, double axis, double step) const;
  void drawWithFallbacks(GfxGraphics& graphics);

  int32_t m_direction = 0;
  int32_t m_glyphRotation = 90;
  int32_t m_spacing = 10;
  int32_t m_margin = 20;
  ARGB m_textColor = 0xFFC80000;
  ARGB m_fillColor = 0xFFC80000;
  GfxSolidBrush m_brush;
  GfxFontFamily m_family;
  const GfxFont* m_font = nullptr;
  std::string m_text;
  int32_t m_count = 0;
  RingRect m_inner;
  int32_t m_bottom = 0;
  RingRect m_outer;
  double m_originX = 0, m_originY = 0;
  double m_lastStart = 0, m_lastSweep = 0;
  // While Draw runs, glyphs are collected here and filled once: one
  // scan conversion per ring instead of one per character.
  GfxPath* m_batch = nullptr;
  GfxRectF m_visible{};
  GfxPath m_glyph;
  RingLayout m_layout;
};

}  // namespace korvane
