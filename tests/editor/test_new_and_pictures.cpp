// New seals from presets, and the pictures of the stored templates.
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <thread>

#include "document/presets.h"
#include "document/template_format.h"
#include "editor/editor_fixture.h"
#include "editor/preset_chooser.h"
#include "editor/template_thumbnails.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

using test::EditorTest;

class NewSealTest : public EditorTest {
 protected:
  // Clicks "新建…" and answers the chooser as a person does: the preset's
  // picture clicked, then the button (or cancel).
  void chooseFromNew(const std::string& preset, bool cancel = false) {
    bool answered = false;
    QStringList offered;
    QTimer answer;  // gone with this call, answered or not
    answer.setSingleShot(true);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* chooser = qobject_cast<PresetChooser*>(QApplication::activeModalWidget());
      ASSERT_NE(chooser, nullptr);
      auto* list = chooser->findChild<QListWidget*>("List_Presets");
      for (int i = 0; i < list->count(); ++i) {
        offered << list->item(i)->text();
        EXPECT_FALSE(list->item(i)->icon().isNull()) << i;
        if (list->item(i)->data(Qt::UserRole).toString().toStdString() != preset) continue;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(i)).center());
      }
      if (cancel) {
        chooser->reject();
      } else {
        QTest::mouseClick(chooser->findChild<QPushButton*>("Button_Create"), Qt::LeftButton);
      }
      answered = true;
    });
    answer.start(0);
    window().show();
    QTest::mouseClick(find<QPushButton>("Button_NewSeal"), Qt::LeftButton);
    EXPECT_TRUE(answered);
    EXPECT_EQ(offered.size(), int(ListPresets().size()));
    if (!offered.isEmpty()) { EXPECT_EQ(offered.front().toStdString(), "公司章 42 毫米"); }
  }
};

TEST_F(NewSealTest, APresetChosenReplacesTheSealAsOneStepThatUndoes) {
  MainWindow& w = window();
  const SealDocument start = w.Document();
  chooseFromNew("invoice");
  SealDocument invoice = CreateSealDocument();
  ASSERT_TRUE(LoadPreset(invoice, "invoice"));
  EXPECT_EQ(TemplateText(w.Document()), TemplateText(invoice));
  // 840 x 640 pixels do not fit the 665-pixel panel: shown whole.
  EXPECT_DOUBLE_EQ(w.Preview().Zoom(), 665.0 / 840);
  EXPECT_NE(find<QLabel>("Label_SealSize")->text().indexOf("40 毫米"), -1);

  w.Undo();
  EXPECT_EQ(TemplateText(w.Document()), TemplateText(start));
  w.Redo();
  EXPECT_EQ(TemplateText(w.Document()), TemplateText(invoice));
}

TEST_F(NewSealTest, ACancelledChooserChangesNothing) {
  MainWindow& w = window();
  const std::string before = TemplateText(w.Document());
  chooseFromNew("company-42", true);
  EXPECT_EQ(TemplateText(w.Document()), before);
  EXPECT_FALSE(w.History().CanUndo());
}

TEST_F(NewSealTest, EveryShippedPresetHasAChineseCaption) {
  for (const std::string& name : ListPresets())
    EXPECT_NE(PresetCaption(name).toStdString(), name) << name;
}

class TemplatePictureTest : public EditorTest {
 protected:
  void store(const std::string& name, SealColor back) {
    SealDocument doc = CreateSealDocument();
    doc.Width = doc.Height = 100;
    doc.BackColor = back;
    ASSERT_TRUE(templates().Save(doc, name));
  }
  QListWidget* list() { return accordion()->PageList(kPageTemplate); }
  // The colour in the middle of a template's picture.
  QRgb middleOf(int row) {
    const QIcon icon = list()->item(row)->icon();
    if (icon.isNull()) return 0;
    const QImage image = icon.pixmap(TemplateThumbnails::kSide).toImage();
    return image.pixel(image.width() / 2, image.height() / 2);
  }
};

TEST_F(TemplatePictureTest, EachTemplateShowsItsPictureAndAChangedFileGetsANewOne) {
  store("红", 0x0000FF);
  store("绿", 0x00FF00);
  MainWindow& w = window();
  w.FinishTemplatePictures();
  ASSERT_EQ(list()->count(), 2);
  EXPECT_EQ(list()->item(0)->text().toStdString() < list()->item(1)->text().toStdString(), true);
  for (int row = 0; row < 2; ++row) {
    const QRgb expected = list()->item(row)->text() == QStringLiteral("红") ? qRgb(255, 0, 0) : qRgb(0, 255, 0);
    EXPECT_EQ(middleOf(row), expected) << row;
  }

  // Rewritten outside the editor, seen when the page is opened again.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  store("红", 0xFF0000);
  accordion()->setCurrentIndex(kPageSeal);
  accordion()->setCurrentIndex(kPageTemplate);
  w.FinishTemplatePictures();
  const int red = list()->item(0)->text() == QStringLiteral("红") ? 0 : 1;
  EXPECT_EQ(middleOf(red), qRgb(0, 0, 255));
}

TEST_F(TemplatePictureTest, AFileThatIsNotATemplateListsWithoutAPicture) {
  store("好", 0x0000FF);
  std::filesystem::create_directories(folder());
  FILE* f = std::fopen((folder() / "坏.qsx_tzl").string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("not a template", f);
  std::fclose(f);
  window().FinishTemplatePictures();
  ASSERT_EQ(list()->count(), 2);
  int withPicture = 0;
  for (int row = 0; row < 2; ++row) withPicture += !list()->item(row)->icon().isNull();
  EXPECT_EQ(withPicture, 1);
}

TEST_F(TemplatePictureTest, FiveHundredTemplatesListAtOnceAndTheirPicturesFollow) {
  for (int i = 0; i < 500; ++i) store("模板" + std::to_string(1000 + i), SealColor(i * 0x010203));
  const auto start = std::chrono::steady_clock::now();
  MainWindow& w = window();
  const auto listed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(list()->count(), 500);
  // The list did not wait for 500 reads and renders.
  int shownAtOnce = 0;
  for (int row = 0; row < 500; ++row) shownAtOnce += !list()->item(row)->icon().isNull();
  EXPECT_LT(shownAtOnce, 500);
  w.FinishTemplatePictures();
  for (int row = 0; row < 500; ++row) ASSERT_FALSE(list()->item(row)->icon().isNull()) << row;
  std::printf("[ INFO ] 500 templates listed in %.1f ms\n",
              std::chrono::duration<double, std::milli>(listed).count());
}

}  // namespace
}  // namespace korvane
