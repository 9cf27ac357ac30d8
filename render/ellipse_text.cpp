#include "render/ellipse_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numeric>

namespace korvane {

namespace {
constexpr double kPi = 3.141592653589793;
// Samples of the parameter round the ellipse: the arc length between two is
// taken as the chord, off by under a millionth of the perimeter.
constexpr int kSamples = 2048;
constexpr double kNarrowest = 0.6;
}  // namespace

namespace {

// Arc lengths at each sampled parameter of an ellipse with semi-axes a, b.
// The last few tables are kept: every render of an oval seal lays its
// texts on the same ellipses again.
struct KeptArc {
  double a = -1, b = -1;
  std::shared_ptr<const std::vector<double>> lengths;
};

std::array<KeptArc, 4>& keptArcs() {
  thread_local std::array<KeptArc, 4> kept;
  return kept;
}

std::shared_ptr<const std::vector<double>> arcLengths(double a, double b) {
  std::array<KeptArc, 4>& kept = keptArcs();
  thread_local size_t next = 0;
  for (const KeptArc& k : kept)
    if (k.lengths && k.a == a && k.b == b) return k.lengths;
  auto lengths = std::make_shared<std::vector<double>>(kSamples + 1, 0.0);
  std::vector<double>& length = *lengths;
  // The parameter's sine and cosine by turning one step at a time.
  const double stepSin = std::sin(2 * kPi / kSamples), stepCos = std::cos(2 * kPi / kSamples);
  double sinT = 0, cosT = 1, px = 0, py = -b;
  for (int i = 1; i <= kSamples; ++i) {
    const double s = sinT * stepCos + cosT * stepSin, c = cosT * stepCos - sinT * stepSin;
    sinT = s, cosT = c;
    const double x = a * sinT, y = -b * cosT;
    length[size_t(i)] = length[size_t(i - 1)] + std::sqrt((x - px) * (x - px) + (y - py) * (y - py));
    px = x, py = y;
  }
  kept[next++ % kept.size()] = {a, b, lengths};
  return lengths;
}

}  // namespace

void TrimArcLengths() { keptArcs().fill({}); }

EllipseArc::EllipseArc(double cx, double cy, double a, double b)
    : m_cx(cx), m_cy(cy), m_a(std::max(a, 0.0)), m_b(std::max(b, 0.0)), m_lengths(arcLengths(m_a, m_b)) {}

double EllipseArc::parameterAt(double s) const {
  const double perimeter = Perimeter();
  if (!(perimeter > 0)) return 0;
  const double turns = std::floor(s / perimeter);
  s -= turns * perimeter;
  const std::vector<double>& length = *m_lengths;
  const auto it = std::upper_bound(length.begin(), length.end(), s);
  const size_t i = std::clamp<size_t>(size_t(it - length.begin()), 1, kSamples);
  const double l0 = length[i - 1], l1 = length[i];
  const double f = l1 > l0 ? (s - l0) / (l1 - l0) : 0;
  return 2 * kPi * (double(i - 1) + f) / kSamples + turns * 2 * kPi;
}

void EllipseArc::At(double s, double* x, double* y, double* nx, double* ny) const {
  const double t = parameterAt(s);
  const double ux = std::sin(t), uy = -std::cos(t);
  *x = m_cx + m_a * ux, *y = m_cy + m_b * uy;
  // The gradient of (x/a)^2 + (y/b)^2, scaled by a*b to stay finite.
  *nx = ux * m_b, *ny = uy * m_a;
}

double EllipseArc::ArcToPolarAngle(double degrees) const {
  const double phi = degrees * kPi / 180;
  // The parameter of the point seen at that angle.
  double t = std::atan2(std::sin(phi) / std::max(m_a, 1e-9), std::cos(phi) / std::max(m_b, 1e-9));
  if (t < 0) t += 2 * kPi;
  const double at = t / (2 * kPi) * kSamples;
  const size_t i = std::min<size_t>(size_t(at), kSamples - 1);
  const std::vector<double>& length = *m_lengths;
  return length[i] + (length[i + 1] - length[i]) * (at - double(i));
}

double EllipseArc::PolarAngleAt(double s) const {
  const double t = parameterAt(s);
  return std::atan2(m_a * std::sin(t), m_b * std::cos(t)) * 180 / kPi;
}

void LayOutAlongEllipse(const EllipseArc& arc, const EllipseTextLayout& layout, const std::vector<double>& widths,
                        RingPlacement& placement) {
  const size_t n = widths.size();
  placement.points.clear();
  placement.rotations.clear();
  placement.scaleX = placement.scaleY = 1;
  // An ellipse without length places nothing: the text is not drawn.
  if (n == 0 || !(arc.Perimeter() > 0)) return;
  placement.points.assign(n, RingPoint{});
  placement.rotations.assign(n, 0.0);
  std::vector<double> w(widths);
  for (double& v : w) v *= layout.stretch;
  const double inked = std::accumulate(w.begin(), w.end(), 0.0);
  // The length the text may take, and the gap between its characters.
  const bool swept = layout.sweepDegrees > 0;
  const double room = swept ? (layout.sweepDegrees >= 360 ? arc.Perimeter()
                                                          : 2 * arc.ArcToPolarAngle(layout.sweepDegrees / 2))
                            : arc.Perimeter();
  double gap = swept ? (n > 1 ? (room - inked) / double(n - 1) : 0) : layout.spacing;
  double scaleX = layout.stretch, scaleY = 1;
  if (inked + gap * double(n - 1) > room || gap < 0) {
    gap = std::max(0.0, n > 1 ? std::min(gap, (room - inked) / double(n - 1)) : 0.0);
    if (inked > room) {
      const double fit = room / inked;
      const double narrow = std::max(fit, kNarrowest);
      const double shrink = fit / narrow;  // 1 until the glyphs are at their narrowest
      for (double& v : w) v *= fit;
      scaleX *= narrow * shrink, scaleY *= shrink;
    }
  }
  const double length = std::accumulate(w.begin(), w.end(), 0.0) + gap * double(n - 1);
  // The top text is centred on the top of the ellipse, the bottom text on
  // its bottom, read left to right: along the bottom that is against the
  // arc's direction.
  const double middle = layout.bottom ? arc.Perimeter() / 2 : 0;
  double u = -length / 2;
  for (size_t i = 0; i < n; ++i) {
    const double centre = u + w[i] / 2;
    double x, y, nx, ny;
    arc.At(layout.bottom ? middle - centre : middle + centre, &x, &y, &nx, &ny);
    placement.points[i] = {float(x), float(y)};
    // The glyph's up turned to the outward normal (top) or the inward one.
    placement.rotations[i] = (layout.bottom ? std::atan2(-nx, ny) : std::atan2(nx, -ny)) * 180 / kPi;
    u += w[i] + gap;
  }
  placement.scaleX = scaleX, placement.scaleY = scaleY;
}

}  // namespace korvane
