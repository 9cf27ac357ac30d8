// What every layer of a seal draws with: the graphics of the target, the
// kind of target and its device scale, the seal's own size that each layer
// centres itself in, and the caches the renderer's owner keeps. The layers
// include this, never the renderer.
#pragma once

#include <cstdint>

#include "document/seal_document.h"
#include "drawing/gfx/gfx_graphics.h"
#include "base/numbers.h"
#include "drawing/gfx/gfx_path.h"
#include "render/render_caches.h"

namespace korvane {

// Opaque 0xAARRGGBB of a COLORREF (0x00BBGGRR); the top byte is dropped.
ARGB ToArgb(SealColor color);

// One closed rounded rectangle: four corner arcs of side trunc(2r).
void AppendRoundedRect(GfxPath& path, int32_t x, int32_t y, int32_t width, int32_t height, int32_t radius);

enum class TargetKind { Bitmap, VectorPage };

struct RenderTarget {
  GfxGraphics& SealGraphics;
  int32_t RenderWidth;   // the seal's size, in seal pixels
  int32_t RenderHeight;
  RenderCaches& Caches;  // the renderer's owner's, kept between seals

  TargetKind Kind() const { return SealGraphics.IsVectorTarget() ? TargetKind::VectorPage : TargetKind::Bitmap; }
  // Device pixels one seal pixel spans (0 on a vector page, which has no
  // pixels: pictures go there whole).
  double DevicePixelsPerSealPixel() const { return SealGraphics.DevicePixelsPerUnit(); }
};

}  // namespace korvane
