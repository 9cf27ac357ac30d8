#include "render/ring_text.h"

#include <cmath>
#include <utility>

#include "render/glyph_metrics.h"
#include "render/render_context.h"

namespace korvane {

namespace {
// The circle's own constants, kept as they were measured.
constexpr double kPiSweep = 3.14159265359;
constexpr double kPiCirc = 3.141592653589793;
// Points per fill of glyph outlines; an ordinary ring fits in one. A ring
// that wraps around more than once is filled a glyph at a time: glyphs of
// a larger batch would be spread all round it, and every batch would cost
// the whole ring's area (100,000 characters took 7 s in batches of 12,000
// points, 4.5 s in batches of 500 and 3.7 s a glyph at a time). Alone, a
// glyph's coverage is also kept and found again whenever the same glyph
// comes back at the same place, whatever its neighbours.
constexpr int32_t kMaxBatchPoints = 12000;
constexpr int32_t kMaxWrappedBatchPoints = 1;
}  // namespace

void RingText::SetMargin(int32_t margin) {
  m_margin = margin;
  SetSize(m_outer.Width, m_outer.Height);
}

void RingText::SetDirection(int32_t direction) {
  m_direction = direction;
  static const int32_t kRotation[4] = {90, 0, -90, 180};
  if (direction >= 0 && direction <= 3) m_glyphRotation = kRotation[direction];
}

void RingText::SetColor(SealColor color) { m_textColor = m_fillColor = ToArgb(color); }

void RingText::SetSize(int32_t width, int32_t height) {
  m_outer = {0, 0, width, height};
  m_inner = {TruncToInt(double(m_outer.X) + m_margin), TruncToInt(double(m_outer.Y) + m_margin),
             TruncToInt(double(m_outer.Width) - 2.0 * m_margin), TruncToInt(double(m_outer.Height) - 2.0 * m_margin)};
}

void RingText::SetText(const std::string& text) {
  m_text = text;
  m_count = int32_t(CountUtf8(text));
}

double RingText::MeasureGlyphs(const std::string& text, const GfxGraphics&, const GfxFont& font,
                               std::vector<double>& widths, int32_t spacing, int32_t direction) const {
  GfxGlyphRun run;
  ShapeLine(text, font, &run);
  return korvane::MeasureGlyphs(run, DecodeUtf8(text).size(), spacing, direction, widths);
}

void RingText::layout(const std::vector<double>& widths, std::vector<RingPoint>& points, std::vector<double>& angles,
                      double start, int32_t count, double axis, double step) const {
  const double circ = m_inner.Width * kPiCirc;
  const double cx = m_inner.X + m_inner.Width / 2.0, cy = m_inner.Y + m_inner.Width / 2.0;
  const float radius = float(m_inner.Width / 2.0);
  points.assign(size_t(count), RingPoint{});
  angles.assign(size_t(count), 0.0);
  double a = start;
  for (int32_t i = 0; i < count && size_t(i) < widths.size(); ++i) {
    angles[i] = a + (widths[i] * 360 / circ) / 2;
    const double delta = std::fabs(angles[i] - axis) * kPiSweep / 180;
    const double x = angles[i] - axis < -0.0000001 ? cx - radius * std::sin(delta) : cx + radius * std::sin(delta);
    const double y = cy - radius * std::cos(delta);
    points[i] = {float(x), float(y)};
    a += step * (widths[i] + m_spacing) * 360 / circ;
  }
}

void RingText::LayoutTop(const std::vector<double>& widths, std::vector<RingPoint>& points,
                         std::vector<double>& angles, double start, int32_t count) const {
  layout(widths, points, angles, start, count, 270, +1);
}

void RingText::LayoutBottom(const std::vector<double>& widths, std::vector<RingPoint>& points,
                            std::vector<double>& angles, double start, int32_t count) const {
  layout(widths, points, angles, start, count, 90, -1);
}

void RingText::DrawGlyph(GfxGraphics& graphics, const GfxGlyphRun& run, size_t index, float rotation,
                         RingPoint anchor, double scaleX, double scaleY) {
  if (index >= run.Count() || !std::isfinite(rotation) || !std::isfinite(anchor.X) || !std::isfinite(anchor.Y)) return;
  GfxStringFormat format;
  format.Create(0, 0);
  format.SetAlign(StringAlignmentCenter);
  format.SetLineAlign(StringAlignmentCenter);
  GfxPath local;
  GfxPath& path = m_batch ? m_glyph : local;
  if (m_batch ? !path.Reset() : !path.Create(FillModeWinding)) return;
  // A zero-size box: the centred format centres the glyph on the anchor.
  path.AddGlyphs(run, index, 1, GfxRectF{float(TruncToInt(anchor.X)), float(TruncToInt(anchor.Y)), 0, 0}, format);
  GfxMatrix matrix;
  matrix.Create();
  // The ring's own origin (non-zero when drawn straight onto the seal) is
  // the last step; the rotation about the anchor comes first.
  matrix.Translate(float(m_originX), float(m_originY));
  matrix.RotateAt(rotation, anchor.X, anchor.Y, MatrixOrderPrepend);
  if (scaleX != 1 || scaleY != 1) {
    // Condensed, expanded or shrunk about the glyph's own centre, before it turns.
    matrix.Translate(anchor.X, anchor.Y, MatrixOrderPrepend);
    matrix.Scale(float(scaleX), float(scaleY), MatrixOrderPrepend);
    matrix.Translate(-anchor.X, -anchor.Y, MatrixOrderPrepend);
  }
  if (m_batch) {
    path.Transform(matrix);
    // A glyph that cannot touch what is visible costs nothing more.
    GfxRectF box;
    if (path.GetWorldBounds(&box) && box.X <= m_visible.X + m_visible.Width && box.X + box.Width >= m_visible.X &&
        box.Y <= m_visible.Y + m_visible.Height && box.Y + box.Height >= m_visible.Y) {
      // The first glyph of a batch (every glyph of a ring filled a glyph at
      // a time) changes places with it rather than being copied.
      if (m_batch->GetPointCount() == 0) std::swap(*m_batch, path);
      else m_batch->AddPath(path);
    }
    return;
  }
  graphics.SetWorldTransform(matrix);
  graphics.FillPath(m_brush, path);
}

void RingText::Draw(GfxGraphics& graphics) {
  if (m_count == 0 || !m_font) return;
  // Shaped once for measuring; drawn from the same shaping when the ring
  // draws in the font's own family and size (else shaped once more).
  GfxGlyphRun measured;
  ShapeLine(m_text, *m_font, &measured);
  std::vector<double> widths;
  const double total = korvane::MeasureGlyphs(measured, size_t(m_count), m_layout ? 0 : m_spacing,
                                              m_layout ? 0 : m_direction, widths);
  const float drawEm = float(TruncToInt(m_font->GetSize()));
  GfxGlyphRun drawnSeparately;
  const GfxGlyphRun* drawn = &measured;
  if (measured.family != m_family.Shared() || measured.emSize != drawEm || measured.style != m_font->GetStyle()) {
    ShapeLine(m_text, m_family.Shared(), m_font->GetStyle(), drawEm, &drawnSeparately);
    drawn = &drawnSeparately;
  }
  RingPlacement placement;
  double sweep = total * 360 / (m_inner.Width * kPiSweep);
  std::vector<RingPoint>& points = placement.points;
  std::vector<double> angles;
  double start = 0;
  if (m_layout) {
    m_layout(widths, placement);
    if (placement.points.size() < size_t(m_count) || placement.rotations.size() < size_t(m_count)) return;
    sweep = 0;
  } else if (!m_bottom) {
    start = 270 - sweep / 2;
    LayoutTop(widths, points, angles, start, m_count);
  } else {
    // A length in pixels subtracted from an angle in degrees, as the seal
    // layout has always done it.
    start = sweep / 2 - 90 - (widths[0] + m_spacing) / 2;
    LayoutBottom(widths, points, angles, start, m_count);
  }
  if (!m_layout)
    for (int32_t i = 0; i < m_count; ++i) placement.rotations.push_back(angles[size_t(i)] + m_glyphRotation);
  m_lastStart = start;
  m_lastSweep = sweep;
  graphics.SetSmoothingMode(SmoothingModeHighQuality);
  graphics.SetCompositingQuality(CompositingQualityHighQuality);
  graphics.SetTextRenderingHint(TextRenderingHintAntiAlias);
  GfxPath batch;
  batch.Create(FillModeWinding);
  m_glyph.Create(FillModeWinding);
  m_batch = &batch;
  graphics.ResetWorldTransform();
  graphics.GetVisibleClipBounds(&m_visible);
  for (int32_t i = 0; i < m_count && !graphics.Aborted(); ++i) {
    const bool own = placement.scalesX.size() > size_t(i) && placement.scalesY.size() > size_t(i);
    DrawGlyph(graphics, *drawn, size_t(i), float(placement.rotations[size_t(i)]), points[size_t(i)],
              own ? placement.scalesX[size_t(i)] : placement.scaleX, own ? placement.scalesY[size_t(i)] : placement.scaleY);
    // Filled in bounded batches: the cost of a fill grows with the points
    // of its path times the rows it covers, so one path of every glyph of a
    // long ring would cost more per glyph the longer the ring.
    if (batch.GetPointCount() >= (std::fabs(sweep) > 360 ? kMaxWrappedBatchPoints : kMaxBatchPoints)) {
      graphics.FillPath(m_brush, batch);
      batch.Reset();
    }
  }
  m_batch = nullptr;
  if (batch.GetPointCount() > 0) graphics.FillPath(m_brush, batch);
}

// Without a font the ring falls back to the user-interface font at its own
// size and style; without a family it uses the font's.
void RingText::drawWithFallbacks(GfxGraphics& graphics) {
  m_brush.Delete();
  const GfxFont* callerFont = m_font;
  GfxFont fallback;
  if (!m_font || !m_font->GetNative()) {
    if (!fallback.CreateDefault()) return;
    m_font = &fallback;
  }
  const bool ownFamily = !m_family.GetNative();
  if (ownFamily) m_font->GetFamily(m_family);
  if (m_brush.Create(m_fillColor)) Draw(graphics);
  if (ownFamily) m_family.Delete();
  m_font = callerFont;
}

GfxBitmap RingText::Render() {
  GfxBitmap bitmap;
  if (!bitmap.CreateBlank(m_outer.Width, m_outer.Height, PixelFormat32bppARGB)) return bitmap;
  GfxGraphics graphics;
  if (!graphics.FromImage(bitmap)) return bitmap;
  m_originX = m_originY = 0;
  drawWithFallbacks(graphics);
  graphics.Delete();
  return bitmap;
}

void RingText::RenderAt(GfxGraphics& graphics, int32_t x, int32_t y) {
  // The clip is the ring's pixel square: pixel centres x .. x + S - 1.
  GfxPath square;
  square.Create();
  square.AddRectangle(float(x) - 0.5f, float(y) - 0.5f, float(m_outer.Width), float(m_outer.Height));
  graphics.SetClipPath(square, CombineModeReplace);
  m_originX = x;
  m_originY = y;
  drawWithFallbacks(graphics);
  m_originX = m_originY = 0;
  graphics.ResetWorldTransform();
  graphics.ResetClip();
}

}  // namespace korvane
