// What a GfxPath holds: its figures as segments in user space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "drawing/gfx_types.h"

namespace korvane {

struct PathSegment {
  enum Kind : uint8_t { Move, Line, Curve, Close } kind;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0;  // Line/Move use x1,y1
};

struct PathData {
  std::vector<PathSegment> segments;
  int32_t fillMode = FillModeAlternate;
  size_t pointCount = 0;   // kept with the segments: counting is O(1)
  bool figureOpen = false;  // a figure is started and not closed
  // Holds glyph outlines: they are filled through FreeType's coverage
  // rasteriser however few their segments, so that a glyph looks the same
  // filled alone or with others.
  bool glyphs = false;
  double lastX = 0, lastY = 0;
};

}  // namespace korvane
