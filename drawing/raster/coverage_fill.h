// Filling detailed paths (text) through FreeType's anti-aliasing
// rasteriser: exact area coverage, several times faster than cairo's
// sampling scan converter for glyph outlines. The coverage mask is then
// composited where it has coverage when the fill is a solid colour OVER
// the surface, by cairo otherwise, so clips and operators behave as for
// any fill.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>

#include "drawing/raster/path_data.h"

namespace korvane {

// Paths with at least this many segments take the coverage route.
inline constexpr size_t kCoverageFillMinSegments = 32;

// What a caller knows of the context's clip: that there is none
// (kNoClip); that it is the one named by a number no other clip of the
// process gets (NewClipId), whose pixels are then read from cairo once
// rather than at every fill; or nothing (kUnknownClip).
inline constexpr uint64_t kNoClip = 0, kUnknownClip = UINT64_MAX;
uint64_t NewClipId();

// Fills the path (in the context's user space) with the current source.
// False when the path cannot take this route; the caller then fills with
// cairo itself. A path it fills has every point within a million pixels
// of the origin.
bool FillWithCoverageMask(cairo_t* cr, const PathData& path, uint64_t clip = kUnknownClip);

// Lets go of the masks this thread keeps between fills.
void TrimCoverageMasks();
// The most this thread's kept masks may take (16 MB unless set); the
// budget before.
size_t SetCoverageMaskBudget(size_t bytes);

}  // namespace korvane
