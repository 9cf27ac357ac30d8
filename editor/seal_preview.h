// The preview: the seal at its natural size, centred on a checkerboard that
// fills the preview panel, so that its transparent parts show. Every change
// of the model ends with RedrawPreview.
#pragma once

#include "document/seal_document.h"
#include "drawing/gfx_dib_canvas.h"
#include "drawing/gfx_objects.h"
#include "editor/window_surface.h"
#include "render/seal_renderer.h"

namespace korvane {

class SealPreview {
 public:
  // Attaches to the panel and builds the checkerboard and the canvas once.
  // Without them the preview stays empty; the editor still works.
  void PreparePreview(CanvasPanel* panel);
  // Renders the document, composes the canvas and shows it on the panel.
  // A render that is refused leaves the last good seal, centred by the
  // document's new size.
  void RedrawPreview(const SealDocument& doc);

  SealRenderer& Renderer() { return m_renderer; }
  const GfxDibCanvas& Canvas() const { return m_canvas; }
  // The tiled checkerboard, for swatches whose colour is "none".
  const GfxTextureBrush& CheckerBrush() const { return m_checkerBrush; }

 private:
  SealRenderer m_renderer;
  WindowSurface m_surface;
  GfxDibCanvas m_canvas;
  GfxTextureBrush m_checkerBrush;
};

}  // namespace korvane
