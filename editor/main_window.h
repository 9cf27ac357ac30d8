// The main window: the accordion of seal items, the property panels below
// it (one visible at a time), the preview on the right, and the row with
// the template name, the template button and the save-picture button.
#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "document/seal_document.h"
#include "document/template_store.h"
#include "editor/banner_service.h"
#include "editor/edit_history.h"
#include "editor/property_panels.h"
#include "editor/seal_preview.h"
#include "web/banners.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

namespace korvane {

class Accordion;
class CanvasPanel;

// Accordion pages, from 0.
enum AccordionPage : int { kPageSeal = 0, kPageText = 1, kPageFrame = 2, kPageFigure = 3, kPageTemplate = 4 };

inline constexpr const char kWindowTitle[] = "Korvane 1.0    By:Tolvane";

class MainWindow : public QWidget, public PanelHost {
  Q_OBJECT

 public:
  // Builds the window and runs the start-up steps: the drawing layer, the
  // template list, the start-up seal and the first preview, all before
  // the window takes input; then the banner downloads start. An empty
  // banner address leaves its slot empty without a request.
  // Templates are stored in `templates`.
  explicit MainWindow(const BannerAddressList& bannerAddresses = BannerAddressList{},
                      TemplateStore templates = TemplateStore(), QWidget* parent = nullptr);
  ~MainWindow() override;

  SealDocument& Document() override { return m_doc; }
  SealPreview& Preview() { return m_preview; }
  const GfxTextureBrush& CheckerBrush() override { return m_preview.CheckerBrush(); }

  // The one redraw entry every change of the model ends with.
  void RedrawPreview() override;
  void NoteEditSource(const QObject* source) override { m_editSource = source; }

  // Reads a template file over the current seal and redraws (at start, with
  // the file named on the command line). False when it could not be read.
  bool LoadTemplateFile(const std::string& path);

  // Rebuilds the "模板" page from the template folder.
  void RefreshTemplateList();

  // A banner slot's bytes (empty: no picture), from 0.
  const ByteArray& BannerSlot(int slot) const { return m_banners->Slot(slot); }
  // Whether a banner download asked for so far is still running.
  bool BannerDownloadsRunning() const { return m_banners->Running(); }

  // Waits until a template clicked on the template page is read and shown.
  void FinishTemplateRead();
  // Waits until the template page's pictures are drawn and shown.
  void FinishTemplatePictures();

  // Ctrl+Z; Ctrl+Y and Ctrl+Shift+Z.
  void Undo();
  void Redo();
  // Ctrl+O and Ctrl+S: a template file anywhere, through the file dialogs.
  void OpenTemplateFile();
  void SaveTemplateFile();
  // "新建": asks for a preset and replaces the seal with it.
  void NewSealFromPreset();
  // "盖章到PDF": asks for a PDF and opens the stamping dialog on it.
  void StampPdfFile();
  // Ctrl+0 and Ctrl+1: the seal fitted to the preview, or at its own pixels.
  void FitPreview();
  void ShowPreviewActualSize();
  const EditHistory& History() const { return *m_history; }

  int CurrentText() const { return m_panels->CurrentText(); }
  int CurrentFrame() const { return m_panels->CurrentFrame(); }
  int CurrentFigure() const { return m_panels->CurrentFigure(); }

 private:
  void buildControls();
  void installUndoKeys();
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool previewEvent(QEvent* event);
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool openTemplatePath(const std::string& path);
  bool saveTemplateFile();
  void restore(const SealDocument& doc, EditPlace place);
  void showSize();
  void onItemClicked(int page, int item);
  void onPageChanged(int page);
  void requestTemplatePictures();
  void showTemplatePicture(int row, const QString& name, const QImage& picture);
  void onSaveTemplate();
  void onSavePicture();
  // The five property panels (not the banner box), in the order they hide.
  std::array<QGroupBox*, 5> panels() const { return {m_clip, m_figure, m_frame, m_seal, m_text}; }
  void hidePanels();
  void loadTemplateItem(int item);
  // The banners: downloaded and decoded by the banner service at start and
  // after both save buttons; the pictures come back to this thread.
  void setBannerSlot(int slot, const QImage& picture);
  bool bannerSlotOneHasPicture() const { return m_bannerOneShown; }
  bool anyPanelVisible() const;

  const TemplateStore m_templates;
  SealDocument m_doc;
  SealPreview m_preview;
  std::unique_ptr<PropertyPanels> m_panels;

  Accordion* m_accordion = nullptr;
  QGroupBox* m_seal = nullptr;
  QGroupBox* m_text = nullptr;
  QGroupBox* m_frame = nullptr;
  QGroupBox* m_clip = nullptr;
  QGroupBox* m_figure = nullptr;
  QGroupBox* m_ad = nullptr;
  std::array<QLabel*, 3> m_adPictures{};
  QFrame* m_splitter = nullptr;
  CanvasPanel* m_previewPanel = nullptr;
  QLabel* m_sizeLine = nullptr;
  QLineEdit* m_templateName = nullptr;
  QPushButton* m_saveTemplate = nullptr;
  QPushButton* m_newSeal = nullptr;
  QPushButton* m_stampPdf = nullptr;
  QPushButton* m_savePicture = nullptr;

  EditHistory* m_history = nullptr;
  EditPlace m_shown;  // the page and item whose panel is shown
  const QObject* m_editSource = nullptr;  // the control the change being drawn came from
  BannerService* m_banners = nullptr;
  class TemplateReader* m_templateReader = nullptr;
  class TemplateThumbnails* m_thumbnails = nullptr;
  bool m_bannerOneShown = false;
  double m_wheelZoom = 0;  // wheel notches not yet turned into a zoom step
  QPoint m_dragFrom;
  bool m_dragging = false;
};

}  // namespace korvane
