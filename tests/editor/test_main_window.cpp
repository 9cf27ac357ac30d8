// The main window as a user meets it: layout, start-up preview, accordion
// clicks and the template flow, on Qt's offscreen platform.
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "document/template_format.h"
#include "editor/editor_fixture.h"
#include "editor/editor_fonts.h"
#include "editor/translations.h"
#include "editor/window_surface.h"
#include "render/seal_cases.h"
#include "support/image_compare.h"
#include "support/run_command.h"
#include "support/loopback_server.h"

namespace korvane {
namespace {

using test::EditorTest;
using test::Pixel;

const char* const kPanels[] = {"GroupBox_Seal", "GroupBox_Text", "GroupBox_Frame",
                               "GroupBox_Clip", "GroupBox_Figure", "GroupBox_Ad"};

std::vector<std::string> visiblePanels(EditorTest& t, MainWindow& w) {
  std::vector<std::string> shown;
  for (const char* name : kPanels)
    if (w.findChild<QGroupBox*>(name)->isVisibleTo(&w)) shown.push_back(name);
  (void)t;
  return shown;
}

bool nearColour(ARGB a, ARGB b, int tolerance = 2) {
  for (int shift = 0; shift < 32; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

TEST_F(EditorTest, TheWindowHasItsTitleSizeAndControlsInPlace) {
  MainWindow& w = window();
  EXPECT_EQ(w.windowTitle().toStdString(), "Korvane 1.0    By:Tolvane");
  EXPECT_EQ(w.pos(), QPoint(50, 50));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());  // fixed size
  struct Place {
    const char* name;
    QRect rect;
  };
  const Place places[] = {
      {"Accordion_Main", {28, 8, 192, 384}},        {"DrawPanel_Preview", {255, 7, 665, 665}},
      {"Splitter_Main", {247, 7, 1, 702}},          {"EditBox_Template_Name", {440, 683, 100, 23}},
      {"Button_SaveTemplate", {544, 678, 136, 31}}, {"Button_SavePicture", {784, 678, 136, 31}},
      {"GroupBox_Seal", {8, 397, 231, 166}},        {"GroupBox_Text", {8, 397, 231, 313}},
      {"GroupBox_Frame", {8, 397, 231, 231}},       {"GroupBox_Clip", {8, 397, 231, 160}},
      {"GroupBox_Figure", {8, 397, 231, 264}},      {"GroupBox_Ad", {8, 397, 231, 313}},
  };
  for (const Place& p : places) {
    QWidget* control = find<QWidget>(p.name);
    ASSERT_NE(control, nullptr) << p.name;
    EXPECT_EQ(control->geometry(), p.rect) << p.name;
  }
  for (const QRect& r : {find<QWidget>("Button_SavePicture")->geometry(), find<QWidget>("Splitter_Main")->geometry()})
    EXPECT_TRUE(w.rect().contains(r)) << "clipped by the window";
  EXPECT_EQ(find<QPushButton>("Button_SaveTemplate")->text().toStdString(), "添加为模板");
  EXPECT_EQ(find<QPushButton>("Button_SavePicture")->text().toStdString(), "保存到图片");
  EXPECT_EQ(find<QGroupBox>("GroupBox_Text")->title().toStdString(), "图章文字设置");
}

TEST_F(EditorTest, TheAccordionHasItsFivePagesAndItems) {
  Accordion* a = accordion();
  ASSERT_EQ(a->count(), 5);
  const char* titles[] = {"图章规格", "图章文字", "图章边框", "附加图形", "模板"};
  const int counts[] = {1, 4, 6, 4, 0};
  for (int p = 0; p < 5; ++p) {
    EXPECT_EQ(a->itemText(p).toStdString(), titles[p]);
    EXPECT_EQ(a->ItemCount(p), counts[p]) << p;
  }
  EXPECT_EQ(a->ItemText(kPageFrame, 5).toStdString(), "剪辑区域");
  EXPECT_EQ(a->ItemText(kPageFigure, 3).toStdString(), "图形4");
}

TEST_F(EditorTest, AtStartTheSealSitsCentredOnTheCheckerboardAndNoPanelShows) {
  MainWindow& w = window();
  EXPECT_TRUE(visiblePanels(*this, w).empty());
  const GfxBitmap& seal = w.Preview().Renderer().SealBitmap();
  ASSERT_EQ(seal.GetWidth(), 400u);
  const GfxBitmap& canvas = w.Preview().Canvas().Bitmap();
  ASSERT_EQ(canvas.GetWidth(), 665u);
  // (665 - 400) / 2 = 132.5, truncated.
  const int off = 132;
  for (int y = 0; y < 665; y += 7)
    for (int x = 0; x < 665; x += 7) {
      const bool inSeal = x >= off && x < off + 400 && y >= off && y < off + 400;
      const ARGB expected = inSeal ? test::Composed(Pixel(seal, x - off, y - off), test::CheckerAt(x, y)) : test::CheckerAt(x, y);
      ASSERT_TRUE(nearColour(Pixel(canvas, x, y), expected)) << x << "," << y << " " << std::hex << Pixel(canvas, x, y);
    }
  // The seal's red really is there: the outer ring at the top of the seal.
  EXPECT_TRUE(nearColour(Pixel(canvas, off + 200, off + 68), 0xFFD21E22, 8));
  // And the panel shows the canvas itself.
  const QImage shown = find<CanvasPanel>("DrawPanel_Preview")->Picture();
  ASSERT_EQ(shown.width(), 665);
  EXPECT_EQ(shown.pixel(off + 200, off + 68), Pixel(canvas, off + 200, off + 68));
}

TEST_F(EditorTest, ASealWiderThanThePanelShowsItsMiddle) {
  MainWindow& w = window();
  w.Document() = test::BlankSeal(800, 200);
  w.Document().BackColor = 0xFF0000;  // blue, everywhere
  w.Document().Shape[0] = test::Figure(kFigureSolidRectangle, 10, 10, 0x0000FF);  // red centre
  w.RedrawPreview();
  const GfxBitmap& canvas = w.Preview().Canvas().Bitmap();
  // x offset trunc((665 - 800) / 2) = -67; y offset trunc(465 / 2) = 232.
  EXPECT_EQ(Pixel(canvas, 0, 300), 0xFF0000FFu);
  EXPECT_EQ(Pixel(canvas, 664, 300), 0xFF0000FFu);
  EXPECT_EQ(Pixel(canvas, 0, 231), test::CheckerAt(0, 231));
  EXPECT_EQ(Pixel(canvas, 0, 232), 0xFF0000FFu);
  EXPECT_EQ(Pixel(canvas, 400 - 67, 332), 0xFFFF0000u);  // seal centre (400, 100)
}

TEST_F(EditorTest, ATransparentBackgroundShowsTheCheckerboardThrough) {
  MainWindow& w = window();
  w.Document() = test::BlankSeal(100, 100);
  w.RedrawPreview();
  const GfxBitmap& canvas = w.Preview().Canvas().Bitmap();
  for (int y = 282; y < 382; y += 3)
    for (int x = 282; x < 382; x += 3) ASSERT_EQ(Pixel(canvas, x, y), test::CheckerAt(x, y)) << x << "," << y;
}

TEST_F(EditorTest, ARefusedRenderKeepsTheLastSealCentredByTheNewSize) {
  MainWindow& w = window();
  w.Document().Width = 0;
  w.RedrawPreview();
  EXPECT_EQ(w.Preview().Renderer().SealBitmap().GetWidth(), 400u);
  const GfxBitmap& canvas = w.Preview().Canvas().Bitmap();
  // Offset x is now trunc(665 / 2) = 332: the old seal's ring starts there.
  EXPECT_TRUE(nearColour(Pixel(canvas, 332 + 200, 132 + 68), 0xFFD21E22, 8));
}

TEST_F(EditorTest, ClickingAnItemShowsItsPanelOnlyAndChangesNothing) {
  MainWindow& w = window();
  const std::string before = TemplateText(w.Document());
  struct Click {
    int page, item;
    const char* panel;
  };
  const Click clicks[] = {{kPageSeal, 0, "GroupBox_Seal"},   {kPageText, 1, "GroupBox_Text"},
                          {kPageFrame, 2, "GroupBox_Frame"}, {kPageFrame, 5, "GroupBox_Clip"},
                          {kPageFigure, 3, "GroupBox_Figure"}};
  for (const Click& c : clicks) {
    clickItem(c.page, c.item);
    EXPECT_EQ(visiblePanels(*this, w), std::vector<std::string>{c.panel}) << c.panel;
  }
  EXPECT_EQ(w.CurrentText(), 2);
  EXPECT_EQ(w.CurrentFrame(), 3);
  EXPECT_EQ(w.CurrentFigure(), 4);
  EXPECT_EQ(TemplateText(w.Document()), before);
  // Another page opened: no panel until an item is clicked.
  accordion()->setCurrentIndex(kPageText);
  EXPECT_TRUE(visiblePanels(*this, w).empty());
  EXPECT_EQ(w.CurrentFigure(), 4);  // the indexes keep their values
}

TEST_F(EditorTest, AnEmptyNameIsRefusedAndNothingIsWritten) {
  window();
  saveTemplateAs("");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "模板名称不能为空！");
  EXPECT_EQ(messages[0].icon, MessageIcon::Error);
  EXPECT_FALSE(std::filesystem::exists(folder()));
}

TEST_F(EditorTest, SavingListsTheTemplateAndLoadingItRestoresEveryField) {
  MainWindow& w = window();
  EXPECT_FALSE(std::filesystem::exists(folder()));  // made by the first save
  w.Document().Text[0].szText = "北京某某科技有限公司";
  w.Document().Frame.ClipRound = 7;
  w.Document().Shape[4].szFile = "C:\\图片\\logo.png";
  const std::string saved = TemplateText(w.Document());
  saveTemplateAs("公司");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "添加模板成功！");
  EXPECT_EQ(messages[0].icon, MessageIcon::Information);
  ASSERT_EQ(accordion()->ItemCount(kPageTemplate), 1);
  EXPECT_EQ(accordion()->ItemText(kPageTemplate, 0).toStdString(), "公司");

