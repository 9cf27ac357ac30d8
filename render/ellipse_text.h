// Text along an ellipse, as oval seals carry it: characters follow each
// other at equal arc length measured along the curve (not at equal steps
// of the ellipse's parameter, which crowds them at the ends of the long
// axis), and each glyph is turned to the curve's normal at its centre.
#pragma once

#include <memory>
#include <vector>

#include "render/ring_text.h"

namespace korvane {

// Lets go of the arc-length tables this thread keeps between renders.
void TrimArcLengths();

class EllipseArc {
 public:
  // Centre and semi-axes (horizontal a, vertical b).
  EllipseArc(double cx, double cy, double a, double b);

  double Perimeter() const { return m_lengths->back(); }
  // The point at arc length `s` from the top, clockwise (left to right over
  // the top), with the outward normal (not of unit length).
  void At(double s, double* x, double* y, double* nx, double* ny) const;
  // The arc length from the top to the point seen from the centre at
  // `degrees` clockwise from straight up.
  double ArcToPolarAngle(double degrees) const;
  // The angle, seen from the centre, clockwise from straight up, of the
  // point at arc length `s`.
  double PolarAngleAt(double s) const;

 private:
  double parameterAt(double s) const;

  double m_cx, m_cy, m_a, m_b;
  std::shared_ptr<const std::vector<double>> m_lengths;  // arc length at each sampled parameter
};

// How a text of style 4 or 5 (or a ring with a sweep or a stretch) lies on
// the ellipse: its characters' widths, the gap between them, the angle its
// whole length spans seen from the centre (0: the gap as given), and the
// glyphs' horizontal scale. Words too long for their sweep, or for the
// whole ellipse, are fitted: the gaps shrink to nothing, then the glyphs
// narrow to 60 %, then the size shrinks.
struct EllipseTextLayout {
  double spacing = 0;
  double sweepDegrees = 0;
  double stretch = 1;
  bool bottom = false;  // along the bottom, tops toward the centre
};
void LayOutAlongEllipse(const EllipseArc& arc, const EllipseTextLayout& layout, const std::vector<double>& widths,
                        RingPlacement& placement);

}  // namespace korvane
