#include "editor/window_surface.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace korvane {

CanvasPanel::CanvasPanel(QWidget* parent) : QWidget(parent) {}

void CanvasPanel::SetPicture(const QImage& picture) {
  m_picture = picture;
  update();
}

void CanvasPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!m_picture.isNull()) painter.drawImage(0, 0, m_picture);
  if (m_rulers.pixelsPerMm > 0) paintRulers(painter);
  if (m_framed) {
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void CanvasPanel::SetRulers(const PanelRulers& rulers) {
  if (rulers == m_rulers) return;
  m_rulers = rulers;
  update();
}

// A tick every millimetre when they are far enough apart, else every five;
// longer ticks at 5 and 10, numbers where they do not crowd each other.
void CanvasPanel::paintRulers(QPainter& painter) const {
  const double ppm = m_rulers.pixelsPerMm;
  const int strip = kRulerWidth;
  const int tickMm = ppm >= 4 ? 1 : (ppm >= 0.8 ? 5 : 10);
  int labelMm = 1000;
  for (const int step : {10, 20, 50, 100, 200, 500})
    if (step * ppm >= 32) {
      labelMm = step;
      break;
    }
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(0, 0, width(), strip, QColor(255, 255, 255, 220));
  painter.fillRect(0, strip, strip, height() - strip, QColor(255, 255, 255, 220));
  QFont font = painter.font();
  font.setPixelSize(9);
  painter.setFont(font);
  painter.setPen(QColor(60, 60, 60));
  painter.drawLine(0, strip - 1, width() - 1, strip - 1);
  painter.drawLine(strip - 1, strip, strip - 1, height() - 1);
  auto ticks = [&](double zero, int length, bool across) {
    const long first = long(std::ceil(-zero / ppm)), last = long(std::floor((length - 1 - zero) / ppm));
    for (long mm = first - first % tickMm; mm <= last; mm += tickMm) {
      const int at = int(std::lround(zero + mm * ppm));
      if (at < strip || at >= length) continue;
      const int size = mm % 10 == 0 ? 9 : (mm % 5 == 0 ? 6 : 3);
      if (across)
        painter.drawLine(at, strip - 1 - size, at, strip - 1);
      else
        painter.drawLine(strip - 1 - size, at, strip - 1, at);
      if (mm % labelMm != 0) continue;
      const QString number = QString::number(mm);
      if (across)
        painter.drawText(at + 2, 9, number);
      else
        painter.drawText(1, at + 10, number);
    }
  };
  ticks(m_rulers.zeroX, width(), true);
  ticks(m_rulers.zeroY, height(), false);
  painter.fillRect(0, 0, strip, strip, QColor(255, 255, 255));
  painter.drawText(QRect(0, 0, strip, strip), Qt::AlignCenter, QStringLiteral("毫米"));
  painter.restore();
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