  w.Document() = StartupSealDocument();
  w.RedrawPreview();
  clickItem(kPageTemplate, 0);
  EXPECT_EQ(TemplateText(w.Document()), saved);
  EXPECT_TRUE(visiblePanels(*this, w).empty());
}

TEST_F(EditorTest, EnterInTheNameBoxAddsTheTemplate) {
  window();
  auto* edit = find<QLineEdit>("EditBox_Template_Name");
  edit->setText(QStringLiteral("回车"));
  QTest::keyClick(edit, Qt::Key_Return);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "添加模板成功！");
  EXPECT_TRUE(std::filesystem::exists(folder() / "回车.qsx_tzl"));
}

// A design that takes seconds to render never holds the window: the change
// returns at once, a click is answered, and a newer change is shown as soon
// as it is rendered, the slow one abandoned.
TEST_F(EditorTest, AHostileDesignNeverFreezesTheWindow) {
  MainWindow& w = window();
  w.show();
  std::string ring;
  for (int i = 0; i < 200000; ++i) ring += "印";
  w.Document().Text[0].szText = ring;
  const auto start = std::chrono::steady_clock::now();
  w.RedrawPreview();
  const auto returned = std::chrono::steady_clock::now() - start;
  clickItem(kPageSeal, 0);  // the window still answers
  const auto clicked = std::chrono::steady_clock::now() - start;
  w.Document().Text[0].szText = "短";
  w.Document().Width = 320;
  w.RedrawPreview();
  w.Preview().FinishPendingRender();
  const auto shown = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(w.Preview().Renderer().SealBitmap().GetWidth(), 320u);
  // Generous bounds, ten times what they take: the long render alone is
  // several seconds.
  EXPECT_LT(returned, std::chrono::seconds(1));
  EXPECT_LT(clicked, std::chrono::seconds(2));
  EXPECT_LT(shown, std::chrono::seconds(3));
}

