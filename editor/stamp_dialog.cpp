#include "editor/stamp_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <poppler-qt6.h>

#include <algorithm>
#include <cmath>

#include "base/file_io.h"
#include "dialogs/common_dialogs.h"
#include "editor/message_box.h"
#include "editor/seal_thumbnail.h"
#include "render/seal_output.h"
#include "stamp/pdf_stamp.h"

namespace korvane {

namespace {

// The page is drawn to fit this height on the screen.
constexpr int kPageHeight = 600;

std::string reasonFor(StampFailure failure) {
  switch (failure) {
    case StampFailure::Usage: return "所选页码超出文档范围。";
    case StampFailure::Seal: return "无法绘制图章，请检查图章的尺寸。";
    default: return "无法读取该文档（不是PDF、已损坏或需要密码）。";
  }
}

}  // namespace

StampPageView::StampPageView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("View_StampPage"));
  setCursor(Qt::OpenHandCursor);
}

void StampPageView::SetPage(const QImage& page, double pixelsPerMm) {
  m_page = page;
  m_pixelsPerMm = pixelsPerMm;
  setFixedSize(page.size());
  update();
}

void StampPageView::SetSeal(const QImage& seal) {
  m_seal = seal;
  update();
}

void StampPageView::SetPlace(double xMm, double yMm) {
  m_x = xMm, m_y = yMm;
  update();
}

void StampPageView::SetSlice(bool sliced, double fromMm, double toMm) {
  m_sliced = sliced, m_from = fromMm, m_to = toMm;
  update();
}

QPointF StampPageView::ToWidget(double xMm, double yMm) const { return {xMm * m_pixelsPerMm, yMm * m_pixelsPerMm}; }

// The ink multiplies with the page, as it will in the file.
void StampPageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, m_page);
  if (m_seal.isNull()) return;
  if (m_sliced) painter.setClipRect(QRectF(ToWidget(m_from, 0), ToWidget(m_to, m_page.height() / m_pixelsPerMm)));
  painter.setCompositionMode(QPainter::CompositionMode_Multiply);
  const QPointF centre = ToWidget(m_x, m_y);
  painter.drawImage(QPointF(centre.x() - m_seal.width() / 2.0, centre.y() - m_seal.height() / 2.0), m_seal);
}

void StampPageView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPointF at = event->position() / m_pixelsPerMm;
  m_grab = at - QPointF(m_x, m_y);
  // A press beside the seal brings its centre there.
  if (std::abs(m_grab.x()) * m_pixelsPerMm > m_seal.width() / 2.0 ||
      std::abs(m_grab.y()) * m_pixelsPerMm > m_seal.height() / 2.0)
    m_grab = {};
  m_dragging = true;
  setCursor(Qt::ClosedHandCursor);
  mouseMoveEvent(event);
}

void StampPageView::mouseMoveEvent(QMouseEvent* event) {
  if (!m_dragging) return;
  const QPointF at = event->position() / m_pixelsPerMm - m_grab;
  // The centre stays on the page.
  const double w = width() / m_pixelsPerMm, h = height() / m_pixelsPerMm;
  SetPlace(std::clamp(at.x(), 0.0, w), std::clamp(at.y(), 0.0, h));
  emit Moved(m_x, m_y);
}

void StampPageView::mouseReleaseEvent(QMouseEvent*) {
  m_dragging = false;
  setCursor(Qt::OpenHandCursor);
}

