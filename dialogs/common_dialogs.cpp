#include <algorithm>
#include "dialogs/common_dialogs.h"
#include "dialogs/qt_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace korvane {

namespace {

DialogAnswers& answers() {
  static DialogAnswers a;
  return a;
}


void prepare(QFileDialog& dialog, const std::string& title, const std::string& filter,
             const std::string& initialFolder, const std::string& initialName) {
  if (!title.empty()) dialog.setWindowTitle(ToQString(title));
  dialog.setNameFilters(ToQString(QtNameFilters(filter)).split(QStringLiteral(";;"), Qt::SkipEmptyParts));
  if (!initialFolder.empty()) dialog.setDirectory(ToQString(initialFolder));
  if (!initialName.empty()) dialog.selectFile(ToQString(initialName));
  dialog.setWindowModality(Qt::ApplicationModal);
  // Qt's own dialog: the same everywhere, and it tells which filter is chosen.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
}

// The path the dialog ends with, or nullopt when it was cancelled.
std::optional<std::string> run(QFileDialog& dialog) {
  if (answers().file) return answers().file(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return FromQString(dialog.selectedFiles().front());
}

void notice(const std::string& text) {
  if (answers().notice) return answers().notice(text);
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QStringLiteral("保存图片"));
  box.setIcon(QMessageBox::Warning);
  box.setText(ToQString(text));
  box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
  box.exec();
}

bool confirmOverwrite(const std::string& path) {
  if (answers().confirmOverwrite) return answers().confirmOverwrite(path);
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QStringLiteral("确认另存为"));
  box.setIcon(QMessageBox::Warning);
  box.setText(QStringLiteral("%1 已存在。\n要替换它吗？").arg(QFileInfo(ToQString(path)).fileName()));
  QPushButton* yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
  box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
  box.exec();
  return box.clickedButton() == yes;
}

}  // namespace

std::string QtNameFilters(const std::string& filter) {
  std::string out;
  size_t at = 0;
  while (at < filter.size()) {
    const size_t bar = filter.find('|', at);
    const std::string description = filter.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
    std::string patterns;
    if (bar != std::string::npos) {
      const size_t next = filter.find('|', bar + 1);
      patterns = filter.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
      at = next == std::string::npos ? filter.size() : next + 1;
    } else {
      at = filter.size();
    }
    for (char& c : patterns)
      if (c == ';') c = ' ';
    if (!out.empty()) out += ";;";
    const std::string own = "(" + patterns + ")";
    const bool named = description.size() >= own.size() && description.compare(description.size() - own.size(), own.size(), own) == 0;
    out += named ? description : description + " " + own;
  }
  return out;
}

std::string FilterExtension(const std::string& qtFilter) {
  const size_t star = qtFilter.rfind("(*.");
  if (star == std::string::npos) return {};
  std::string ext;
  for (size_t i = star + 3; i < qtFilter.size() && qtFilter[i] != ')' && qtFilter[i] != ' ' && qtFilter[i] != '*'; ++i)
    ext += qtFilter[i];
  return ext;
}

std::string CommonDialogs::PickOpenFile(const OpenFileRequest& r) {
  QFileDialog dialog(QApplication::activeWindow());
  prepare(dialog, r.title, r.filter, r.initialFolder, r.initialName);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(r.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!r.defaultExt.empty()) dialog.setDefaultSuffix(ToQString(r.defaultExt));
  return run(dialog).value_or(std::string());
}

std::string CommonDialogs::PickSaveFile(const SaveFileRequest& r, int* filterIndex) {
  QFileDialog dialog(QApplication::activeWindow());
  prepare(dialog, r.title, r.filter, r.initialFolder, r.initialName);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The question is asked below, once the extension is in place.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  // Until a usable name or a cancel; bounded, in case an answer never ends.
  for (int round = 0; round < 1000; ++round) {
    std::optional<std::string> path = run(dialog);
    if (!path || path->empty()) return {};
    const QFileInfo info(ToQString(*path));
    // A name typed without an extension takes the chosen filter's, or the
    // default one.
    if (info.suffix().isEmpty()) {
      const std::string fromFilter = FilterExtension(FromQString(dialog.selectedNameFilter()));
      const std::string ext = fromFilter.empty() ? r.defaultExt : fromFilter;
      if (!ext.empty()) *path += "." + ext;
    }
    const QFileInfo chosen(ToQString(*path));
    if (r.pathMustExist && !chosen.absoluteDir().exists()) {
      notice(FromQString(chosen.absolutePath()) + "\n路径不存在。\n请检查路径是否正确，然后重试。");
      continue;
    }
    if (r.overwritePrompt && chosen.exists() && !confirmOverwrite(*path)) continue;
    if (filterIndex) *filterIndex = std::max(0, int(dialog.nameFilters().indexOf(dialog.selectedNameFilter())));
    return *path;
  }
  return {};
}