// A 16 MiB template takes seconds to read: a click on it returns at once
// and the seal follows when it is read. Slow: ./dev test --full.
TEST_F(EditorTest, AHugeTemplateIsReadWithoutHoldingTheWindow) {
  if (!std::getenv("KORVANE_FULL_TESTS")) GTEST_SKIP() << "./dev test --full";
  SealDocument huge = StartupSealDocument();
  huge.Text[1].szText.clear();
  for (int i = 0; i < 8000000; ++i) huge.Text[1].szText += "印";
  huge.Text[1].FontSize = 0;  // nothing to draw: the read alone is measured
  huge.Width = 333;
  std::filesystem::create_directories(folder());
  ASSERT_TRUE(WriteTemplate(huge, (folder() / "大.qsx_tzl").string()));
  MainWindow& w = window();
  w.RefreshTemplateList();
  const auto start = std::chrono::steady_clock::now();
  clickItem(kPageTemplate, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  w.FinishTemplateRead();
  w.Preview().FinishPendingRender();
  EXPECT_EQ(w.Document().Width, 333);
  EXPECT_EQ(w.Preview().Renderer().SealBitmap().GetWidth(), 333u);
}

TEST_F(EditorTest, AListedNameAsksBeforeOverwriting) {
  MainWindow& w = window();
  saveTemplateAs("甲");
  const std::string file = templates().PathOf("甲");
  const std::string first = [&] {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  w.Document().Width = 321;
  messages.clear();
  answers = {MessageAnswer::No};
  saveTemplateAs("甲");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text,
            "当前模板名称已经存在，是否覆盖？\r\n\r\n* 点击 是 ，将会覆盖原来的模板；\r\n* 点击 否 ，取消添加；");
  EXPECT_EQ(messages[0].icon, MessageIcon::Question);
  EXPECT_TRUE(messages[0].yesNo);
  SealDocument onDisk = CreateSealDocument();
  ASSERT_TRUE(ReadTemplateFile(onDisk, file));
  EXPECT_EQ(onDisk.Width, 400);  // No: unchanged

  messages.clear();
  answers = {MessageAnswer::Yes};
  saveTemplateAs("甲");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "添加模板成功！");
  ASSERT_TRUE(ReadTemplateFile(onDisk, file));
  EXPECT_EQ(onDisk.Width, 321);
  EXPECT_EQ(accordion()->ItemCount(kPageTemplate), 1);
}

