// The preview: the seal centred on a checkerboard that fills the preview
// panel, so that its transparent parts show. Every change of the model ends
// with RedrawPreview. Zoomed, the seal is drawn at the zoomed resolution
// (never a magnified bitmap), and only the part the panel shows.
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

  static constexpr double kMinZoom = 0.25, kMaxZoom = 8.0;
  double Zoom() const { return m_view.zoom; }
  // Zooms so that the seal point under (x, y) of the panel stays there.
  void ZoomAt(double zoom, int32_t x, int32_t y);
  // Fits the whole seal to the panel, centred (within the zoom's range).
  void FitToPanel();
  // The seal at its own pixels, centred: the preview as it starts.
  void ShowActualSize();
  // Centres the next redraw of `doc`, at 1:1 or fitted when it is larger
  // than the panel (a new seal); draws nothing itself.
  void ResetViewFor(const SealDocument& doc);
  // Moves the seal on the panel (a drag); a part of it always stays in view.
  void PanBy(int32_t dx, int32_t dy);
  // Where the seal's top-left corner is on the panel, in panel pixels.
  void SealOrigin(int32_t* x, int32_t* y) const;

  // The renderer whose bitmap is shown; read it on the window's thread. At
  // a zoom other than 1 it holds the part of the seal in view.
  const SealRenderer& Renderer() const;
  // The pictures the preview keeps, for exports of the same seal.
  RenderCaches& Caches();
  const GfxDibCanvas& Canvas() const { return m_canvas; }
  // The tiled checkerboard, for swatches whose colour is "none".
  const GfxTextureBrush& CheckerBrush() const { return m_checkerBrush; }

 private:
  struct Worker;
  struct View {
    double zoom = 1;
    bool centred = true;  // else the seal's top-left corner is at (left, top)
    double left = 0, top = 0;  // kept unrounded, so that zoom steps do not drift
  };
  // What one render draws, and where the panel shows it.
  struct Job {
    double zoom = 1;
    bool cropped = false;
    bool outOfView = false;  // nothing to draw
    SealBox crop;  // the part in view, in seal pixels
    int32_t x = 0, y = 0;  // where the bitmap goes on the panel
    PanelRulers rulers;
  };
  Job jobFor(const SealDocument& doc) const;
  void sealOrigin(const SealDocument& doc, double* x, double* y) const;
  void setView(const View& view);
  // Shows the newest finished render, if not shown yet (window thread).
  void showFinished();
  void compose(const SealRenderer& shown, const Job& job);

  std::unique_ptr<Worker> m_worker;
  View m_view;
  SealDocument m_doc;  // the newest asked for, redrawn when the view changes
  CanvasPanel* m_panel = nullptr;
  WindowSurface m_surface;
  GfxDibCanvas m_canvas;
  GfxTextureBrush m_checkerBrush;
};

}  // namespace korvane