std::string CommonDialogs::PickOpenFiles(bool, const std::string& title, const std::string& filter,
                                         const std::string& initialFolder) {
  QFileDialog dialog(QApplication::activeWindow());
  prepare(dialog, title, filter, initialFolder, {});
  dialog.setFileMode(QFileDialog::ExistingFiles);
  if (answers().file) return answers().file(dialog).value_or(std::string());
  if (dialog.exec() != QDialog::Accepted) return {};
  return FromQString(dialog.selectedFiles().join(QStringLiteral("\r\n")));
}

FontChoice CommonDialogs::PickFont(const FontRequest& r, bool* chosen) {
  FontChoice result;
  QFont initial(ToQString(r.faceName));
  if (r.size > 0) initial.setPointSize(r.size);
  initial.setWeight(r.bold ? QFont::Bold : QFont::Normal);
  initial.setItalic(r.italic);
  initial.setStrikeOut(r.strikeout);
  initial.setUnderline(r.underline);

  QFontDialog dialog(initial, QApplication::activeWindow());
  dialog.setOption(QFontDialog::DontUseNativeDialog, true);
  dialog.setWindowModality(Qt::ApplicationModal);
  // Bold is ours to keep: a face without a bold style offers none in the
  // lists, and the seal emboldens any face. Choosing a bold style ticks it.
  auto* bold = new QCheckBox(QStringLiteral("粗体"), &dialog);
  bold->setObjectName(QString::fromLatin1(kFontBoldBoxName));
  bold->setChecked(r.bold);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(bold, grid->rowCount(), 0, 1, grid->columnCount());
  else if (dialog.layout())
    dialog.layout()->addWidget(bold);
  QObject::connect(&dialog, &QFontDialog::currentFontChanged, bold, [bold](const QFont& font) {
    if (font.weight() >= QFont::Bold) bold->setChecked(true);
  });
  const bool accepted = answers().font ? answers().font(dialog) : dialog.exec() == QDialog::Accepted;
  if (chosen) *chosen = accepted;
  if (!accepted) return result;
  const QFont font = dialog.currentFont();
  result.faceName = FromQString(font.family());
  // Whole points, truncated: 10.5 points is 10.
  result.size = int32_t(font.pointSizeF());
  result.bold = bold->isChecked();
  result.italic = font.italic();
  result.strikeout = font.strikeOut();
  result.underline = font.underline();
  return result;
}

bool PickColor(uint32_t* colour) {
  // Opens at black; the custom colours start as the same grey every time.
  const QColor black(0, 0, 0);
  std::optional<QColor> picked;
  if (answers().colour) {
    picked = answers().colour(black);
  } else {
    for (int i = 0; i < QColorDialog::customCount(); ++i) QColorDialog::setCustomColor(i, QColor(0x20, 0x20, 0x20));
    const QColor c = QColorDialog::getColor(black, QApplication::activeWindow());
    if (c.isValid()) picked = c;
  }
  if (!picked || !picked->isValid()) return false;
  if (colour) *colour = uint32_t(picked->red()) | (uint32_t(picked->green()) << 8) | (uint32_t(picked->blue()) << 16);
  return true;
}

ScopedDialogAnswers::ScopedDialogAnswers(DialogAnswers a) : m_previous(std::move(answers())) {
  answers() = std::move(a);
}

ScopedDialogAnswers::~ScopedDialogAnswers() { answers() = std::move(m_previous); }

}  // namespace korvane