TEST_F(EditorTest, NamesAreListedSortedWithAFurtherDotKept) {
  std::filesystem::create_directories(folder());
  for (const char* file : {"b.qsx_tzl", "a.v2.qsx_tzl", "c.txt", "乙.qsx_tzl"})
    std::ofstream(folder() / file) << "{}";
  std::filesystem::create_directory(folder() / "dir.qsx_tzl");
  window();
  std::vector<std::string> names;
  for (int i = 0; i < accordion()->ItemCount(kPageTemplate); ++i)
    names.push_back(accordion()->ItemText(kPageTemplate, i).toStdString());
  EXPECT_EQ(names, (std::vector<std::string>{"a.v2", "b", "乙"}));
}

TEST_F(EditorTest, ADeletedFolderGivesAnEmptyListAndTheNextSaveMakesItAgain) {
  window();
  saveTemplateAs("一");
  std::filesystem::remove_all(folder());
  window().RefreshTemplateList();
  EXPECT_EQ(accordion()->ItemCount(kPageTemplate), 0);
  saveTemplateAs("二");
  EXPECT_TRUE(std::filesystem::exists(folder() / "二.qsx_tzl"));
  EXPECT_EQ(accordion()->ItemCount(kPageTemplate), 1);
}

TEST_F(EditorTest, ClickingATemplateWhoseFileWentAwayOnlyRedraws) {
  MainWindow& w = window();
  saveTemplateAs("走");
  std::filesystem::remove(folder() / "走.qsx_tzl");
  w.Document().Width = 300;
  const std::string before = TemplateText(w.Document());
  messages.clear();
  clickItem(kPageTemplate, 0);
  EXPECT_EQ(TemplateText(w.Document()), before);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(w.Preview().Renderer().SealBitmap().GetWidth(), 300u);  // redrawn
}

TEST_F(EditorTest, ANameReachingOutsideTheFolderIsRefusedAndNothingIsWritten) {
  window();
  for (const QString& name : {QStringLiteral("../outside"), QStringLiteral("a/b"), QStringLiteral(".."),
                              QStringLiteral("."), QString(300, QChar('n'))}) {
    messages.clear();
    saveTemplateAs(name);
    ASSERT_EQ(messages.size(), 1u) << name.toStdString();
    EXPECT_EQ(messages[0].text, "添加模板失败！\r\n* 请检查模板名称是否已存在。");
    EXPECT_EQ(messages[0].icon, MessageIcon::Error);
  }
  EXPECT_FALSE(std::filesystem::exists(m_dir / "outside.qsx_tzl"));
  EXPECT_EQ(accordion()->ItemCount(kPageTemplate), 0);
}

