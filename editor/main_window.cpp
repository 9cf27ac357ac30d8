#include "editor/main_window.h"

#include <QApplication>
#include <QFrame>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>

#include <cmath>
#include <QListWidget>
#include <QShortcut>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include "base/file_io.h"
#include "dialogs/common_dialogs.h"
#include "document/presets.h"
#include "document/template_format.h"
#include "render/seal_output.h"
#include "document/template_store.h"
#include "document/text_number.h"
#include "editor/accordion.h"
#include "editor/edit_history.h"
#include "editor/editor_fonts.h"
#include "editor/message_box.h"
#include "editor/preset_chooser.h"
#include "editor/stamp_dialog.h"
#include "editor/template_reader.h"
#include "editor/template_thumbnails.h"
#include "editor/window_surface.h"

namespace korvane {

namespace {

// Client area: the controls reach x 920 and y 709; with an 8-pixel margin
// and a usual frame the outer size is 934 x 745.
constexpr int kClientWidth = 928;
constexpr int kClientHeight = 717;

QGroupBox* groupBox(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h) {
  auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(x, y, w, h);
  box->hide();
  return box;
}

}  // namespace

MainWindow::MainWindow(const BannerAddressList& bannerAddresses, TemplateStore templates, QWidget* parent)
    : QWidget(parent),
      m_templates(std::move(templates)),
      m_doc(CreateSealDocument()), m_banners(new BannerService(bannerAddresses, this)) {
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  setFixedSize(kClientWidth, kClientHeight);
  move(50, 50);
  buildControls();

  // Start-up, in order, on this thread before the window takes input.
  StartGraphics();
  m_thumbnails = new TemplateThumbnails(this);
  connect(m_thumbnails, &TemplateThumbnails::Ready, this, &MainWindow::showTemplatePicture);
  if (QListWidget* list = m_accordion->PageList(kPageTemplate))
    list->setIconSize(QSize(TemplateThumbnails::kSide, TemplateThumbnails::kSide));
  const int top = m_text->y();
  for (QGroupBox* box : {m_clip, m_figure, m_frame, m_seal, m_ad}) box->move(box->x(), top);
  m_panels->ResetIndexes();
  RefreshTemplateList();
  ApplyStartupSeal(m_doc);
  m_preview.PreparePreview(m_previewPanel);
  m_history = new EditHistory([this](const SealDocument& doc, EditPlace place) { restore(doc, place); }, this);
  m_history->Reset(m_doc);
  RedrawPreview();
  // Typing in one box is one step until another control takes the focus.
  // The history alone is named: focus still moves while the window's
  // children are destroyed, after the window itself.
  connect(qApp, &QApplication::focusChanged, m_history, [history = m_history] { history->Break(); });
  installUndoKeys();
  setAcceptDrops(true);
  connect(m_banners, &BannerService::SlotChanged, this, &MainWindow::setBannerSlot);
  m_templateReader = new TemplateReader(
      m_templates,
      [this](const SealDocument& doc) {
        m_doc = doc;
        m_history->Break();  // a template read is a step of its own
        RedrawPreview();
        m_history->Break();
      },
      this);
  m_banners->Refresh();
}

MainWindow::~MainWindow() {
  delete m_history;  // no step is recorded while the window goes
  m_history = nullptr;
  // Downloads and reads still running are cut short; none outlives the window.
  delete m_banners;
  m_banners = nullptr;
  delete m_templateReader;
  m_templateReader = nullptr;
  delete m_thumbnails;
  m_thumbnails = nullptr;
  StopGraphics();
}

bool MainWindow::anyPanelVisible() const {
  for (const QGroupBox* box : panels())
    if (box->isVisibleTo(this)) return true;
  return false;
}

void MainWindow::setBannerSlot(int slot, const QImage& picture) {
  QLabel* box = m_adPictures[size_t(slot)];
  // A body that is no picture shows nothing, though the slot still holds it.
  if (!picture.isNull())
    box->setPixmap(QPixmap::fromImage(picture));
  else
    box->clear();
  // The banner box shows while no panel is open and slot 1 holds a picture.
  if (slot == 0) {
    m_bannerOneShown = !BannerSlot(0).empty();
    m_ad->setVisible(bannerSlotOneHasPicture() && !anyPanelVisible());
  }
}

void MainWindow::buildControls() {
  m_accordion = new Accordion(this);
  m_accordion->setObjectName(QStringLiteral("Accordion_Main"));
  m_accordion->setGeometry(28, 8, 192, 384);
  m_accordion->setFont(AccordionFont());
  auto items = [](std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* t : texts) list << QString::fromUtf8(t);
    return list;
  };
  m_accordion->AddPage(QStringLiteral("图章规格"), items({"规格设置"}));
  m_accordion->AddPage(QStringLiteral("图章文字"), items({"文字1", "文字2", "文字3", "文字4"}));
  m_accordion->AddPage(QStringLiteral("图章边框"), items({"边框1", "边框2", "边框3", "边框4", "边框5", "剪辑区域"}));
  m_accordion->AddPage(QStringLiteral("附加图形"), items({"图形1", "图形2", "图形3", "图形4"}));
  m_accordion->AddPage(QStringLiteral("模板"), {});
  connect(m_accordion, &Accordion::ItemClicked, this, &MainWindow::onItemClicked);
  connect(m_accordion, &Accordion::PageChanged, this, &MainWindow::onPageChanged);