StampDialog::StampDialog(const std::string& pdfPath, const SealDocument& seal, RenderCaches& caches, QWidget* parent)
    : QDialog(parent), m_path(pdfPath), m_seal(seal), m_caches(caches) {
  setObjectName(QStringLiteral("Dialog_StampPdf"));
  setWindowTitle(QStringLiteral("盖章到PDF"));
  // Poppler says what it repairs on standard error; the dialog says what matters.
  Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
  m_document = Poppler::Document::load(QString::fromStdString(pdfPath));
  if (m_document && m_document->isLocked()) m_document.reset();
  if (!m_document || m_document->numPages() < 1) {
    m_document.reset();
    return;
  }
  m_document->setRenderHint(Poppler::Document::Antialiasing, true);
  m_document->setRenderHint(Poppler::Document::TextAntialiasing, true);

  StampOptions none;
  m_sizeMm = StampSealSize(m_seal, none);
  const double extent = SealOuterExtent(m_seal);
  m_sealWidthMm = SealOuterBox(m_seal).Width * m_sizeMm / extent;

  m_view = new StampPageView(this);
  const int count = PageCount();
  m_page = new QSpinBox(this);
  m_page->setObjectName(QStringLiteral("Spin_StampPage"));
  m_page->setRange(1, count);
  m_page->setValue(count);  // seals go on the last page
  m_allPages = new QCheckBox(QStringLiteral("所有页"), this);
  m_allPages->setObjectName(QStringLiteral("Check_StampAllPages"));
  m_crossPage = new QCheckBox(QStringLiteral("骑缝章"), this);
  m_crossPage->setObjectName(QStringLiteral("Check_StampCrossPage"));
  m_crossFrom = new QSpinBox(this);
  m_crossFrom->setObjectName(QStringLiteral("Spin_StampCrossFrom"));
  m_crossFrom->setRange(1, count);
  m_crossTo = new QSpinBox(this);
  m_crossTo->setObjectName(QStringLiteral("Spin_StampCrossTo"));
  m_crossTo->setRange(1, count);
  m_crossTo->setValue(count);
  m_side = new QComboBox(this);
  m_side->setObjectName(QStringLiteral("Combo_StampSide"));
  m_side->addItems({QStringLiteral("右侧"), QStringLiteral("左侧")});
  m_place = new QLabel(this);
  m_place->setObjectName(QStringLiteral("Label_StampPlace"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("页码："), m_page);
  form->addRow(QString(), m_allPages);
  form->addRow(QString(), m_crossPage);
  auto* range = new QHBoxLayout;
  range->addWidget(m_crossFrom);
  range->addWidget(new QLabel(QStringLiteral("至"), this));
  range->addWidget(m_crossTo);
  form->addRow(QStringLiteral("页："), range);
  form->addRow(QStringLiteral("位置："), m_side);
  form->addRow(m_place);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* save = buttons->addButton(QStringLiteral("保存…"), QDialogButtonBox::AcceptRole);
  save->setObjectName(QStringLiteral("Button_StampSave"));
  buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (Save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* side = new QVBoxLayout;
  side->addLayout(form);
  side->addStretch();
  side->addWidget(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(m_view, 0, Qt::AlignTop);
  layout->addLayout(side);

  connect(m_page, &QSpinBox::valueChanged, this, [this] { showPage(); });
  for (QCheckBox* box : {m_allPages, m_crossPage}) connect(box, &QCheckBox::toggled, this, [this] { placeChanged(); });
  for (QSpinBox* box : {m_crossFrom, m_crossTo}) connect(box, &QSpinBox::valueChanged, this, [this] { placeChanged(); });
  connect(m_side, &QComboBox::currentIndexChanged, this, [this] { placeChanged(); });
  connect(m_view, &StampPageView::Moved, this, [this] { placeChanged(); });
  showPage();
}

StampDialog::~StampDialog() = default;

int StampDialog::PageCount() const { return m_document ? m_document->numPages() : 0; }

// The page as read, `kPageHeight` high, and the seal at the same scale.
void StampDialog::showPage() {
  std::unique_ptr<Poppler::Page> page = m_document->page(m_page->value() - 1);
  if (!page) return;
  const QSizeF points = page->pageSizeF();  // as read: rotated, cropped
  if (!(points.height() > 0) || !(points.width() > 0)) return;
  const double dpi = kPageHeight / points.height() * 72.0;
  const double pixelsPerMm = dpi / 25.4;
  const QImage image = page->renderToImage(dpi, dpi);
  m_view->SetPage(image, pixelsPerMm);
  SealBox outer = SealOuterBox(m_seal);
  const double scale = m_sizeMm * pixelsPerMm / SealOuterExtent(m_seal);
  m_view->SetSeal(SealImage(m_seal, scale, &outer, m_caches));
  if (!m_placed) {
    double x = 0, y = 0;
    StampDefaultCentre(image.width() / pixelsPerMm, image.height() / pixelsPerMm, m_sizeMm, &x, &y);
    m_view->SetPlace(x, y);
    m_placed = true;
  }
  placeChanged();
}

void StampDialog::placeChanged() {
  const bool cross = m_crossPage->isChecked();
  m_page->setEnabled(!m_allPages->isChecked() || cross);
  m_allPages->setEnabled(!cross);
  m_crossFrom->setEnabled(cross), m_crossTo->setEnabled(cross), m_side->setEnabled(cross);
  const int page = m_page->value(), from = m_crossFrom->value(), to = std::max(from, m_crossTo->value());
  if (cross && page >= from && page <= to) {
    // The slice this page carries, where the stamper will put it.
    const CrossPageSlice slice = CrossPageSliceOn(m_view->PageWidthMm(), m_sealWidthMm, to - from + 1, page - from,
                                                  m_side->currentIndex() == 1 ? StampSide::Left : StampSide::Right);
    m_view->SetPlace(slice.centreXMm, m_view->CentreY());
    m_view->SetSlice(true, slice.fromMm, slice.toMm);
  } else {
    m_view->SetSlice(cross, 0, 0);  // a page outside the range shows no seal
  }
  m_place->setText(QStringLiteral("中心 %1, %2 毫米\n直径 %3 毫米")
                       .arg(m_view->CentreX(), 0, 'f', 1)
                       .arg(m_view->CentreY(), 0, 'f', 1)
                       .arg(m_sizeMm, 0, 'f', 1));
}

StampOptions StampDialog::Options() const {
  StampOptions options;
  options.placed = true;
  options.xMm = m_view->CentreX(), options.yMm = m_view->CentreY();
  if (m_crossPage->isChecked()) {
    options.crossPage = true;
    options.crossFirst = m_crossFrom->value();
    options.crossLast = std::max(m_crossFrom->value(), m_crossTo->value());
    options.side = m_side->currentIndex() == 1 ? StampSide::Left : StampSide::Right;
  } else if (m_allPages->isChecked()) {
    options.allPages = true;
  } else {
    options.pages = {m_page->value()};
  }
  return options;
}

bool StampDialog::Save() {
  SaveFileRequest request;
  request.title = "保存盖章后的PDF";
  std::string stem = m_path.substr(m_path.rfind('/') + 1);
  if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".pdf") == 0) stem.resize(stem.size() - 4);
  request.initialName = stem + "-盖章";
  request.initialFolder = m_path.substr(0, m_path.rfind('/') + 1);
  request.filter = "PDF 文档(*.pdf)|*.pdf";
  request.defaultExt = "pdf";
  request.overwritePrompt = true;
  request.pathMustExist = true;
  const std::string out = CommonDialogs().PickSaveFile(request);
  if (out.empty()) return false;

  ByteArray input;
  std::string stamped;
  StampResult result;
  if (!ReadFileBytes(m_path, &input, kMaxPdfBytes)) {
    result.failure = StampFailure::Input;
  } else {
    const std::string pdf(input.begin(), input.end());
    StampOptions options = Options();
    result = StampPdf(pdf, m_seal, options, &stamped, &m_caches);
    if (result.failure == StampFailure::Signed) {
      if (ShowMessage("该文档带有数字签名，盖章后签名将失效。\r\n是否仍然盖章？", MessageIcon::Question, true) !=
          MessageAnswer::Yes)
        return false;
      options.force = true;
      result = StampPdf(pdf, m_seal, options, &stamped, &m_caches);
    }
  }
  if (result.failure != StampFailure::None) {
    ShowMessage("盖章失败！\r\n* " + reasonFor(result.failure), MessageIcon::Error);
    return false;
  }
  if (!WriteFileAtomically(out, stamped, SpecialFiles::Refuse)) {
    ShowMessage("盖章失败！\r\n* 无法写入文件，请检查文件是否被其他程序打开。", MessageIcon::Error);
    return false;
  }
  ShowMessage("盖章成功！", MessageIcon::Information);
  return true;
}

}  // namespace korvane
