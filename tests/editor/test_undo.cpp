// Undo and redo: every kind of change is a step, typing in one box is one
// step until another control takes the focus, and undoing shows the panel
// with the restored value and redraws the preview.
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>

#include "dialogs/common_dialogs.h"
#include "document/template_format.h"
#include "editor/editor_fixture.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

class UndoTest : public test::EditorTest {
 protected:
  // The keys go where a user's keys go: the window's control with the focus.
  QWidget* keyTarget() {
    window().activateWindow();  // as after a popup closes on a desktop
    QApplication::processEvents();
    return window().focusWidget() ? window().focusWidget() : &window();
  }
  void undo() { QTest::keyClick(keyTarget(), Qt::Key_Z, Qt::ControlModifier); }
  void redo(bool shiftZ = false) {
    QWidget* target = keyTarget();
    if (shiftZ)
      QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    else
      QTest::keyClick(target, Qt::Key_Y, Qt::ControlModifier);
  }
  void focus(const char* name) {
    QWidget* w = find<QWidget>(name);
    ASSERT_NE(w, nullptr) << name;
    w->setFocus();
    QApplication::processEvents();
  }
  // What the preview shows, as the renderer's bitmap.
  std::vector<ARGB> preview() {
    window().Preview().FinishPendingRender();
    const GfxBitmap& b = window().Preview().Renderer().SealBitmap();
    std::vector<ARGB> pixels;
    for (int y = 0; y < int(b.GetHeight()); y += 7)
      for (int x = 0; x < int(b.GetWidth()); x += 7) pixels.push_back(test::Pixel(b, x, y));
    return pixels;
  }
};

TEST_F(UndoTest, TypingInOneBoxIsOneStepAndUndoShowsTheRestoredValue) {
  window().show();
  clickItem(kPageText, 0);
  const std::string start = TemplateText(window().Document());
  const auto startPixels = preview();
  focus("EditBox_Text_FontSize");
  type("EditBox_Text_FontSize", "55");  // three edits: cleared, "5", "55"
  EXPECT_EQ(window().Document().Text[0].FontSize, 55);
  EXPECT_EQ(window().History().Count(), 1);
  const auto typedPixels = preview();
  EXPECT_NE(typedPixels, startPixels);

  focus("EditBox_Text_Spacing");  // the focus moves on: the next edit is a new step
  type("EditBox_Text_Spacing", "2");
  EXPECT_EQ(window().History().Count(), 2);

  undo();
  EXPECT_EQ(window().Document().Text[0].Spacing, 8);
  EXPECT_EQ(box("EditBox_Text_Spacing")->text(), "8");
  undo();
  EXPECT_EQ(TemplateText(window().Document()), start);
  EXPECT_EQ(box("EditBox_Text_FontSize")->text(), "40");
  EXPECT_EQ(preview(), startPixels);
  redo();
  EXPECT_EQ(window().Document().Text[0].FontSize, 55);
  EXPECT_EQ(box("EditBox_Text_FontSize")->text(), "55");
  EXPECT_EQ(preview(), typedPixels);
  redo(true);
  EXPECT_EQ(window().Document().Text[0].Spacing, 2);
}

TEST_F(UndoTest, UndoShowsThePanelAndItemTheStepChanged) {
  window().show();
  clickItem(kPageFrame, 2);
  focus("EditBox_Frame_Width");
  type("EditBox_Frame_Width", "99");
  ASSERT_EQ(window().Document().Frame.Item[2].Width, 99);
  clickItem(kPageText, 1);  // somewhere else entirely
  undo();
  EXPECT_EQ(window().Document().Frame.Item[2].Width, 145);
  EXPECT_TRUE(find<QGroupBox>("GroupBox_Frame")->isVisible());
  EXPECT_EQ(window().CurrentFrame(), 3);
  EXPECT_EQ(box("EditBox_Frame_Width")->text(), "145");
}

