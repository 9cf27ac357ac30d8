#include "drawing/gfx/gfx_path.h"

#include "drawing/raster/path_data.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvane {

namespace {
constexpr double kPi = 3.14159265358979323846;

bool requirePath(const PathData* p) { return SetLastStatus(p ? GfxStatus::Ok : GfxStatus::InvalidParameter); }
}  // namespace

GfxPath::GfxPath() = default;
GfxPath::~GfxPath() = default;
GfxPath::GfxPath(GfxPath&&) noexcept = default;
GfxPath& GfxPath::operator=(GfxPath&&) noexcept = default;

bool GfxPath::Create(int32_t fillMode) {
  if (fillMode != FillModeAlternate && fillMode != FillModeWinding) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native = std::make_unique<PathData>();
  m_native->fillMode = fillMode;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxPath::Delete() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxPath::GetFillMode(int32_t* mode) const {
  if (!requirePath(m_native.get()) || !mode) return SetLastStatus(GfxStatus::InvalidParameter);
  *mode = m_native->fillMode;
  return true;
}

bool GfxPath::SetFillMode(int32_t mode) {
  if (!requirePath(m_native.get())) return false;
  if (mode != FillModeAlternate && mode != FillModeWinding) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->fillMode = mode;
  return true;
}

void GfxPath::AppendMove(double x, double y) {
  m_native->segments.push_back({PathSegment::Move, x, y});
  m_native->pointCount += 1;
  m_native->figureOpen = true;
  m_native->lastX = x;
  m_native->lastY = y;
}

void GfxPath::AppendLine(double x, double y) {
  if (!m_native->figureOpen) {
    AppendMove(x, y);
    return;
  }
  m_native->segments.push_back({PathSegment::Line, x, y});
  m_native->pointCount += 1;
  m_native->lastX = x;
  m_native->lastY = y;
}

void GfxPath::AppendCurve(double x1, double y1, double x2, double y2, double x3, double y3) {
  m_native->segments.push_back({PathSegment::Curve, x1, y1, x2, y2, x3, y3});
  m_native->pointCount += 3;
  m_native->lastX = x3;
  m_native->lastY = y3;
}

void GfxPath::AppendClose() {
  if (!m_native->figureOpen) return;
  m_native->segments.push_back({PathSegment::Close});
  m_native->figureOpen = false;
}

bool GfxPath::StartFigure() {
  if (!requirePath(m_native.get())) return false;
  m_native->figureOpen = false;
  return true;
}

bool GfxPath::CloseFigure() {
  if (!requirePath(m_native.get())) return false;
  AppendClose();
  return true;
}

bool GfxPath::AddLine(float x1, float y1, float x2, float y2) {
  if (!requirePath(m_native.get())) return false;
  AppendLine(x1, y1);
  AppendLine(x2, y2);
  return true;
}

bool GfxPath::AddLineI(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return AddLine(float(x1), float(y1), float(x2), float(y2));
}

bool GfxPath::AddBezier(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
  if (!requirePath(m_native.get())) return false;
  AppendLine(x1, y1);
  AppendCurve(x2, y2, x3, y3, x4, y4);
  return true;
}

// Angles on an ellipse are true polar angles (as GDI+ takes them), turned
// into the parametric angle that the Bezier approximation works with.
static double parametricAngle(double degrees, double rx, double ry) {
  const double rad = degrees * kPi / 180.0;
  if (rx == ry) return rad;
  // Keep the whole turns so that sweeps stay continuous.
  const double turns = std::floor(rad / (2 * kPi));
  const double r = rad - turns * 2 * kPi;
  double t = std::atan2(rx * std::sin(r), ry * std::cos(r));
  if (t < 0) t += 2 * kPi;
  // atan2 lands in the same quadrant as r; correct the seam at 2*pi.
  if (r > kPi * 1.5 && t < kPi * 0.5) t += 2 * kPi;
  return t + turns * 2 * kPi;
}

bool GfxPath::arc(double x, double y, double w, double h, double start, double sweep) {
  if (!requirePath(m_native.get())) return false;
  if (!(w > 0) || !(h > 0) || !std::isfinite(start) || !std::isfinite(sweep))
    return SetLastStatus(GfxStatus::InvalidParameter);
  sweep = std::clamp(sweep, -360.0, 360.0);
  const double rx = w / 2, ry = h / 2, cx = x + rx, cy = y + ry;
  const double t0 = parametricAngle(start, rx, ry);
  double t1 = parametricAngle(start + sweep, rx, ry);
  if (std::fabs(sweep) >= 360.0) t1 = t0 + (sweep > 0 ? 2 * kPi : -2 * kPi);
  // Keep the parametric sweep on the same side as the requested one.
  while (sweep > 0 && t1 < t0) t1 += 2 * kPi;
  while (sweep < 0 && t1 > t0) t1 -= 2 * kPi;

  AppendLine(cx + rx * std::cos(t0), cy + ry * std::sin(t0));
  const double total = t1 - t0;
  const int n = std::max(1, int(std::ceil(std::fabs(total) / (kPi / 2) - 1e-9)));
  const double step = total / n;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  double a = t0;
  for (int i = 0; i < n; ++i) {
    const double b = a + step;
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    AppendCurve(cx + rx * (ca - k * sa), cy + ry * (sa + k * ca), cx + rx * (cb + k * sb), cy + ry * (sb - k * cb),
                cx + rx * cb, cy + ry * sb);
    a = b;
  }
  return true;
}

bool GfxPath::AddArcI(int32_t x, int32_t y, int32_t width, int32_t height, float startAngle, float sweepAngle) {
  return arc(x, y, width, height, startAngle, sweepAngle);
}

bool GfxPath::AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle) {
  return arc(x, y, width, height, startAngle, sweepAngle);
}

