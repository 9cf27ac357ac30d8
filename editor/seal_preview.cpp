#include "editor/seal_preview.h"

namespace korvane {

void SealPreview::PreparePreview(CanvasPanel* panel) {
  m_surface.Attach(panel);
  GfxImage checker;
  if (!checker.LoadFromBytes(CheckerboardBmpBytes())) return;
  if (!m_checkerBrush.Create(checker, WrapModeTile)) return;
  if (!m_canvas.Create(panel->width(), panel->height())) return;
  m_canvas.FillRectangle(m_checkerBrush, 0.0f, 0.0f, float(m_canvas.GetWidth()), float(m_canvas.GetHeight()));
  m_surface.Show(m_canvas);
  checker.Dispose();  // the brush keeps its own copy
}

void SealPreview::RedrawPreview(const SealDocument& doc) {
  m_renderer.RenderSeal(doc);
  if (!m_canvas.GetNative() || !m_checkerBrush.GetNative()) return;
  const int32_t pw = m_canvas.GetWidth(), ph = m_canvas.GetHeight();
  m_canvas.FillRectangle(m_checkerBrush, 0.0f, 0.0f, float(pw), float(ph));
  if (m_renderer.SealBitmap().GetNative())
    m_canvas.DrawImageI(m_renderer.SealBitmap(), TruncToInt((pw - double(doc.Width)) / 2.0),
                        TruncToInt((ph - double(doc.Height)) / 2.0));
  // The panel shows the canvas's own pixels: nothing is copied.
  m_surface.Show(m_canvas);
}

}  // namespace korvane
