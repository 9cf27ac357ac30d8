#include "editor/seal_thumbnail.h"

#include <algorithm>
#include <cmath>

#include "drawing/gfx/gfx_dib_canvas.h"
#include "editor/window_surface.h"
#include "render/seal_renderer.h"

namespace korvane {

QImage SealThumbnail(const SealDocument& doc, int side, RenderCaches& caches, const std::atomic<bool>* abort) {
  if (side < 1 || doc.Width < 1 || doc.Height < 1) return {};
  SealRenderer renderer(caches);
  renderer.SetAbortFlag(abort);
  const double scale = double(side) / std::max(doc.Width, doc.Height);
  if (!renderer.RenderSealScaled(doc, scale)) return {};
  GfxDibCanvas canvas;
  if (!canvas.Create(side, side)) return {};
  const GfxBitmap& seal = renderer.SealBitmap();
  canvas.DrawImageI(seal, (side - int32_t(seal.GetWidth())) / 2, (side - int32_t(seal.GetHeight())) / 2);
  return ImageOfCanvas(canvas).copy();  // the canvas goes with this call
}

QImage SealImage(const SealDocument& doc, double scale, const SealBox* crop, RenderCaches& caches) {
  SealRenderer renderer(caches);
  if (!renderer.RenderSealScaled(doc, scale, crop)) return {};
  const GfxBitmap& seal = renderer.SealBitmap();
  GfxDibCanvas canvas;
  if (!canvas.Create(int32_t(seal.GetWidth()), int32_t(seal.GetHeight()))) return {};
  canvas.DrawImageI(seal, 0, 0);
  return ImageOfCanvas(canvas).copy();
}

}  // namespace korvane