bool GfxPath::AddRectangle(float x, float y, float width, float height) {
  if (!requirePath(m_native.get())) return false;
  // GDI+ ignores empty rectangles without an error.
  if (!(width > 0) || !(height > 0)) return true;
  m_native->figureOpen = false;
  AppendMove(x, y);
  AppendLine(double(x) + width, y);
  AppendLine(double(x) + width, double(y) + height);
  AppendLine(x, double(y) + height);
  AppendClose();
  return true;
}

bool GfxPath::AddRectangleI(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!requirePath(m_native.get())) return false;
  if (width <= 0 || height <= 0) return true;
  m_native->figureOpen = false;
  const double x0 = x, y0 = y, x1 = x0 + width, y1 = y0 + height;
  AppendMove(x0, y0);
  AppendLine(x1, y0);
  AppendLine(x1, y1);
  AppendLine(x0, y1);
  AppendClose();
  return true;
}

bool GfxPath::AddEllipse(float x, float y, float width, float height) {
  if (!requirePath(m_native.get())) return false;
  m_native->figureOpen = false;
  if (!arc(x, y, width, height, 0, 360)) return false;
  AppendClose();
  return true;
}

bool GfxPath::AddEllipseI(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!requirePath(m_native.get())) return false;
  m_native->figureOpen = false;
  if (!arc(x, y, width, height, 0, 360)) return false;
  AppendClose();
  return true;
}

bool GfxPath::AddPolygonI(const std::vector<GfxPoint>& points) {
  if (!requirePath(m_native.get())) return false;
  if (points.size() < 3) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->figureOpen = false;
  AppendMove(points[0].X, points[0].Y);
  for (size_t i = 1; i < points.size(); ++i) AppendLine(points[i].X, points[i].Y);
  AppendClose();
  return true;
}

bool GfxPath::Reset() {
  if (!requirePath(m_native.get())) return false;
  m_native->segments.clear();
  m_native->pointCount = 0;
  m_native->figureOpen = false;
  m_native->glyphs = false;
  return true;
}

