#include "drawing/gfx/text_layout.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "drawing/text/font_face.h"

namespace korvane {

bool ShapeLine(const std::string& text, const std::shared_ptr<FontFamilyData>& family, int32_t style, float emSize,
               GfxGlyphRun* run) {
  *run = GfxGlyphRun();
  if (!family || !(emSize > 0) || !std::isfinite(emSize)) return false;
  std::lock_guard lock(FreeTypeMutex());
  const FontFamilyData::Choice choice = family->select(style);
  FontFace* face = choice.face;
  if (!face) return false;
  run->family = family;
  run->style = style;
  run->emSize = emSize;
  run->scale = double(emSize) / face->upem();
  run->synthBold = choice.synthBold;
  run->synthItalic = choice.synthItalic;
  const std::vector<char32_t> cps = DecodeUtf8(text);
  run->glyphs.reserve(cps.size());
  run->advances.reserve(cps.size());
  for (char32_t cp : cps) {
    const unsigned glyph = face->glyphIndex(cp);
    run->glyphs.push_back(glyph);
    run->advances.push_back(face->advance(glyph) * run->scale);
  }
  run->height = (face->ascent() + face->descent()) * run->scale;
  run->ascent = face->ascent() * run->scale;
  return true;
}

bool ShapeLine(const std::string& text, const GfxFont& font, GfxGlyphRun* run) {
  if (!font.GetNative()) {
    *run = GfxGlyphRun();
    return false;
  }
  const FontData& f = *font.GetNative();
  return ShapeLine(text, f.family, f.style, FontEmPixels(f), run);
}

namespace text_layout {

namespace {

double alignOffset(int32_t align, double box, double content) {
  if (align == StringAlignmentCenter) return (box - content) / 2;
  if (align == StringAlignmentFar) return box - content;
  return 0;
}

// Where glyphs [first, first + count) start when laid out alone in the
// rectangle: one line, each glyph after the one before, the line box
// centred, near or far (a zero-size rectangle aligns on its corner).
struct Placement {
  std::vector<double> x;  // each glyph's start
  double left = 0, top = 0, width = 0, baseline = 0;
};

Placement place(const GfxGlyphRun& run, size_t first, size_t count, const GfxRectF& rect,
                const StringFormatData* format) {
  Placement p;
  p.x.reserve(count);
  double x = 0;
  for (size_t i = first; i < first + count; ++i) {
    p.x.push_back(x);
    x += run.advances[i];
  }
  p.width = x;
  const int32_t align = format ? format->align : StringAlignmentNear;
  const int32_t lineAlign = format ? format->lineAlign : StringAlignmentNear;
  p.left = rect.X + alignOffset(align, rect.Width, p.width);
  p.top = rect.Y + alignOffset(lineAlign, rect.Height, run.height);
  p.baseline = p.top + run.ascent;
  for (double& gx : p.x) gx += p.left;
  return p;
}

}  // namespace

bool AppendGlyphs(GfxPath& path, const GfxGlyphRun& run, size_t first, size_t count, const GfxRectF& rect,
                  const StringFormatData* format) {
  if (!run.family || first > run.Count() || count > run.Count() - first) return false;
  const Placement p = place(run, first, count, rect, format);
  std::lock_guard lock(FreeTypeMutex());
  FontFace* face = run.family->select(run.style).face;
  if (!face) return false;
  const double s = run.scale, shear = run.synthItalic ? kObliqueShear : 0.0, base = p.baseline;
  if (count > 0 && path.GetNative()) path.GetNative()->glyphs = true;
  for (size_t k = 0; k < count; ++k) {
    const std::vector<PathSegment>& outline = face->outline(run.glyphs[first + k], run.synthBold);
    const double gx = p.x[k];
    auto X = [&](double fx, double fy) { return gx + (fx + fy * shear) * s; };
    auto Y = [&](double fy) { return base - fy * s; };
    for (const PathSegment& seg : outline) {
      switch (seg.kind) {
        case PathSegment::Move: path.AppendMove(X(seg.x1, seg.y1), Y(seg.y1)); break;
        case PathSegment::Line: path.AppendLine(X(seg.x1, seg.y1), Y(seg.y1)); break;
        case PathSegment::Curve:
          path.AppendCurve(X(seg.x1, seg.y1), Y(seg.y1), X(seg.x2, seg.y2), Y(seg.y2), X(seg.x3, seg.y3), Y(seg.y3));
          break;
        case PathSegment::Close: path.AppendClose(); break;
      }
    }
  }
  if ((run.style & FontStyleUnderline) && p.width > 0) {
    const double thickness = std::max(1.0, face->underlineThickness() * s);
    const double centre = base - face->underlinePosition() * s;
    path.AddRectangle(float(p.left), float(centre - thickness / 2), float(p.width), float(thickness));
  }
  return true;
}

void Measure(const GfxGlyphRun& run, const GfxRectF& rect, const StringFormatData* format, GfxRectF* bounds,
             std::vector<GfxRectF>* rangeBounds) {
  const Placement p = place(run, 0, run.Count(), rect, format);
  if (bounds) *bounds = {float(p.left), float(p.top), float(p.width), float(run.height)};
  if (!rangeBounds || !format) return;
  rangeBounds->clear();
  for (const auto& [first, length] : format->ranges) {
    GfxRectF r{};
    if (first >= 0 && length > 0 && size_t(first) < p.x.size()) {
      const size_t end = std::min(p.x.size(), size_t(first) + size_t(length));
      const double x0 = p.x[size_t(first)];
      const double x1 = p.x[end - 1] + run.advances[end - 1];
      r = {float(x0), float(p.top), float(x1 - x0), float(run.height)};
    }
    rangeBounds->push_back(r);
  }
}

}  // namespace text_layout
}  // namespace korvane
