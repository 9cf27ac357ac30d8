// A main window on a template folder of its own, with message boxes
// answered by the test and recorded.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

#include "document/template_store.h"
#include "editor/accordion.h"
#include "editor/main_window.h"
#include "editor/message_box.h"
#include "support/temp_dir.h"

namespace korvane::test {

// The preview's checkerboard colour at a canvas pixel: 8-pixel squares,
// white first.
inline uint32_t CheckerAt(int x, int y) { return ((x / 8 + y / 8) % 2 == 0) ? 0xFFFFFFFFu : 0xFFDFDFDFu; }

// What the preview shows where a seal pixel (straight ARGB) lies over the
// checkerboard's colour.
inline uint32_t Composed(uint32_t seal, uint32_t checker) {
  const uint32_t a = seal >> 24;
  auto mix = [&](int shift) {
    const uint32_t s = (seal >> shift) & 0xFF, c = (checker >> shift) & 0xFF;
    return (s * a + c * (255 - a) + 127) / 255;
  };
  return 0xFF000000u | (mix(16) << 16) | (mix(8) << 8) | mix(0);
}

struct Message {
  std::string text;
  MessageIcon icon;
  bool yesNo;
};

class EditorTest : public ::testing::Test {
 protected:
  EditorTest()
      : m_messages([this](const std::string& text, MessageIcon icon, bool yesNo) {
          messages.push_back({text, icon, yesNo});
          if (answers.empty()) return yesNo ? MessageAnswer::No : MessageAnswer::Ok;
          const MessageAnswer a = answers.front();
          answers.pop_front();
          return a;
        }) {}

  MainWindow& window() {
    if (!m_window) m_window = std::make_unique<MainWindow>(BannerAddressList{}, templates());
    return *m_window;
  }
  template <typename T>
  T* find(const char* name) {
    return window().findChild<T*>(QString::fromLatin1(name));
  }
  Accordion* accordion() { return find<Accordion>("Accordion_Main"); }
  std::filesystem::path folder() const { return m_dir / "图章模板"; }
  TemplateStore templates() const { return TemplateStore(folder().string()); }

  // Clicks an item as a user does: the mouse on the item's row.
  void clickItem(int page, int item) {
    accordion()->setCurrentIndex(page);
    QListWidget* list = accordion()->PageList(page);
    ASSERT_NE(list, nullptr);
    ASSERT_LT(item, list->count());
    window().show();
    QApplication::processEvents();
    const QRect rect = list->visualItemRect(list->item(item));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  }

  // Picks a combo box's item as a user does: the list opened, the item
  // clicked, even when it is the one already shown.
  void pick(QComboBox* combo, int index) {
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    const QRect rect = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QApplication::processEvents();
  }

  QLineEdit* box(const char* name) { return find<QLineEdit>(name); }
  // Types into an edit box as a user does: the old text selected and
  // replaced, key by key.
  void type(const char* name, const QString& text) {
    QLineEdit* e = box(name);
    ASSERT_NE(e, nullptr) << name;
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    // Keys for what a keyboard types; the rest arrives as an input method
    // commits it, character by character.
    for (const QChar c : text) {
      if (c.unicode() < 0x80)
        QTest::keyClick(e, c.toLatin1());
      else
        e->insert(QString(c));
    }
  }

  void saveTemplateAs(const QString& name) {
    auto* edit = find<QLineEdit>("EditBox_Template_Name");
    edit->setText(name);
    QTest::mouseClick(find<QPushButton>("Button_SaveTemplate"), Qt::LeftButton);
  }

  TempDir m_dir;
  std::vector<Message> messages;
  std::deque<MessageAnswer> answers;

 private:
  ScopedMessageHandler m_messages;
  std::unique_ptr<MainWindow> m_window;
};

}  // namespace korvane::test