bool GfxPath::Transform(const GfxMatrix& matrix) {
  if (!requirePath(m_native.get()) || !matrix.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  // cairo_matrix_transform_point's own arithmetic, without a call a point:
  // every glyph of a ring is transformed so.
  const cairo_matrix_t m = *matrix.GetNative();
  auto apply = [&m](double& x, double& y) {
    const double nx = m.xx * x + m.xy * y + m.x0, ny = m.yx * x + m.yy * y + m.y0;
    x = nx, y = ny;
  };
  for (PathSegment& s : m_native->segments) {
    apply(s.x1, s.y1);
    if (s.kind == PathSegment::Curve) apply(s.x2, s.y2), apply(s.x3, s.y3);
  }
  apply(m_native->lastX, m_native->lastY);
  return true;
}

bool GfxPath::AddPath(const GfxPath& other, bool connect) {
  if (!requirePath(m_native.get()) || !other.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  const auto& src = other.GetNative()->segments;
  auto& dst = m_native->segments;
  const size_t first = dst.size();
  dst.insert(dst.end(), src.begin(), src.end());
  // Joined: the other path's first figure continues this open figure.
  if (connect && m_native->figureOpen && first < dst.size() && dst[first].kind == PathSegment::Move)
    dst[first].kind = PathSegment::Line;
  m_native->pointCount += other.GetNative()->pointCount;
  m_native->glyphs = m_native->glyphs || other.GetNative()->glyphs;
  if (!src.empty()) {
    m_native->figureOpen = other.GetNative()->figureOpen;
    m_native->lastX = other.GetNative()->lastX;
    m_native->lastY = other.GetNative()->lastY;
  }
  return true;
}

int32_t GfxPath::GetPointCount() const {
  if (!requirePath(m_native.get())) return 0;
  return int32_t(std::min<size_t>(m_native->pointCount, INT32_MAX));
}

bool GfxPath::GetWorldBounds(GfxRectF* bounds) const {
  if (!requirePath(m_native.get()) || !bounds) return SetLastStatus(GfxStatus::InvalidParameter);
  double minX = std::numeric_limits<double>::infinity(), minY = minX, maxX = -minX, maxY = -minX;
  auto add = [&](double x, double y) {
    minX = std::min(minX, x), minY = std::min(minY, y), maxX = std::max(maxX, x), maxY = std::max(maxY, y);
  };
  for (const PathSegment& s : m_native->segments) {
    if (s.kind == PathSegment::Close) continue;
    add(s.x1, s.y1);
    if (s.kind == PathSegment::Curve) add(s.x2, s.y2), add(s.x3, s.y3);
  }
  if (minX > maxX) {
    *bounds = {};
  } else {
    *bounds = {float(minX), float(minY), float(maxX - minX), float(maxY - minY)};
  }
  return true;
}

void GfxPath::Replay(cairo_t* cr) const {
  cairo_new_path(cr);
  if (!m_native) return;
  for (const PathSegment& s : m_native->segments) {
    switch (s.kind) {
      case PathSegment::Move: cairo_move_to(cr, s.x1, s.y1); break;
      case PathSegment::Line: cairo_line_to(cr, s.x1, s.y1); break;
      case PathSegment::Curve: cairo_curve_to(cr, s.x1, s.y1, s.x2, s.y2, s.x3, s.y3); break;
      case PathSegment::Close: cairo_close_path(cr); break;
    }
  }
}

// ---- GfxMatrix ----

bool GfxMatrix::Create() {
  m_native = std::make_unique<cairo_matrix_t>();
  cairo_matrix_init_identity(m_native.get());
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxMatrix::Delete() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

// GDI+ multiplies row vectors: prepend applies the new step first.
static void combine(cairo_matrix_t* m, const cairo_matrix_t& step, int32_t order) {
  cairo_matrix_t result;
  if (order == MatrixOrderAppend)
    cairo_matrix_multiply(&result, m, &step);
  else
    cairo_matrix_multiply(&result, &step, m);
  *m = result;
}

bool GfxMatrix::Translate(float dx, float dy, int32_t order) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  if (order != MatrixOrderPrepend && order != MatrixOrderAppend) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_matrix_t t;
  cairo_matrix_init_translate(&t, dx, dy);
  combine(m_native.get(), t, order);
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxMatrix::Rotate(float angle, int32_t order) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  if (order != MatrixOrderPrepend && order != MatrixOrderAppend) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_matrix_t r;
  cairo_matrix_init_rotate(&r, double(angle) * kPi / 180.0);
  combine(m_native.get(), r, order);
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxMatrix::Scale(float sx, float sy, int32_t order) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  if (order != MatrixOrderPrepend && order != MatrixOrderAppend) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_matrix_t k;
  cairo_matrix_init_scale(&k, sx, sy);
  combine(m_native.get(), k, order);
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxMatrix::RotateAt(float angle, float x, float y, int32_t order) {
  if (order == MatrixOrderAppend) {
    Translate(-x, -y, MatrixOrderAppend);
    Rotate(angle, MatrixOrderAppend);
    return Translate(x, y, MatrixOrderAppend);
  }
  Translate(x, y, order);
  Rotate(angle, order);
  return Translate(-x, -y, order);
}

bool GfxMatrix::GetElements(float e[6]) const {
  if (!m_native || !e) return SetLastStatus(GfxStatus::InvalidParameter);
  e[0] = float(m_native->xx), e[1] = float(m_native->yx), e[2] = float(m_native->xy), e[3] = float(m_native->yy);
  e[4] = float(m_native->x0), e[5] = float(m_native->y0);
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxMatrix::TransformPoint(double* x, double* y) const {
  if (!m_native || !x || !y) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_matrix_transform_point(m_native.get(), x, y);
  return SetLastStatus(GfxStatus::Ok);
}

}  // namespace korvane
