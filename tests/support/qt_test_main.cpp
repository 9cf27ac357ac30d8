// The main of the editor's tests: a QApplication on the offscreen platform,
// so the real widgets run without a display, and Fontconfig released at
// the end as in every other test binary.
#include <QApplication>
#include <QFontDialog>
#include <QColor>
#include <QFont>
#include <cstdlib>
#include <gtest/gtest.h>

#include "dialogs/common_dialogs.h"
#include "editor/message_box.h"
#include "drawing/text/font_config.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  int result = 0;
  {
    QApplication app(argc, argv);
    // No test ever waits for a person: a dialog or message box that a test
    // did not answer fails it and is cancelled.
    korvane::DialogAnswers unexpected;
    unexpected.file = [](QFileDialog&) {
      ADD_FAILURE() << "a file dialog the test did not answer";
      return std::optional<std::string>();
    };
    unexpected.confirmOverwrite = [](const std::string&) {
      ADD_FAILURE() << "an overwrite question the test did not answer";
      return false;
    };
    unexpected.font = [](QFontDialog&) {
      ADD_FAILURE() << "a font dialog the test did not answer";
      return false;
    };
    unexpected.notice = [](const std::string& text) { ADD_FAILURE() << "a notice the test did not answer: " << text; };
    unexpected.colour = [](const QColor&) {
      ADD_FAILURE() << "a colour dialog the test did not answer";
      return std::optional<QColor>();
    };
    korvane::ScopedDialogAnswers dialogs(unexpected);
    korvane::ScopedMessageHandler messages([](const std::string& text, korvane::MessageIcon, bool) {
      ADD_FAILURE() << "a message box the test did not answer: " << text;
      return korvane::MessageAnswer::No;
    });
    result = RUN_ALL_TESTS();
  }
  korvane::ReleaseFontConfiguration();
  return result;
}
