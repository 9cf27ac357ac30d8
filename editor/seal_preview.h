// The preview: the seal at its natural size, centred on a checkerboard that
// fills the preview panel, so that its transparent parts show. Every change
// of the model ends with RedrawPreview.
//
// Seals are rendered on a worker thread, so that no design (a ring of
// 200,000 characters, a huge picture) can freeze the window: a render that
// ends within kWaitForRender is shown at once, as if drawn in place; a
// longer one is shown when it ends, unless a newer change has abandoned it.
// The preview always shows the newest render that finished.
#pragma once

#include <chrono>
#include <memory>

#include "document/seal_document.h"
#include "drawing/gfx/gfx_dib_canvas.h"
#include "drawing/gfx/gfx_objects.h"
#include "editor/window_surface.h"
#include "render/seal_renderer.h"

namespace korvane {

class SealPreview {
 public:
  // How long a change waits for its render before the window goes on.
  static constexpr std::chrono::milliseconds kWaitForRender{100};

  SealPreview();
  ~SealPreview();  // abandons a render under way and waits for the worker
  SealPreview(const SealPreview&) = delete;
  SealPreview& operator=(const SealPreview&) = delete;

  // Attaches to the panel and builds the checkerboard and the canvas once.
  // Without them the preview stays empty; the editor still works.
  void PreparePreview(CanvasPanel* panel);
  // Asks for the document to be rendered and shown. A render that is
  // refused leaves the last good seal, centred by the document's new size.
  void RedrawPreview(const SealDocument& doc);
  // Waits until the newest change is rendered and shown (an export saves
  // what was asked for last, not what happened to be shown).
  void FinishPendingRender();

  // The renderer whose bitmap is shown; read it on the window's thread.
  const SealRenderer& Renderer() const;
  // The pictures the preview keeps, for exports of the same seal.
  RenderCaches& Caches();
  const GfxDibCanvas& Canvas() const { return m_canvas; }
  // The tiled checkerboard, for swatches whose colour is "none".
  const GfxTextureBrush& CheckerBrush() const { return m_checkerBrush; }

 private:
  struct Worker;
  // Shows the newest finished render, if not shown yet (window thread).
  void showFinished();
  void compose(const SealRenderer& shown, int32_t width, int32_t height);

  std::unique_ptr<Worker> m_worker;
  CanvasPanel* m_panel = nullptr;
  WindowSurface m_surface;
  GfxDibCanvas m_canvas;
  GfxTextureBrush m_checkerBrush;
};

}  // namespace korvane
