// The file, font and colour dialogs as calls that return plain values: a
// full path or the empty text, a FontChoice in whole points, a 0x00BBGGRR
// colour and a truth. Each dialog is modal to the active window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QFileDialog;
class QFont;
class QFontDialog;
class QColor;
class QString;

namespace korvane {

struct FontChoice {
  int32_t angle = 0;  // escapement in tenths of a degree; always 0
  bool bold = false;  // the chosen weight is exactly 700
  bool italic = false;
  bool strikeout = false;
  bool underline = false;
  int32_t size = 9;  // whole points
  std::string faceName = "宋体";
};

struct OpenFileRequest {
  bool preview = false;
  std::string title, initialName, filter, initialFolder, defaultExt;
  bool createPrompt = false, fileMustExist = false, pathMustExist = false, keepCurrentDir = false;
};

struct SaveFileRequest {
  bool preview = false;
  std::string title, initialName, filter, initialFolder, defaultExt;
  bool overwritePrompt = false, pathMustExist = false, keepCurrentDir = false;
};

struct FontRequest {
  std::string faceName;
  int32_t size = 0;      // points
  uint32_t colour = 0;   // 0x00BBGGRR; the dialog does not return it
  bool bold = false, italic = false, strikeout = false, underline = false;
};

// The bold box beside the font dialog's lists: the installed Chinese faces
// have no bold style of their own (the seal is emboldened when drawn), and
// without it a face so chosen could never be bold again.
inline constexpr char kFontBoldBoxName[] = "CheckBox_Font_Bold";

class CommonDialogs {
 public:
  std::string PickOpenFile(const OpenFileRequest& request);
  // Appends ".<defaultExt>" to a name typed without an extension, and asks
  // before overwriting an existing file when overwritePrompt is set. A
  // folder that does not exist (with pathMustExist) is said so, and a "no"
  // to replacing a file goes back to the dialog, as a desktop's own dialog
  // does; the empty text only when the user cancels.
  // `filterIndex`, when given, tells which of the request's filters was
  // chosen (from 0).
  std::string PickSaveFile(const SaveFileRequest& request, int* filterIndex = nullptr);
  // One full path per line ("\r\n" between them).
  std::string PickOpenFiles(bool preview, const std::string& title, const std::string& filter,
                            const std::string& initialFolder);
  // The default FontChoice when the user cancels; `chosen` tells the two
  // apart (a real choice of "宋体", 9 points, regular looks the same).
  FontChoice PickFont(const FontRequest& request, bool* chosen = nullptr);
};

// Opens at black, with custom colours that are not kept between calls.
// True and the colour (0x00BBGGRR) when the user confirms.
bool PickColor(uint32_t* colour);

// The extension of a Qt name filter's first pattern: "矢量图 (*.svg)" -> "svg".
std::string FilterExtension(const std::string& qtFilter);

// "description|patterns" pairs as Qt's name filters:
// "图片文件（jpg;bmp;png）|*.jpg;*.bmp;*.png" -> "图片文件（jpg;bmp;png） (*.jpg *.bmp *.png)";
// a description that already ends in its patterns keeps them once:
// "图片文件(*.png)|*.png" -> "图片文件(*.png)".
std::string QtNameFilters(const std::string& filter);

// What a dialog would return if a person answered it: tests install these
// so that no dialog ever waits for a person. A null answer is a cancel.
struct DialogAnswers {
  // Gets the prepared dialog (title, filters, folder, name) and returns the
  // path the user would pick, or nullopt to cancel.
  std::function<std::optional<std::string>(QFileDialog&)> file;
  // Whether an existing file may be replaced.
  std::function<bool(const std::string& path)> confirmOverwrite;
  // Told what a person would read in a notice (a folder that does not exist).
  std::function<void(const std::string& text)> notice;
  // Gets the prepared font dialog (the request's font current, our bold box
  // beside it) and answers as a person would: true for OK.
  std::function<bool(QFontDialog&)> font;
  std::function<std::optional<QColor>(const QColor& initial)> colour;
};

class ScopedDialogAnswers {
 public:
  explicit ScopedDialogAnswers(DialogAnswers answers);
  ~ScopedDialogAnswers();
  ScopedDialogAnswers(const ScopedDialogAnswers&) = delete;
  ScopedDialogAnswers& operator=(const ScopedDialogAnswers&) = delete;

 private:
  DialogAnswers m_previous;
};

}  // namespace korvane
