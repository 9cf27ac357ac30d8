#include "editor/window_surface.h"

#include <QMouseEvent>
#include <QPainter>

namespace korvane {

CanvasPanel::CanvasPanel(QWidget* parent) : QWidget(parent) {}

void CanvasPanel::SetPicture(const QImage& picture) {
  m_picture = picture;
  update();
}

void CanvasPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!m_picture.isNull()) painter.drawImage(0, 0, m_picture);
  if (m_framed) {
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void CanvasPanel::mousePressEvent(QMouseEvent* event) {
  // A disabled panel gets no mouse events at all.
  if (event->button() == Qt::LeftButton) emit MousePressed();
}

QImage ImageOfCanvas(const GfxDibCanvas& canvas) {
  const uint8_t* pixels = canvas.Pixels();
  if (!pixels) return {};
  // Cairo's ARGB32 is Qt's premultiplied ARGB32 in memory: no conversion.
  return QImage(pixels, canvas.GetWidth(), canvas.GetHeight(), canvas.Stride(),
                QImage::Format_ARGB32_Premultiplied);
}

bool WindowSurface::Attach(CanvasPanel* panel) {
  if (m_panel || !panel) return false;
  if (!m_canvas.Create(panel->width(), panel->height())) return false;
  m_panel = panel;
  m_alpha = 255;
  return true;
}

bool WindowSurface::Detach() {
  if (!m_panel) return false;
  m_panel->SetPicture(QImage());
  m_canvas.Delete();
  m_panel = nullptr;
  return true;
}

bool WindowSurface::BlendIn(const GfxDibCanvas& source, int32_t x, int32_t y, int32_t alpha) {
  if (!m_panel) return false;
  return m_canvas.AlphaBlendFrom(source, x, y, alpha);
}

bool WindowSurface::Update() {
  if (!m_panel) return false;
  m_panel->SetPicture(ImageOfCanvas(m_canvas));
  return true;
}

bool WindowSurface::Show(const GfxDibCanvas& canvas) {
  if (!m_panel) return false;
  m_panel->SetPicture(ImageOfCanvas(canvas));
  return true;
}

bool WindowSurface::ClearCanvas() {
  if (!m_panel) return false;
  return m_canvas.Clear(0);
}

bool WindowSurface::SetAlpha(int32_t alpha) {
  if (!m_panel || alpha < 0 || alpha > 255) return false;
  m_alpha = alpha;
  return true;
}

}  // namespace korvane
