// Bringing geometry that lies far beyond cairo's coordinate range back into
// it without changing what it covers on the surface: the path is flattened
// in device space and cut to a box around the surface. Inside the box every
// point keeps its winding number, so fills and clips there are unchanged.
#pragma once

#include <cairo.h>

#include "drawing/raster/path_data.h"

namespace korvane {

struct DeviceBox {
  double x0, y0, x1, y1;
};

// The path (in the context's user space) as closed polygons in device
// space, each cut to `box`. Curves are flattened to 1/100 pixel where they
// cross the box; pieces wholly outside it become straight lines.
PathData BoundPathToBox(cairo_t* cr, const PathData& path, const DeviceBox& box);

// Appends the path data as cairo's current path (after cairo_new_path).
void ReplayPathData(cairo_t* cr, const PathData& path);

}  // namespace korvane
