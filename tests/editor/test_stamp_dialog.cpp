// "盖章到PDF": the seal shown on the page at its true scale, dragged into
// place and saved through the stamper; measured in the written file.
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>

#include "dialogs/common_dialogs.h"
#include "document/presets.h"
#include "editor/editor_fixture.h"
#include "editor/stamp_dialog.h"
#include "stamp/test_documents.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

class StampDialogTest : public test::EditorTest {
 protected:
  StampDialogTest() {
    std::ofstream(path("contract.pdf"), std::ios::binary) << test::TextPdf({{}, {}});
    window().Document() = StartupSealDocument();
    EXPECT_TRUE(LoadPreset(window().Document(), "company-42"));
    window().RedrawPreview();
  }
  fs::path path(const char* name) const { return m_dir / name; }

  // Clicks "盖章到PDF", picks `pdf` in the open dialog and `saveAs` in the
  // save dialog, and lets `operate` work the stamping dialog as a user does.
  void stampThroughTheWindow(const fs::path& pdf, const fs::path& saveAs,
                             const std::function<void(StampDialog&)>& operate) {
    DialogAnswers dialogs;
    dialogs.file = [&](QFileDialog& d) {
      return std::optional<std::string>(d.acceptMode() == QFileDialog::AcceptOpen ? pdf.string() : saveAs.string());
    };
    ScopedDialogAnswers scoped(dialogs);
    bool operated = false;
    // Gone with this call: a dialog that never opens leaves no answer
    // pending for the next test.
    QTimer answer;
    answer.setSingleShot(true);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<StampDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      operate(*dialog);
      operated = true;
      if (dialog->isVisible()) dialog->reject();
    });
    answer.start(0);
    window().show();
    QTest::mouseClick(find<QPushButton>("Button_StampPdf"), Qt::LeftButton);
    if (fs::exists(pdf) && messages.empty()) {
      EXPECT_TRUE(operated);
    }
  }
};

TEST_F(StampDialogTest, TheSealDraggedOnThePageIsStampedThereAtItsTrueSize) {
  double x = 0, y = 0;
  int shownWidth = 0;
  answers = {MessageAnswer::Ok};
  stampThroughTheWindow(path("contract.pdf"), path("stamped.pdf"), [&](StampDialog& d) {
    StampPageView* view = d.View();
    EXPECT_EQ(d.Options().pages, std::vector<int>{2});  // the last page first
    // Dragged from its centre 60 pixels left and 200 up.
    const QPoint from = view->ToWidget(view->CentreX(), view->CentreY()).toPoint();
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, from + QPoint(-60, -200));
    QTest::mouseRelease(view, Qt::LeftButton, {}, from + QPoint(-60, -200));
    x = view->CentreX(), y = view->CentreY();
    // The seal at its true scale, off the black rule: 42 mm at 600 pixels
    // for 297 mm.
    const QImage shown = view->grab().toImage();
    int left = shown.width(), right = -1;
    for (int py = 0; py < shown.height(); ++py)
      for (int px = 0; px < shown.width(); ++px) {
        const QColor c = shown.pixelColor(px, py);
        if (c.red() - c.green() > 90) left = std::min(left, px), right = std::max(right, px);
      }
    shownWidth = right - left + 1;
    QTest::mouseClick(d.findChild<QPushButton*>("Button_StampSave"), Qt::LeftButton);
  });
  EXPECT_NEAR(shownWidth, 42 * 600 / 297.0, 2);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "盖章成功！");
  std::ifstream in(path("stamped.pdf"), std::ios::binary);
  const std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const test::Found f = test::findSeal(out, 2, x, y, 27);
  EXPECT_NEAR(f.widthMm, 42, 0.1);
  EXPECT_NEAR(f.centreXMm, x, 0.2);
  EXPECT_NEAR(f.centreYMm, y, 0.2);
  EXPECT_LT(x, 169 - 20);  // moved from the lower right
  EXPECT_EQ(test::findSeal(out, 1, x, y, 27).pixels, 0);
}

TEST_F(StampDialogTest, ACrossPageSealShowsEachPagesSliceAtItsEdge) {
  stampThroughTheWindow(path("contract.pdf"), path("unused.pdf"), [&](StampDialog& d) {
    d.findChild<QCheckBox*>("Check_StampCrossPage")->click();
    const StampOptions o = d.Options();
    EXPECT_TRUE(o.crossPage);
    EXPECT_EQ(o.crossFirst, 1);
    EXPECT_EQ(o.crossLast, 2);
    // Page 2 of 2 carries the seal's right half, at the page's right edge.
    const QImage shown = d.View()->grab().toImage();
    int left = shown.width(), right = -1;
    for (int py = 0; py < shown.height(); ++py)
      for (int px = 0; px < shown.width(); ++px) {
        const QColor c = shown.pixelColor(px, py);
        if (c.red() - c.green() > 90) left = std::min(left, px), right = std::max(right, px);
      }
    EXPECT_GE(right, shown.width() - 2);
    EXPECT_NEAR(right - left + 1, 21 * 600 / 297.0, 2);
  });
}

TEST_F(StampDialogTest, ASignedDocumentIsStampedOnlyAfterAYes) {
  std::ofstream(path("signed.pdf"), std::ios::binary) << test::EditPdf(test::TextPdf({{}}), {.signature = true});
  for (MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
    messages.clear();
    answers = {answer, MessageAnswer::Ok};
    stampThroughTheWindow(path("signed.pdf"), path("signed-stamped.pdf"), [](StampDialog& d) {
      QTest::mouseClick(d.findChild<QPushButton*>("Button_StampSave"), Qt::LeftButton);
    });
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages[0].text.find("数字签名"), std::string::npos);
    EXPECT_EQ(fs::exists(path("signed-stamped.pdf")), answer == MessageAnswer::Yes);
  }
}

TEST_F(StampDialogTest, AFileThatIsNotAPdfIsSaidSo) {
  std::ofstream(path("notes.pdf")) << "just words\n";
  stampThroughTheWindow(path("notes.pdf"), path("unused.pdf"), [](StampDialog&) { ADD_FAILURE() << "opened"; });
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find("打开PDF失败"), std::string::npos);
}

}  // namespace
}  // namespace korvane