  m_seal = groupBox(this, "GroupBox_Seal", "图章规格设置", 8, 397, 231, 166);
  m_text = groupBox(this, "GroupBox_Text", "图章文字设置", 8, 397, 231, 313);
  m_frame = groupBox(this, "GroupBox_Frame", "图章边框设置", 8, 397, 231, 231);
  m_clip = groupBox(this, "GroupBox_Clip", "图章剪辑设置", 8, 397, 231, 160);
  m_figure = groupBox(this, "GroupBox_Figure", "图章图形设置", 8, 397, 231, 264);
  m_ad = groupBox(this, "GroupBox_Ad", "", 8, 397, 231, 313);
  m_panels = std::make_unique<PropertyPanels>(*this, m_seal, m_text, m_frame, m_clip, m_figure);
  for (int i = 0; i < 3; ++i) {
    m_adPictures[size_t(i)] = new QLabel(m_ad);
    m_adPictures[size_t(i)]->setObjectName(QStringLiteral("PictureBox_Ad%1").arg(i + 1));
    m_adPictures[size_t(i)]->setGeometry(5, 20 + 96 * i, 220, 88);
  }

  m_splitter = new QFrame(this);
  m_splitter->setObjectName(QStringLiteral("Splitter_Main"));
  m_splitter->setFrameShape(QFrame::VLine);
  m_splitter->setFrameShadow(QFrame::Sunken);
  m_splitter->setGeometry(247, 7, 1, 702);

  m_previewPanel = new CanvasPanel(this);
  m_previewPanel->setObjectName(QStringLiteral("DrawPanel_Preview"));
  m_previewPanel->setGeometry(255, 7, 665, 665);