TEST_F(EditorTest, ATemplateFileGivenAtStartIsLoadedOverTheStartupSeal) {
  MainWindow& w = window();
  const auto file = m_dir / "given.qsx_tzl";
  std::ofstream(file) << R"({"Width":"300","Height":"250"})";
  EXPECT_TRUE(w.LoadTemplateFile(file.string()));
  EXPECT_EQ(w.Document().Height, 250);
  EXPECT_EQ(w.Document().Text[0].szText, "Velmora科技");  // the rest of the start-up seal
  EXPECT_EQ(w.Preview().Renderer().SealBitmap().GetWidth(), 300u);
  EXPECT_FALSE(w.LoadTemplateFile((m_dir / "absent.qsx_tzl").string()));
  EXPECT_EQ(w.Document().Width, 300);
}

// ---- the program itself ----

struct ProgramRun {
  int status;
  std::string output;
};

// env's options (unsets) come before its assignments, and a wrapper such
// as a time limit before the program.
ProgramRun runKorvane(const std::string& args, const std::string& unsets = "",
                      const std::string& assignments = "QT_QPA_PLATFORM=offscreen", const std::string& wrapper = "") {
  // The banners are asked for where nothing listens: no test leaves the
  // machine.
  const std::string nowhere = "http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort()) + "/b.png";
  const std::string cmd = "env " + unsets + " KORVANE_BANNER_URLS='" + nowhere + " " + nowhere + " " + nowhere +
                          "' " + assignments + " " + wrapper + " timeout 5 " + std::string(KORVANE_EXE) + " " + args;
  const test::CommandRun r = test::RunCommand(cmd);
  return {r.status, r.output};
}

TEST(Translations, QtsOwnDialogsSpeakChineseUntilTheTranslationGoes) {
  {
    const auto translation = InstallQtChineseTranslation();
    ASSERT_TRUE(translation) << "./dev installs qt6-translations-l10n";
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().toStdString(), "取消");
  }
  QDialogButtonBox box(QDialogButtonBox::Cancel);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().toStdString(), "Cancel");
}

// Captions are in a sans face of full-height rows, not in the Song print
// face that Fontconfig may rank first for Chinese.
TEST_F(EditorTest, TheAccordionSpeaksInASansFaceWithRoomyRows) {
  EXPECT_EQ(ChineseUiFamily().toStdString(), "WenQuanYi Micro Hei") << "./dev installs fonts-wqy-microhei";
  QListWidget* list = accordion()->PageList(kPageText);
  ASSERT_NE(list, nullptr);
  window().show();
  QApplication::processEvents();
  EXPECT_EQ(list->font().family(), ChineseUiFamily());
  EXPECT_GE(list->sizeHintForRow(0), 15);  // 12 in the Song face
}

TEST(KorvaneProgram, HelpAndUsageErrors) {
  const ProgramRun help = runKorvane("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("usage: korvane", 0), 0u) << help.output;
  EXPECT_EQ(runKorvane("--bogus").status, 2);
  EXPECT_EQ(runKorvane("a.qsx_tzl b.qsx_tzl").status, 2);
}

TEST(KorvaneProgram, WithoutADisplayItSaysSoInOneLine) {
  const ProgramRun r = runKorvane("", "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", "");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("korvane-render"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << r.output;
}

TEST(KorvaneProgram, AnUnreadableTemplateLeavesTheStartupSealWithOneLine) {
  // The editor stays open on the start-up seal; the time limit closes it.
  const ProgramRun r =
      runKorvane("/nonexistent/x.qsx_tzl", "", "QT_QPA_PLATFORM=offscreen", "timeout -s TERM 2");
  EXPECT_NE(r.output.find("korvane: cannot read '/nonexistent/x.qsx_tzl'"), std::string::npos) << r.output;
  // One line of ours (Qt may add its own about the environment).
  size_t ours = 0;
  for (size_t at = r.output.find("korvane:"); at != std::string::npos; at = r.output.find("korvane:", at + 1)) ++ours;
  EXPECT_EQ(ours, 1u) << r.output;
}

}  // namespace
}  // namespace korvane
