#include "drawing/gfx/text_layout.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "drawing/text/font_face.h"

namespace korvane {

namespace text_layout {

namespace {

struct Placed {
  unsigned glyph;
  double x;
  double advance;
};

struct Layout {
  FontFamilyData::Choice choice;
  double scale = 0;  // pixels per font unit
  double left = 0, top = 0, width = 0, height = 0, baseline = 0;
  std::vector<Placed> glyphs;
};

double alignOffset(int32_t align, double box, double content) {
  if (align == StringAlignmentCenter) return (box - content) / 2;
  if (align == StringAlignmentFar) return box - content;
  return 0;
}

// One line: each character advances by its own width; the line box is
// centred, near or far in the rectangle (a zero-size rectangle aligns on
// its corner point). Callers hold FreeTypeMutex().
bool layOut(const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
            const GfxRectF& rect, const StringFormatData* format, Layout* out) {
  out->choice = family.select(style);
  FontFace* face = out->choice.face;
  if (!face || !(emSize > 0) || !std::isfinite(emSize)) return false;
  out->scale = double(emSize) / face->upem();
  const std::vector<char32_t> cps = DecodeUtf8(text);
  out->glyphs.reserve(cps.size());
  double x = 0;
  for (char32_t cp : cps) {
    const unsigned glyph = face->glyphIndex(cp);
    const double adv = face->advance(glyph) * out->scale;
    out->glyphs.push_back({glyph, x, adv});
    x += adv;
  }
  out->width = x;
  out->height = (face->ascent() + face->descent()) * out->scale;
  const int32_t align = format ? format->align : StringAlignmentNear;
  const int32_t lineAlign = format ? format->lineAlign : StringAlignmentNear;
  out->left = rect.X + alignOffset(align, rect.Width, out->width);
  out->top = rect.Y + alignOffset(lineAlign, rect.Height, out->height);
  out->baseline = out->top + face->ascent() * out->scale;
  for (Placed& g : out->glyphs) g.x += out->left;
  return true;
}

}  // namespace

bool AppendString(GfxPath& path, const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
                  const GfxRectF& rect, const StringFormatData* format) {
  std::lock_guard lock(FreeTypeMutex());
  Layout l;
  if (!layOut(text, family, style, emSize, rect, format, &l)) return false;
  const double s = l.scale, shear = l.choice.synthItalic ? kObliqueShear : 0.0, base = l.baseline;
  for (const Placed& g : l.glyphs) {
    const std::vector<PathSegment>& outline = l.choice.face->outline(g.glyph, l.choice.synthBold);
    auto X = [&](double fx, double fy) { return g.x + (fx + fy * shear) * s; };
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
  if ((style & FontStyleUnderline) && l.width > 0) {
    const double thickness = std::max(1.0, l.choice.face->underlineThickness() * s);
    const double centre = base - l.choice.face->underlinePosition() * s;
    path.AddRectangle(float(l.left), float(centre - thickness / 2), float(l.width), float(thickness));
  }
  return true;
}

bool Measure(const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
             const GfxRectF& rect, const StringFormatData* format, GfxRectF* bounds,
             std::vector<GfxRectF>* rangeBounds) {
  std::lock_guard lock(FreeTypeMutex());
  Layout l;
  if (!layOut(text, family, style, emSize, rect, format, &l)) return false;
  if (bounds) *bounds = {float(l.left), float(l.top), float(l.width), float(l.height)};
  if (rangeBounds && format) {
    rangeBounds->clear();
    for (const auto& [first, length] : format->ranges) {
      GfxRectF r{};
      if (first >= 0 && length > 0 && size_t(first) < l.glyphs.size()) {
        const size_t end = std::min(l.glyphs.size(), size_t(first) + size_t(length));
        const double x0 = l.glyphs[size_t(first)].x;
        const double x1 = l.glyphs[end - 1].x + l.glyphs[end - 1].advance;
        r = {float(x0), float(l.top), float(x1 - x0), float(l.height)};
      }
      rangeBounds->push_back(r);
    }
  }
  return true;
}

}  // namespace text_layout
}  // namespace korvane
