// "盖章到PDF": a PDF's pages (drawn by poppler), the current seal on them at
// its true scale, dragged into place; saved through the same stamper as
// korvane-stamp, with the same questions as an export.
#pragma once

#include <QDialog>
#include <QImage>
#include <memory>
#include <string>

#include "document/seal_document.h"
#include "render/render_caches.h"
#include "stamp/stamp_options.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace Poppler {
class Document;
}

namespace korvane {

// One page as read, the seal over it where it will be stamped; a drag
// moves the seal.
class StampPageView : public QWidget {
  Q_OBJECT

 public:
  explicit StampPageView(QWidget* parent = nullptr);
  // The page at `pixelsPerMm`, and the seal drawn at the same scale.
  void SetPage(const QImage& page, double pixelsPerMm);
  void SetSeal(const QImage& seal);
  // The seal's centre in millimetres from the page's top-left corner; with
  // a slice, only the band from `fromMm` to `toMm` across shows.
  void SetPlace(double xMm, double yMm);
  void SetSlice(bool sliced, double fromMm = 0, double toMm = 0);
  double CentreX() const { return m_x; }
  double CentreY() const { return m_y; }
  double PageWidthMm() const { return width() / m_pixelsPerMm; }
  // Where a millimetre point of the page is on this widget.
  QPointF ToWidget(double xMm, double yMm) const;

 signals:
  void Moved(double xMm, double yMm);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage m_page, m_seal;
  double m_pixelsPerMm = 1;
  double m_x = 0, m_y = 0;
  bool m_sliced = false;
  double m_from = 0, m_to = 0;
  bool m_dragging = false;
  QPointF m_grab;  // the mouse's offset from the seal's centre, in mm
};

class StampDialog : public QDialog {
  Q_OBJECT

 public:
  // False (with nothing shown) when `pdfPath` cannot be opened.
  StampDialog(const std::string& pdfPath, const SealDocument& seal, RenderCaches& caches, QWidget* parent = nullptr);
  ~StampDialog() override;
  bool IsOpen() const { return m_document != nullptr; }
  int PageCount() const;
  StampPageView* View() const { return m_view; }
  // What the save would ask the stamper for.
  StampOptions Options() const;
  // Asks for a file name and stamps into it; says how it went. True when
  // a file was written.
  bool Save();

 private:
  void showPage();
  void placeChanged();

  std::string m_path;
  SealDocument m_seal;
  RenderCaches& m_caches;
  std::unique_ptr<Poppler::Document> m_document;
  double m_sizeMm = 0, m_sealWidthMm = 0;
  bool m_placed = false;  // the seal has its place (else the default on the first page shown)
  StampPageView* m_view = nullptr;
  QSpinBox* m_page = nullptr;
  QCheckBox* m_allPages = nullptr;
  QCheckBox* m_crossPage = nullptr;
  QSpinBox* m_crossFrom = nullptr;
  QSpinBox* m_crossTo = nullptr;
  QComboBox* m_side = nullptr;
  QLabel* m_place = nullptr;
};

}  // namespace korvane
