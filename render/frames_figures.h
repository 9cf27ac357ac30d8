// Frames (centred circles and rectangles) and figures (pictures, stars,
// rectangles, ellipses centred and shifted by their offsets).
#pragma once

#include <array>

#include "document/seal_document.h"
#include "drawing/gfx/gfx_path.h"
#include "render/render_context.h"

namespace korvane {

void DrawFrame(const RenderTarget& target, const SealFrame& frame);

// Dispatches on the figure's Type; the record is a copy the hollow kinds
// may change.
void DrawFigure(const RenderTarget& target, SealFigure figure);
void DrawPictureFigure(const RenderTarget& target, const SealFigure& figure);
void DrawStarFigure(const RenderTarget& target, SealFigure figure);
void DrawShapeFigure(const RenderTarget& target, SealFigure figure);

// The star's ten vertices, outer points at odd indexes, vertex 5 on top.
std::array<GfxPoint, 10> StarVertices(int32_t renderWidth, int32_t renderHeight, const SealFigure& figure);

}  // namespace korvane