TEST_F(UndoTest, ChecksAndCombosAreStepsAndANewChangeDropsTheRedoSteps) {
  window().show();
  clickItem(kPageFrame, 0);
  auto* transparent = find<QCheckBox>("CheckBox_Frame_BackTransparent");
  ASSERT_NE(transparent, nullptr);
  transparent->click();  // unticked: nothing stored until a colour is typed
  focus("EditBox_Frame_Back");
  type("EditBox_Frame_Back", "FF");
  const SealColor fillBefore = window().Document().Frame.Item[0].FillColor;
  ASSERT_EQ(fillBefore, 0xFF);
  transparent->click();  // ticked again, the focus still in the box: a step of its own
  ASSERT_EQ(window().Document().Frame.Item[0].FillColor, kNoColor);
  auto* frameType = find<QComboBox>("ComboBox_Frame_Type");
  pick(frameType, 2);
  ASSERT_EQ(window().Document().Frame.Item[0].Type, kFrameRectangle);
  EXPECT_EQ(window().History().Count(), 3);
  undo();
  EXPECT_EQ(window().Document().Frame.Item[0].Type, kFrameCircle);
  EXPECT_EQ(frameType->currentIndex(), 1);
  EXPECT_TRUE(window().History().CanRedo());
  focus("EditBox_Frame_Round");
  type("EditBox_Frame_Round", "3");
  EXPECT_FALSE(window().History().CanRedo());  // the new change dropped it
  undo();
  undo();
  EXPECT_EQ(window().Document().Frame.Item[0].FillColor, fillBefore);
  EXPECT_FALSE(transparent->isChecked());
  EXPECT_EQ(box("EditBox_Frame_Back")->text(), "0000FF");
}

TEST_F(UndoTest, ATemplateReadIsAStepOfItsOwn) {
  window().show();
  saveTemplateAs("甲");
  window().Document().Text[0].szText = "别的字";
  window().RedrawPreview();
  const int before = window().History().Count();
  clickItem(kPageTemplate, 0);
  window().FinishTemplateRead();
  ASSERT_NE(window().Document().Text[0].szText, "别的字");
  EXPECT_EQ(window().History().Count(), before + 1);
  undo();
  EXPECT_EQ(window().Document().Text[0].szText, "别的字");
}

// 150 changes, then 150 undos: the start-up seal, exactly.
TEST_F(UndoTest, ManyStepsUndoneGiveBackTheStartExactly) {
  window().show();
  clickItem(kPageSeal, 0);
  const std::string start = TemplateText(window().Document());
  for (int i = 0; i < 150; ++i) {
    focus(i % 2 ? "EditBox_Seal_Width" : "EditBox_Seal_Height");
    type(i % 2 ? "EditBox_Seal_Width" : "EditBox_Seal_Height", QString::number(300 + i));
  }
  EXPECT_EQ(window().History().Count(), 150);
  for (int i = 0; i < 150; ++i) window().Undo();
  EXPECT_EQ(TemplateText(window().Document()), start);
  EXPECT_FALSE(window().History().CanUndo());
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// Closing with changes not kept asks first: 取消 keeps the window, 保存
// writes the design where the dialog says, 不保存 closes. A saved or
// exported design closes without asking.
TEST_F(UndoTest, ClosingWithUnsavedChangesAsksToSaveThem) {
  window().show();
  const auto close = [&] {
    QCloseEvent event;
    QApplication::sendEvent(&window(), &event);
    return event.isAccepted();
  };
  EXPECT_TRUE(close());  // nothing changed
  EXPECT_TRUE(messages.empty());
  window().Document().Text[0].szText = "改过";
  window().RedrawPreview();

  answers = {MessageAnswer::Cancel};
  EXPECT_FALSE(close());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "图章已修改，是否保存为模板文件？");

  const std::string file = (m_dir / "存.qsx_tzl").string();
  DialogAnswers dialogs;
  dialogs.file = [&](QFileDialog&) -> std::optional<std::string> { return file; };
  ScopedDialogAnswers scoped(dialogs);
  answers = {MessageAnswer::Yes};
  EXPECT_TRUE(close());
  SealDocument back = CreateSealDocument();
  ASSERT_TRUE(ReadTemplateFile(back, file));
  EXPECT_EQ(back.Text[0].szText, "改过");
  EXPECT_TRUE(close());  // saved: no question

  window().Document().Text[0].szText = "又改";
  window().RedrawPreview();
  answers = {MessageAnswer::No};
  EXPECT_TRUE(close());
}

// Ctrl+O opens any template file, as one step; a dropped file opens too.
TEST_F(UndoTest, AnyTemplateFileOpensByKeysOrByDropping) {
  window().show();
  SealDocument other = StartupSealDocument();
  other.Text[0].szText = "别处的章";
  const std::string file = (m_dir / "别处.qsx_tzl").string();
  ASSERT_TRUE(WriteTemplate(other, file));
  DialogAnswers dialogs;
  dialogs.file = [&](QFileDialog&) -> std::optional<std::string> { return file; };
  ScopedDialogAnswers scoped(dialogs);
  QTest::keyClick(keyTarget(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(window().Document().Text[0].szText, "别处的章");
  undo();
  EXPECT_EQ(window().Document().Text[0].szText, "Velmora科技");

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window(), &drop);
  EXPECT_EQ(window().Document().Text[0].szText, "别处的章");
}

}  // namespace
}  // namespace korvane