  // In the preview's lower left corner: the seal's size in pixels, and on
  // paper when it has one, and the zoom.
  m_sizeLine = new QLabel(this);
  m_sizeLine->setObjectName(QStringLiteral("Label_SealSize"));
  m_sizeLine->setGeometry(255 + CanvasPanel::kRulerWidth + 4, 7 + 665 - 22, 240, 18);
  m_sizeLine->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 200); padding: 0 4px;"));

  auto* label = new QLabel(QStringLiteral("模板名："), this);
  label->setGeometry(392, 683, 43, 23);
  label->setAttribute(Qt::WA_TranslucentBackground);
  m_templateName = new QLineEdit(this);
  m_templateName->setObjectName(QStringLiteral("EditBox_Template_Name"));
  m_templateName->setGeometry(440, 683, 100, 23);
  m_saveTemplate = new QPushButton(QStringLiteral("添加为模板"), this);
  m_saveTemplate->setObjectName(QStringLiteral("Button_SaveTemplate"));
  m_saveTemplate->setGeometry(544, 678, 136, 31);
  connect(m_saveTemplate, &QPushButton::clicked, this, &MainWindow::onSaveTemplate);
  // Enter in the name box adds the template, as the button beside it does.
  connect(m_templateName, &QLineEdit::returnPressed, this, &MainWindow::onSaveTemplate);
  m_newSeal = new QPushButton(QStringLiteral("新建…"), this);
  m_newSeal->setObjectName(QStringLiteral("Button_NewSeal"));
  m_newSeal->setGeometry(255, 678, 64, 31);
  // Beside the export: the seal onto a PDF's pages.
  m_stampPdf = new QPushButton(QStringLiteral("盖章到PDF"), this);
  m_stampPdf->setObjectName(QStringLiteral("Button_StampPdf"));
  m_stampPdf->setGeometry(684, 678, 96, 31);
  connect(m_stampPdf, &QPushButton::clicked, this, &MainWindow::StampPdfFile);
  connect(m_newSeal, &QPushButton::clicked, this, &MainWindow::NewSealFromPreset);
  m_savePicture = new QPushButton(QStringLiteral("保存到图片"), this);
  m_savePicture->setObjectName(QStringLiteral("Button_SavePicture"));
  m_savePicture->setGeometry(784, 678, 136, 31);
  connect(m_savePicture, &QPushButton::clicked, this, &MainWindow::onSavePicture);
}

void MainWindow::RedrawPreview() {
  m_preview.RedrawPreview(m_doc);
  showSize();
  // Typing (or the wheel) in one edit box merges into one step; a click, a
  // choice or a dialog is a step of its own.
  const QObject* source = qobject_cast<const QLineEdit*>(m_editSource) ? m_editSource : nullptr;
  m_editSource = nullptr;
  if (m_history) m_history->Record(m_doc, m_shown, source);
}

void MainWindow::showSize() {
  QString line = QStringLiteral("%1×%2 像素").arg(m_doc.Width).arg(m_doc.Height);
  if (m_doc.SizeMM > 0) line = QString::fromStdString(MillimetresText(m_doc.SizeMM)) + QStringLiteral(" 毫米 · ") + line;
  if (m_preview.Zoom() != 1) line += QStringLiteral(" · %1%").arg(std::lround(m_preview.Zoom() * 100));
  m_sizeLine->setText(line);
  m_sizeLine->adjustSize();
}

void MainWindow::Undo() { m_history->Undo(); }
void MainWindow::Redo() { m_history->Redo(); }

// The seal of an undone or redone step, shown where it was changed: the
// page and item selected, the panel filled with the restored values.
void MainWindow::restore(const SealDocument& doc, EditPlace place) {
  m_doc = doc;
  if (place.page >= kPageSeal && place.page < kPageTemplate) {
    m_accordion->setCurrentIndex(place.page);
    if (QListWidget* list = m_accordion->PageList(place.page); list && place.item >= 0 && place.item < list->count())
      list->setCurrentRow(place.item);
    onItemClicked(place.page, place.item);
  }
  m_preview.RedrawPreview(m_doc);
  showSize();
}

namespace {

bool isUndoKey(const QKeyEvent* key) {
  return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
         key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
         key->keyCombination() == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

}  // namespace

void MainWindow::installUndoKeys() {
  auto add = [this](QKeySequence keys, void (MainWindow::*action)()) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  add(QKeySequence(Qt::ControlModifier | Qt::Key_Z), &MainWindow::Undo);
  add(QKeySequence(Qt::ControlModifier | Qt::Key_Y), &MainWindow::Redo);
  add(QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z), &MainWindow::Redo);
  add(QKeySequence(Qt::ControlModifier | Qt::Key_O), &MainWindow::OpenTemplateFile);
  add(QKeySequence(Qt::ControlModifier | Qt::Key_S), &MainWindow::SaveTemplateFile);
  add(QKeySequence(Qt::ControlModifier | Qt::Key_0), &MainWindow::FitPreview);
  add(QKeySequence(Qt::ControlModifier | Qt::Key_1), &MainWindow::ShowPreviewActualSize);
  m_previewPanel->installEventFilter(this);
  // An edit box keeps Ctrl+Z for its own text; here every change is the
  // seal's, so the window's keys win.
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->installEventFilter(this);
}

