#include "drawing/raster/bounded_path.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace korvane {

namespace {

struct Pt {
  double x, y;
};

using Polygon = std::vector<Pt>;

constexpr double kFlatness = 0.01;  // device pixels
constexpr int kMaxDepth = 48;

bool hullMisses(const Pt (&p)[4], const DeviceBox& box) {
  double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
  for (const Pt& q : p) x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
  return x1 < box.x0 || x0 > box.x1 || y1 < box.y0 || y0 > box.y1;
}

double distanceToChord(const Pt& p, const Pt& a, const Pt& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
  if (len == 0) return std::hypot(p.x - a.x, p.y - a.y);
  return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / len;
}

// A cubic lying wholly outside the box may be replaced by its chord: what
// lies between them is inside the control hull, so outside the box too.
void flattenCubic(const Pt (&p)[4], const DeviceBox& box, int depth, Polygon& out) {
  if (depth >= kMaxDepth || hullMisses(p, box) ||
      std::max(distanceToChord(p[1], p[0], p[3]), distanceToChord(p[2], p[0], p[3])) < kFlatness) {
    out.push_back(p[3]);
    return;
  }
  auto mid = [](Pt a, Pt b) { return Pt{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
  const Pt p01 = mid(p[0], p[1]), p12 = mid(p[1], p[2]), p23 = mid(p[2], p[3]);
  const Pt a = mid(p01, p12), b = mid(p12, p23), m = mid(a, b);
  const Pt left[4] = {p[0], p01, a, m}, right[4] = {m, b, p23, p[3]};
  flattenCubic(left, box, depth + 1, out);
  flattenCubic(right, box, depth + 1, out);
}

// One Sutherland-Hodgman pass against the half-plane where keep() holds.
template <typename Keep, typename Cross>
Polygon clipEdge(const Polygon& in, Keep keep, Cross cross) {
  Polygon out;
  if (in.empty()) return out;
  out.reserve(in.size() + 4);
  Pt prev = in.back();
  bool prevIn = keep(prev);
  for (const Pt& cur : in) {
    const bool curIn = keep(cur);
    if (curIn != prevIn) out.push_back(cross(prev, cur));
    if (curIn) out.push_back(cur);
    prev = cur;
    prevIn = curIn;
  }
  return out;
}

Polygon clipToBox(Polygon poly, const DeviceBox& b) {
  auto atX = [](Pt a, Pt c, double x) { return Pt{x, a.y + (c.y - a.y) * (x - a.x) / (c.x - a.x)}; };
  auto atY = [](Pt a, Pt c, double y) { return Pt{a.x + (c.x - a.x) * (y - a.y) / (c.y - a.y), y}; };
  poly = clipEdge(poly, [&](Pt p) { return p.x >= b.x0; }, [&](Pt a, Pt c) { return atX(a, c, b.x0); });
  poly = clipEdge(poly, [&](Pt p) { return p.x <= b.x1; }, [&](Pt a, Pt c) { return atX(a, c, b.x1); });
  poly = clipEdge(poly, [&](Pt p) { return p.y >= b.y0; }, [&](Pt a, Pt c) { return atY(a, c, b.y0); });
  poly = clipEdge(poly, [&](Pt p) { return p.y <= b.y1; }, [&](Pt a, Pt c) { return atY(a, c, b.y1); });
  return poly;
}

}  // namespace

PathData BoundPathToBox(cairo_t* cr, const PathData& path, const DeviceBox& box) {
  PathData out;
  out.fillMode = path.fillMode;
  Polygon current;
  auto device = [cr](double x, double y) {
    cairo_user_to_device(cr, &x, &y);
    return Pt{x, y};
  };
  auto flush = [&] {
    const Polygon clipped = clipToBox(std::move(current), box);
    current.clear();
    if (clipped.size() < 3) return;
    out.segments.push_back({PathSegment::Move, clipped[0].x, clipped[0].y});
    for (size_t i = 1; i < clipped.size(); ++i) out.segments.push_back({PathSegment::Line, clipped[i].x, clipped[i].y});
    out.segments.push_back({PathSegment::Close});
  };
  for (const PathSegment& s : path.segments) {
    switch (s.kind) {
      case PathSegment::Move:
        flush();
        current.push_back(device(s.x1, s.y1));
        break;
      case PathSegment::Line: current.push_back(device(s.x1, s.y1)); break;
      case PathSegment::Curve: {
        if (current.empty()) current.push_back(device(s.x1, s.y1));
        const Pt p[4] = {current.back(), device(s.x1, s.y1), device(s.x2, s.y2), device(s.x3, s.y3)};
        flattenCubic(p, box, 0, current);
        break;
      }
      case PathSegment::Close: {
        // A figure closed and continued starts again where it began.
        const Pt start = current.empty() ? Pt{0, 0} : current.front();
        const bool had = !current.empty();
        flush();
        if (had) current.push_back(start);
        break;
      }
    }
  }
  flush();
  return out;
}

void ReplayPathData(cairo_t* cr, const PathData& path) {
  for (const PathSegment& s : path.segments) {
    switch (s.kind) {
      case PathSegment::Move: cairo_move_to(cr, s.x1, s.y1); break;
      case PathSegment::Line: cairo_line_to(cr, s.x1, s.y1); break;
      case PathSegment::Curve: cairo_curve_to(cr, s.x1, s.y1, s.x2, s.y2, s.x3, s.y3); break;
      case PathSegment::Close: cairo_close_path(cr); break;
    }
  }
}

}  // namespace korvane
