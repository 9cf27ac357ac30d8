// Showing composed canvases on the window. A CanvasPanel is a drawing
// panel whose background picture is set from a canvas; a WindowSurface is
// attached to one, owns a canvas of its size, blends other canvases onto it
// and shows it.
#pragma once

#include <QImage>
#include <QWidget>

class QPainter;

#include "drawing/gfx/gfx_dib_canvas.h"

namespace korvane {

// Millimetre rulers along a panel's top and left edges, drawn over its
// picture: `zeroX`, `zeroY` are where 0 mm falls on the panel.
struct PanelRulers {
  double pixelsPerMm = 0;  // 0: no rulers
  double zeroX = 0, zeroY = 0;
  bool operator==(const PanelRulers&) const = default;
};

class CanvasPanel : public QWidget {
  Q_OBJECT

 public:
  explicit CanvasPanel(QWidget* parent = nullptr);
  // The picture shown; an image over a canvas's own pixels is shown without
  // a copy, so the canvas must outlive it or be replaced first.
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return m_picture; }
  // A thin frame around the picture, so that a white swatch still shows.
  void SetFramed(bool framed) { m_framed = framed; }
  void SetRulers(const PanelRulers& rulers);
  const PanelRulers& Rulers() const { return m_rulers; }
  // The width of a ruler's strip, in panel pixels.
  static constexpr int kRulerWidth = 18;

 signals:
  void MousePressed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void paintRulers(QPainter& painter) const;

  QImage m_picture;
  bool m_framed = false;
  PanelRulers m_rulers;
};

// The canvas's pixels as an image, sharing their memory.
QImage ImageOfCanvas(const GfxDibCanvas& canvas);

class WindowSurface {
 public:
  WindowSurface() = default;
  ~WindowSurface() { Detach(); }
  WindowSurface(const WindowSurface&) = delete;
  WindowSurface& operator=(const WindowSurface&) = delete;

  // Attaches to the panel with a transparent canvas of its size.
  bool Attach(CanvasPanel* panel);
  bool Detach();
  bool IsAttached() const { return m_panel != nullptr; }
  // Source over, with the source's alpha times alpha / 255.
  bool BlendIn(const GfxDibCanvas& source, int32_t x, int32_t y, int32_t alpha = 255);
  // Shows the surface's own canvas on the panel.
  bool Update();
  // Shows another canvas on the panel as it is, without blending it in.
  bool Show(const GfxDibCanvas& canvas);
  bool ClearCanvas();
  int32_t GetAlpha() const { return m_panel ? m_alpha : -1; }
  bool SetAlpha(int32_t alpha);
  GfxDibCanvas& Canvas() { return m_canvas; }
  ByteArray ToBmpBytes() const { return m_canvas.ToBmpBytes(); }

 private:
  CanvasPanel* m_panel = nullptr;
  GfxDibCanvas m_canvas;
  int32_t m_alpha = 255;
};

}  // namespace korvane