namespace {
constexpr const char kTemplateFilter[] = "图章模板(*.qsx_tzl)|*.qsx_tzl";
}  // namespace

// Ctrl+O: any template file, read over the seal as one step.
void MainWindow::OpenTemplateFile() {
  OpenFileRequest request;
  request.title = "打开模板";
  request.filter = kTemplateFilter;
  request.fileMustExist = true;
  const std::string path = CommonDialogs().PickOpenFile(request);
  if (!path.empty()) openTemplatePath(path);
}

bool MainWindow::openTemplatePath(const std::string& path) {
  SealDocument doc = m_doc;
  if (!ReadTemplateFile(doc, path)) {
    ShowMessage("打开模板失败！\r\n* 请检查文件是否为图章模板。", MessageIcon::Error);
    return false;
  }
  m_doc = doc;
  m_history->Break();
  RedrawPreview();
  m_history->Break();
  return true;
}

// "盖章到PDF": a PDF chosen, its pages shown with the seal on them.
void MainWindow::StampPdfFile() {
  OpenFileRequest request;
  request.title = "选择要盖章的PDF";
  request.filter = "PDF 文档(*.pdf)|*.pdf";
  request.fileMustExist = true;
  const std::string path = CommonDialogs().PickOpenFile(request);
  if (path.empty()) return;
  m_preview.FinishPendingRender();
  StampDialog dialog(path, m_doc, m_preview.Caches(), this);
  if (!dialog.IsOpen()) {
    ShowMessage("打开PDF失败！\r\n* 请检查文件是否为PDF文档，以及是否需要密码。", MessageIcon::Error);
    return;
  }
  dialog.exec();
}

// "新建": the seal replaced by a preset, as one step, shown whole.
void MainWindow::NewSealFromPreset() {
  PresetChooser chooser(this);
  chooser.exec();
  const std::optional<std::string> name = chooser.Chosen();
  if (!name) return;
  SealDocument doc = CreateSealDocument();
  if (!LoadPreset(doc, *name)) {
    ShowMessage("打开预设失败！", MessageIcon::Error);
    return;
  }
  m_doc = doc;
  m_history->Break();
  m_preview.ResetViewFor(m_doc);
  RedrawPreview();
  m_history->Break();
  if (m_shown.page >= kPageSeal && m_shown.page < kPageTemplate) onItemClicked(m_shown.page, m_shown.item);
}

// Ctrl+S: the design to any file, beside the template store.
void MainWindow::SaveTemplateFile() { saveTemplateFile(); }

bool MainWindow::saveTemplateFile() {
  SaveFileRequest request;
  request.title = "保存模板";
  request.filter = kTemplateFilter;
  request.defaultExt = "qsx_tzl";
  request.overwritePrompt = true;
  request.pathMustExist = true;
  const std::string path = CommonDialogs().PickSaveFile(request);
  if (path.empty()) return false;
  if (!WriteTemplate(m_doc, path, SpecialFiles::Refuse)) {
    ShowMessage("保存模板失败！", MessageIcon::Error);
    return false;
  }
  m_history->MarkClean();
  return true;
}

// Changes not saved as a template or exported are asked about first.
void MainWindow::closeEvent(QCloseEvent* event) {
  if (!m_history->Modified()) {
    event->accept();
    return;
  }
  const MessageAnswer answer = AskToSave("图章已修改，是否保存为模板文件？");
  if (answer == MessageAnswer::No || (answer == MessageAnswer::Yes && saveTemplateFile()))
    event->accept();
  else
    event->ignore();
}

// A template file dropped on the window opens it.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".qsx_tzl"), Qt::CaseInsensitive)) {
      event->acceptProposedAction();
      return;
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".qsx_tzl"), Qt::CaseInsensitive)) {
      event->acceptProposedAction();
      openTemplatePath(url.toLocalFile().toStdString());
      return;
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && isUndoKey(static_cast<QKeyEvent*>(event))) {
    event->ignore();
    return true;
  }
  if (watched == m_previewPanel) return previewEvent(event);
  return QWidget::eventFilter(watched, event);
}

// Ctrl+wheel zooms around the mouse, four steps to a doubling; a drag with
// the left button moves the seal.
bool MainWindow::previewEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
      m_wheelZoom += wheel->angleDelta().y() / 120.0;
      const double steps = std::trunc(m_wheelZoom);  // a touchpad's small deltas add up
      if (steps == 0) return true;
      m_wheelZoom -= steps;
      const double step = std::round(std::log2(m_preview.Zoom()) * 4) + steps;
      const QPoint at = wheel->position().toPoint();
      m_preview.ZoomAt(std::exp2(step / 4), at.x(), at.y());
      showSize();
      return true;
    }
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) m_dragFrom = mouse->position().toPoint(), m_dragging = true;
      return false;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!m_dragging || !(mouse->buttons() & Qt::LeftButton)) return false;
      const QPoint to = mouse->position().toPoint(), by = to - m_dragFrom;
      m_dragFrom = to;
      m_preview.PanBy(by.x(), by.y());
      return true;
    }
    case QEvent::MouseButtonRelease:
      m_dragging = false;
      return false;
    default:
      return false;
  }
}

void MainWindow::FitPreview() {
  m_preview.FitToPanel();
  showSize();
}

void MainWindow::ShowPreviewActualSize() {
  m_preview.ShowActualSize();
  showSize();
}

void MainWindow::hidePanels() {
  for (QGroupBox* box : panels()) box->hide();
}

// Item selection: the panel of the clicked item's kind, filled from the
// model (the panel's index is -1 while it is filled).
void MainWindow::onItemClicked(int page, int item) {
  m_shown = {page, item};
  hidePanels();
  m_ad->hide();
  switch (page) {
    case kPageSeal:
      m_seal->show();
      m_panels->FillSeal();
      break;
    case kPageText:
      if (item < 0 || item >= kTextCount) break;
      m_text->show();
      m_panels->FillText(item);
      break;
    case kPageFrame:
      if (item == 5) {
        m_clip->show();
        m_panels->FillClip();
      } else if (item >= 0 && item < kFrameCount) {
        m_frame->show();
        m_panels->FillFrame(item);
      }
      break;
    case kPageFigure:
      if (item < 0 || item >= kFigureCount) break;
      m_figure->show();
      m_panels->FillFigure(item);
      break;
    case kPageTemplate: loadTemplateItem(item); break;
    default: break;
  }
}

void MainWindow::onPageChanged(int page) {
  m_shown = {};
  // Files changed outside since the list was made get new pictures.
  if (page == kPageTemplate) requestTemplatePictures();
  hidePanels();
  if (bannerSlotOneHasPicture()) m_ad->show();
}

void MainWindow::loadTemplateItem(int item) {
  if (bannerSlotOneHasPicture()) m_ad->show();
  // A missing or unreadable file changes nothing; the preview is redrawn.
  // Read off this thread: a 16 MiB template takes seconds.
  m_templateReader->Read(m_accordion->ItemText(kPageTemplate, item).toStdString(), m_doc);
}

void MainWindow::FinishTemplateRead() { m_templateReader->Finish(); }

bool MainWindow::LoadTemplateFile(const std::string& path) {
  const bool read = ReadTemplateFile(m_doc, path);
  RedrawPreview();
  m_history->Reset(m_doc);  // the file opened is where editing starts
  return read;
}

void MainWindow::RefreshTemplateList() {
  const int n = m_accordion->ItemCount(kPageTemplate);
  for (int i = 0; i < n; ++i) m_accordion->RemoveItem(kPageTemplate, 0);
  for (const std::string& name : m_templates.ListNames())
    m_accordion->AppendItem(kPageTemplate, QString::fromStdString(name));
  requestTemplatePictures();
}

// The pictures come later, one by one; the list never waits for them.
void MainWindow::requestTemplatePictures() {
  if (!m_thumbnails) return;
  std::vector<TemplateThumbnails::File> files;
  const int n = m_accordion->ItemCount(kPageTemplate);
  files.reserve(size_t(n));
  for (int i = 0; i < n; ++i) {
    const QString name = m_accordion->ItemText(kPageTemplate, i);
    files.push_back({i, name, m_templates.PathOf(name.toStdString())});
  }
  m_thumbnails->Request(std::move(files));
}

void MainWindow::showTemplatePicture(int row, const QString& name, const QImage& picture) {
  QListWidget* list = m_accordion->PageList(kPageTemplate);
  QListWidgetItem* item = list ? list->item(row) : nullptr;
  if (!item || item->text() != name) return;  // the list changed meanwhile
  item->setIcon(picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
}

void MainWindow::FinishTemplatePictures() { m_thumbnails->Finish(); }

void MainWindow::onSaveTemplate() {
  m_banners->Refresh();
  const std::string name = m_templateName->text().toStdString();
  if (name.empty()) {
    ShowMessage("模板名称不能为空！", MessageIcon::Error);
    return;
  }
  for (int i = 0; i < m_accordion->ItemCount(kPageTemplate); ++i) {
    if (m_accordion->ItemText(kPageTemplate, i).toStdString() != name) continue;
    const MessageAnswer answer = ShowMessage(
        "当前模板名称已经存在，是否覆盖？\r\n\r\n* 点击 是 ，将会覆盖原来的模板；\r\n* 点击 否 ，取消添加；",
        MessageIcon::Question, true);
    if (answer != MessageAnswer::Yes) return;
    break;
  }
  // A name that would reach outside the folder is refused like a failed
  // write: nothing is written.
  if (m_templates.Save(m_doc, name)) {
    m_history->MarkClean();
    ShowMessage("添加模板成功！", MessageIcon::Information);
  } else {
    ShowMessage("添加模板失败！\r\n* 请检查模板名称是否已存在。", MessageIcon::Error);
  }
  RefreshTemplateList();
}

// PNG export: the bitmap the last render left, exactly; nothing is drawn
// again. A refused render left the previous bitmap, which is what is saved.
void MainWindow::onSavePicture() {
  m_banners->Refresh();
  SaveFileRequest request;
  request.title = "保存图片";
  request.initialName = "新图章";
  // PNG first and by default; the true vector forms beside it.
  // The second PNG choice trims the picture to the seal's outer edge, so
  // that its width is the seal's diameter.
  request.filter =
      "图片文件(*.png)|*.png|图片文件，裁到图章边缘(*.png)|*.png|矢量图 SVG(*.svg)|*.svg|PDF 文档(*.pdf)|*.pdf";
  request.initialFolder = ProgramFolder();
  request.defaultExt = "png";
  request.overwritePrompt = true;
  request.pathMustExist = true;
  int filter = 0;
  const std::string path = CommonDialogs().PickSaveFile(request, &filter);
  if (path.empty()) return;
  PrintOptions print;
  if (filter == 1 && OutputKindForPath(path) == OutputKind::Png) print.cropMm = 0;
  // Written atomically: a failed export never costs the file it replaces.
  // A FIFO or a device is refused: writing to one may wait for a reader
  // for ever, and the window with it.
  std::string bytes;
  const OutputKind kind = OutputKindForPath(path);
  if (kind == OutputKind::Png && !(m_doc.SizeMM > 0) && m_preview.Zoom() == 1 && !(print.cropMm >= 0)) {
    // What the newest change renders, not an older render still shown.
    m_preview.FinishPendingRender();
    if (!m_preview.Renderer().SealBitmap().SavePngTo(&bytes)) bytes.clear();
  } else {
    // A seal with a size on paper is drawn at that size (300 dpi for PNG).
    // Vector files are drawn from the model by the same renderer.
    std::string error;
    if (!EncodeSeal(m_doc, kind, print, &bytes, &error, &m_preview.Caches())) bytes.clear();
  }
  const bool saved = !bytes.empty() && WriteFileAtomically(path, bytes, SpecialFiles::Refuse);
  if (saved) m_history->MarkClean();
  if (saved)
    ShowMessage("保存图片成功！", MessageIcon::Information);
  else
    ShowMessage("保存图片失败！\r\n* 请检查图片是否被其他程序打开。", MessageIcon::Error);
}

}  // namespace korvane
