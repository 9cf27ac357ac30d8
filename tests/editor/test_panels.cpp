// The property panels as a user drives them: every control writes its own
// field of the right item and redraws; filling a panel writes nothing back;
// dialogs and message boxes are answered by the test.
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWheelEvent>
#include <fstream>
#include <unistd.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <iterator>
#include <functional>

#include "dialogs/common_dialogs.h"
#include "dialogs/qt_text.h"
#include "document/template_format.h"
#include "drawing/codecs/encoders.h"
#include "editor/colour_text.h"
#include "editor/editor_fixture.h"
#include "render/seal_output.h"
#include "editor/window_surface.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

using test::EditorTest;
using test::Pixel;

class PanelTest : public EditorTest {
 protected:
  std::string model() { return TemplateText(window().Document()); }
};

TEST(ColourText, ShowsBlueGreenRedInUpperCaseHexAtLeastSixDigits) {
  EXPECT_EQ(ColourText(0x221ED2), "221ED2");
  EXPECT_EQ(ColourText(0xFF), "0000FF");
  EXPECT_EQ(ColourText(0), "000000");
  EXPECT_EQ(ColourText(0xFFFFFF), "FFFFFF");
  EXPECT_EQ(ColourText(0x1ABCDEF), "1ABCDEF");
  EXPECT_EQ(ColourText(-2), "FFFFFFFFFFFFFFFE");
  EXPECT_EQ(ColourText(-1), "FFFFFFFFFFFFFFFF");
}

TEST(ColourText, ReadsEveryCharacterAsADigitWithoutAsking) {
  EXPECT_EQ(ReadColourText("0000FF"), 0xFF);
  EXPECT_EQ(ReadColourText("ff"), 0xFF);
  EXPECT_EQ(ReadColourText("221ed2"), 0x221ED2);
  EXPECT_EQ(ReadColourText(""), 0);
  EXPECT_EQ(ReadColourText("FFFFFFFFFFFFFFFE"), -2);
  // Only the last 16 count.
  EXPECT_EQ(ReadColourText("12345678900000000FF"), 0xFF);
  // 'G' is 16, 'z' is 35, '/' is -1: no test that they are digits.
  EXPECT_EQ(ReadColourText("G"), 16);
  EXPECT_EQ(ReadColourText("1z"), 16 + 35);
  EXPECT_EQ(ReadColourText("1/"), 15);
}

TEST_F(PanelTest, ClickingTextTwoShowsItAndChangesNothing) {
  const std::string before = model();
  clickItem(kPageText, 1);
  EXPECT_EQ(box("EditBox_Text_Text")->text().toStdString(), "Tessiro");
  EXPECT_EQ(box("EditBox_Text_Color")->text().toStdString(), "FFFFFF");
  EXPECT_EQ(find<QComboBox>("ComboBox_Text_Style")->currentText().toStdString(), "水平横排");
  EXPECT_EQ(box("EditBox_Text_Font")->text().toStdString(), "图章专用字体");
  EXPECT_TRUE(find<QCheckBox>("CheckBox_Text_DefaultFont")->isChecked());
  EXPECT_FALSE(find<QPushButton>("Button_Text_SetFont")->isEnabled());
  EXPECT_EQ(box("EditBox_Text_OffsetY")->text().toStdString(), "110");
  EXPECT_EQ(model(), before);
  clickItem(kPageText, 0);  // switching items writes nothing back either
  EXPECT_EQ(box("EditBox_Text_Text")->text().toStdString(), "Velmora科技");
  EXPECT_EQ(model(), before);
}

TEST_F(PanelTest, TypingAColourMakesItTheTextColourAndRedraws) {
  clickItem(kPageText, 3);
  for (const char* text : {"0000FF", "ff"}) {
    window().Document().Text[3].TextColor = 0;
    type("EditBox_Text_Color", QString::fromLatin1(text));
    EXPECT_EQ(window().Document().Text[3].TextColor, 0xFF) << text;
  }
  type("EditBox_Text_Text", QStringLiteral("红"));
  EXPECT_EQ(window().Document().Text[3].szText, "红");
  EXPECT_EQ(window().Document().Text[0].szText, "Velmora科技");
}

TEST_F(PanelTest, TheClipPanelShowsTheBand) {
  const std::string before = model();
  clickItem(kPageFrame, 5);
  const char* names[] = {"EditBox_Clip_Left", "EditBox_Clip_Top", "EditBox_Clip_Width", "EditBox_Clip_Height",
                         "EditBox_Clip_Round"};
  const char* values[] = {"0", "165", "400", "70", "0"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(box(names[i])->text().toStdString(), values[i]) << names[i];
  EXPECT_EQ(model(), before);
}

// One row per numeric box: clicking its item, typing 123 writes exactly
// that field of exactly that item.
TEST_F(PanelTest, EachNumericBoxWritesItsOwnFieldOfTheRightItem) {
  struct Row {
    int page, item;
    const char* name;
    std::function<int32_t&(SealDocument&)> field;
  };
  const Row rows[] = {
      {kPageSeal, 0, "EditBox_Seal_Width", [](SealDocument& d) -> int32_t& { return d.Width; }},
      {kPageSeal, 0, "EditBox_Seal_Height", [](SealDocument& d) -> int32_t& { return d.Height; }},
      {kPageText, 2, "EditBox_Text_Width", [](SealDocument& d) -> int32_t& { return d.Text[2].Width; }},
      {kPageText, 2, "EditBox_Text_Height", [](SealDocument& d) -> int32_t& { return d.Text[2].Height; }},
      {kPageText, 1, "EditBox_Text_FontSize", [](SealDocument& d) -> int32_t& { return d.Text[1].FontSize; }},
      {kPageText, 3, "EditBox_Text_Spacing", [](SealDocument& d) -> int32_t& { return d.Text[3].Spacing; }},
      {kPageText, 0, "EditBox_Text_OffsetX", [](SealDocument& d) -> int32_t& { return d.Text[0].OffsetX; }},
      {kPageText, 2, "EditBox_Text_OffsetY", [](SealDocument& d) -> int32_t& { return d.Text[2].OffsetY; }},
      {kPageFrame, 1, "EditBox_Frame_Width", [](SealDocument& d) -> int32_t& { return d.Frame.Item[1].Width; }},
      {kPageFrame, 4, "EditBox_Frame_Height", [](SealDocument& d) -> int32_t& { return d.Frame.Item[4].Height; }},
      {kPageFrame, 2, "EditBox_Frame_Round", [](SealDocument& d) -> int32_t& { return d.Frame.Item[2].Round; }},
      {kPageFrame, 3, "EditBox_Frame_LineWidth",
       [](SealDocument& d) -> int32_t& { return d.Frame.Item[3].LineWidth; }},
      {kPageFrame, 5, "EditBox_Clip_Left", [](SealDocument& d) -> int32_t& { return d.Frame.ClipX; }},
      {kPageFrame, 5, "EditBox_Clip_Top", [](SealDocument& d) -> int32_t& { return d.Frame.ClipY; }},
      {kPageFrame, 5, "EditBox_Clip_Width", [](SealDocument& d) -> int32_t& { return d.Frame.ClipWidth; }},
      {kPageFrame, 5, "EditBox_Clip_Height", [](SealDocument& d) -> int32_t& { return d.Frame.ClipHeight; }},
      {kPageFrame, 5, "EditBox_Clip_Round", [](SealDocument& d) -> int32_t& { return d.Frame.ClipRound; }},
      {kPageFigure, 0, "EditBox_Figure_Width", [](SealDocument& d) -> int32_t& { return d.Shape[0].Width; }},
      {kPageFigure, 1, "EditBox_Figure_Height", [](SealDocument& d) -> int32_t& { return d.Shape[1].Height; }},
      {kPageFigure, 2, "EditBox_Figure_LineWidth",
       [](SealDocument& d) -> int32_t& { return d.Shape[2].LineWidth; }},
      {kPageFigure, 3, "EditBox_Figure_Round", [](SealDocument& d) -> int32_t& { return d.Shape[3].Round; }},
      {kPageFigure, 2, "EditBox_Figure_OffsetX", [](SealDocument& d) -> int32_t& { return d.Shape[2].OffsetX; }},
      {kPageFigure, 3, "EditBox_Figure_OffsetY", [](SealDocument& d) -> int32_t& { return d.Shape[3].OffsetY; }},
  };
  for (const Row& row : rows) {
    window().Document() = StartupSealDocument();
    window().RedrawPreview();
    clickItem(row.page, row.item);
    SealDocument expected = window().Document();
    row.field(expected) = 123;
    type(row.name, QStringLiteral("１２3"));  // full-width digits count too
    EXPECT_EQ(model(), TemplateText(expected)) << row.name;
  }
}

TEST_F(PanelTest, TheCombosStoreTheirItemsValues) {
  clickItem(kPageText, 2);
  pick(find<QComboBox>("ComboBox_Text_Style"), 2);
  EXPECT_EQ(window().Document().Text[2].TypeStyle, kTextLine);
  clickItem(kPageFrame, 4);
  pick(find<QComboBox>("ComboBox_Frame_Type"), 2);
  EXPECT_EQ(window().Document().Frame.Item[4].Type, kFrameRectangle);
  clickItem(kPageFigure, 1);
  auto* figureType = find<QComboBox>("ComboBox_Figure_Type");
  ASSERT_EQ(figureType->count(), 8);
  EXPECT_EQ(figureType->itemText(3).toStdString(), "空心五星 ☆");
  pick(figureType, 6);
  EXPECT_EQ(window().Document().Shape[1].Type, kFigureSolidEllipse);
}

// A value the combo cannot show shows its first item; picking that item
// writes it, though the combo's index does not change.
TEST_F(PanelTest, PickingTheItemAComboAlreadyShowsWritesIt) {
  window().Document().Text[0].TypeStyle = 0;
  window().Document().Frame.Item[0].Type = 7;
  window().Document().Shape[0].Type = 9;
  clickItem(kPageText, 0);
  auto* style = find<QComboBox>("ComboBox_Text_Style");
  EXPECT_EQ(style->currentText().toStdString(), "顶部环形排列");
  EXPECT_EQ(window().Document().Text[0].TypeStyle, 0);  // shown, not written
  pick(style, 0);
  EXPECT_EQ(window().Document().Text[0].TypeStyle, kTextRingTop);
  clickItem(kPageFrame, 0);
  pick(find<QComboBox>("ComboBox_Frame_Type"), 0);
  EXPECT_EQ(window().Document().Frame.Item[0].Type, 0);
  clickItem(kPageFigure, 0);
  pick(find<QComboBox>("ComboBox_Figure_Type"), 0);
  EXPECT_EQ(window().Document().Shape[0].Type, 0);
}

// Opening a panel shows the model; it neither writes it back nor redraws.
TEST_F(PanelTest, OpeningAPanelWritesNothingAndRedrawsNothing) {
  window().show();
  SealDocument& doc = window().Document();
  // Changed behind the preview's back: a redraw would show it.
  doc.Width = 300;
  doc.BackColor = 0x00FF00;
  doc.Frame.ClipX = 7;
  const std::string before = model();
  for (const auto& [page, item] : {std::pair{kPageSeal, 0}, {kPageText, 1}, {kPageFrame, 2}, {kPageFrame, 5},
                                   {kPageFigure, 3}}) {
    clickItem(page, item);
    EXPECT_EQ(model(), before) << page << " " << item;
    EXPECT_EQ(window().Preview().Renderer().SealBitmap().GetWidth(), 400u) << page << " " << item;
  }
}

TEST_F(PanelTest, AFrameTypeOutOfRangeShowsNone) {
  window().Document().Frame.Item[0].Type = 7;
  clickItem(kPageFrame, 0);
  EXPECT_EQ(find<QComboBox>("ComboBox_Frame_Type")->currentText().toStdString(), "无");
  EXPECT_EQ(window().Document().Frame.Item[0].Type, 7);  // shown, not stored
}

TEST_F(PanelTest, TickingAndUntickingTheSealsTransparency) {
  clickItem(kPageSeal, 0);
  auto* check = find<QCheckBox>("CheckBox_Seal_Color_Transparent");
  auto* swatch = find<CanvasPanel>("DrawPanel_Seal_ColorValue");
  EXPECT_TRUE(check->isChecked());  // the start-up seal has none
  EXPECT_EQ(box("EditBox_Seal_ColorValue")->text().toStdString(), "透明");
  EXPECT_FALSE(swatch->isEnabled());
  QTest::mouseClick(check, Qt::LeftButton);  // untick
  EXPECT_TRUE(swatch->isEnabled());
  EXPECT_EQ(window().Document().BackColor, kNoColor);  // until a colour is typed
  type("EditBox_Seal_ColorValue", QStringLiteral("FFFFFF"));
  EXPECT_EQ(window().Document().BackColor, kWhite);
  EXPECT_EQ(Pixel(window().Preview().Renderer().SealBitmap(), 0, 0), 0xFFFFFFFFu);
  QTest::mouseClick(check, Qt::LeftButton);  // tick
  EXPECT_EQ(window().Document().BackColor, kNoColor);
  EXPECT_EQ(box("EditBox_Seal_ColorValue")->text().toStdString(), "透明");
  EXPECT_FALSE(swatch->isEnabled());
  EXPECT_EQ(Pixel(window().Preview().Renderer().SealBitmap(), 0, 0), 0u);
  // The disabled swatch shows the checkerboard: white, then grey 223.
  EXPECT_EQ(swatch->Picture().pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(swatch->Picture().pixel(8, 0), 0xFFDFDFDFu);
}

TEST_F(PanelTest, TypingTheFrameFillWhileItsTransparencyIsTickedChangesNothing) {
  clickItem(kPageFrame, 0);
  ASSERT_TRUE(find<QCheckBox>("CheckBox_Frame_BackTransparent")->isChecked());
  const std::string before = model();
  type("EditBox_Frame_Back", QStringLiteral("00FF00"));
  EXPECT_EQ(model(), before);
  QTest::mouseClick(find<QCheckBox>("CheckBox_Frame_BackTransparent"), Qt::LeftButton);  // untick
  type("EditBox_Frame_Back", QStringLiteral("00FF00"));
  EXPECT_EQ(window().Document().Frame.Item[0].FillColor, 0x00FF00);
  EXPECT_TRUE(find<CanvasPanel>("DrawPanel_Frame_Back")->isEnabled());
  QTest::mouseClick(find<QCheckBox>("CheckBox_Frame_BackTransparent"), Qt::LeftButton);  // tick
  EXPECT_EQ(window().Document().Frame.Item[0].FillColor, kNoColor);
  EXPECT_EQ(box("EditBox_Frame_Back")->text().toStdString(), "透明");
}

TEST_F(PanelTest, TheWheelStepsTheSealSize) {
  clickItem(kPageSeal, 0);
  QLineEdit* width = box("EditBox_Seal_Width");
  ASSERT_EQ(width->text().toStdString(), "400");
  auto wheel = [&](QWidget* w, int delta) {
    QWheelEvent event(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
  };
  wheel(width, 120);
  EXPECT_EQ(width->text().toStdString(), "401");
  EXPECT_EQ(window().Document().Width, 401);
  wheel(box("EditBox_Seal_Height"), -120);
  EXPECT_EQ(window().Document().Height, 399);
  EXPECT_EQ(window().Preview().Renderer().SealBitmap().GetHeight(), 399u);
}

TEST_F(PanelTest, TheSwatchPicksAColourOpeningAtBlack) {
  clickItem(kPageFigure, 2);
  QColor opened;
  DialogAnswers answers;
  answers.colour = [&](const QColor& initial) -> std::optional<QColor> {
    opened = initial;
    return QColor(255, 0, 0);
  };
  ScopedDialogAnswers scoped(answers);
  auto* swatch = find<CanvasPanel>("DrawPanel_Figure_Color");
  EXPECT_EQ(swatch->cursor().shape(), Qt::PointingHandCursor);
  QTest::mousePress(swatch, Qt::LeftButton);
  EXPECT_EQ(opened, QColor(0, 0, 0));
  EXPECT_EQ(window().Document().Shape[2].Color, 0x0000FF);  // pure red as 0x00BBGGRR
  EXPECT_EQ(box("EditBox_Figure_Color")->text().toStdString(), "0000FF");
  EXPECT_EQ(swatch->Picture().pixel(3, 3), 0xFFFF0000u);
}

TEST_F(PanelTest, ACancelledColourOrFontDialogChangesNothing) {
  DialogAnswers answers;
  answers.colour = [](const QColor&) { return std::nullopt; };
  answers.font = [](QFontDialog&) { return false; };
  ScopedDialogAnswers scoped(answers);
  window().Document().Text[1].Font.FaceName = "DejaVu Sans";
  clickItem(kPageText, 1);
  const std::string before = model();
  QTest::mousePress(find<CanvasPanel>("DrawPanel_Text_ColorValue"), Qt::LeftButton);
  QTest::mouseClick(find<QPushButton>("Button_Text_SetFont"), Qt::LeftButton);
  EXPECT_EQ(model(), before);
}

TEST_F(PanelTest, TheFontDialogStoresFaceAndStylesButNotTheSize) {
  window().Document().Text[1].Font.FaceName = "DejaVu Sans";
  clickItem(kPageText, 1);
  QFont offered;
  DialogAnswers answers;
  answers.font = [&](QFontDialog& dialog) {
    offered = dialog.currentFont();
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPointSizeF(10.5);
    f.setWeight(QFont::Normal);
    f.setItalic(true);
    f.setUnderline(true);
    dialog.setCurrentFont(f);
    dialog.findChild<QCheckBox*>(kFontBoldBoxName)->setChecked(false);  // bold taken off
    return true;
  };
  ScopedDialogAnswers scoped(answers);
  QTest::mouseClick(find<QPushButton>("Button_Text_SetFont"), Qt::LeftButton);
  EXPECT_EQ(offered.family().toStdString(), "DejaVu Sans");
  EXPECT_EQ(offered.pointSize(), 40);
  EXPECT_EQ(offered.weight(), QFont::Bold);
  const SealText& t = window().Document().Text[1];
  EXPECT_EQ(t.Font.FaceName, "DejaVu Serif");
  EXPECT_FALSE(t.Font.Bold);
  EXPECT_TRUE(t.Font.Italic);
  EXPECT_TRUE(t.Font.Underline);
  EXPECT_EQ(t.FontSize, 40);
  EXPECT_EQ(box("EditBox_Text_Font")->text().toStdString(), "DejaVu Serif");
}

// The Song face has no bold style: OK on it keeps the text bold, and the
// bold box makes a regular text bold.
TEST_F(PanelTest, BoldSurvivesAFaceWithoutABoldStyle) {
  const QString song = QStringLiteral("AR PL SungtiL GB");
  ASSERT_FALSE(QFontDatabase::styles(song).isEmpty()) << "./dev installs fonts-arphic-gbsn00lp";
  for (const bool tick : {false, true}) {
    SealText& t = window().Document().Text[1];
    t.Font.FaceName = "DejaVu Sans";
    t.Font.Bold = !tick;
    clickItem(kPageText, 1);
    DialogAnswers answers;
    answers.font = [&](QFontDialog& dialog) {
      dialog.setCurrentFont(QFont(song));  // its one style: regular
      if (tick) dialog.findChild<QCheckBox*>(kFontBoldBoxName)->setChecked(true);
      return true;
    };
    ScopedDialogAnswers scoped(answers);
    QTest::mouseClick(find<QPushButton>("Button_Text_SetFont"), Qt::LeftButton);
    EXPECT_EQ(t.Font.FaceName, FromQString(song));
    EXPECT_TRUE(t.Font.Bold) << (tick ? "ticked" : "kept");
  }
}

TEST_F(PanelTest, TheDefaultFontBoxSetsTheSealFont) {
  window().Document().Text[2].Font.FaceName = "DejaVu Sans";
  clickItem(kPageText, 2);
  auto* check = find<QCheckBox>("CheckBox_Text_DefaultFont");
  auto* button = find<QPushButton>("Button_Text_SetFont");
  EXPECT_FALSE(check->isChecked());
  EXPECT_TRUE(button->isEnabled());
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(window().Document().Text[2].Font.FaceName, "图章专用字体");
  EXPECT_FALSE(button->isEnabled());
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_TRUE(button->isEnabled());
  EXPECT_EQ(window().Document().Text[2].Font.FaceName, "图章专用字体");  // left as it is
}

TEST_F(PanelTest, BrowsingForAPictureStoresAnExistingFileOnly) {
  const auto picture = m_dir / "logo.png";
  std::ofstream(picture) << "x";
  clickItem(kPageFigure, 0);
  std::string filters;
  std::optional<std::string> answer = (m_dir / "missing.png").string();
  DialogAnswers answers;
  answers.file = [&](QFileDialog& dialog) {
    filters = dialog.nameFilters().join(QStringLiteral(";;")).toStdString();
    return answer;
  };
  ScopedDialogAnswers scoped(answers);
  QTest::mouseClick(find<QPushButton>("Button_Figure_Browse"), Qt::LeftButton);
  EXPECT_EQ(filters, "图片文件（jpg;bmp;png） (*.jpg *.bmp *.png)");
  EXPECT_EQ(window().Document().Shape[0].szFile, "");
  answer = picture.string();
  QTest::mouseClick(find<QPushButton>("Button_Figure_Browse"), Qt::LeftButton);
  EXPECT_EQ(window().Document().Shape[0].szFile, picture.string());
  EXPECT_EQ(box("EditBox_Figure_Path")->text().toStdString(), picture.string());
}

// ---- export ----

class ExportTest : public PanelTest {
 protected:
  std::optional<std::string> chosen;
  std::string proposedName, proposedFolder, title;
  void answerSaveDialogWith(std::optional<std::string> path) {
    chosen = std::move(path);
    DialogAnswers answers;
    answers.file = [this](QFileDialog& dialog) {
      proposedName = dialog.selectedFiles().value(0).toStdString();
      proposedFolder = dialog.directory().absolutePath().toStdString();
      title = dialog.windowTitle().toStdString();
      return chosen;
    };
    answers.confirmOverwrite = [](const std::string&) { return true; };
    m_answers.reset();  // the old guard restores its own predecessor first
    m_answers = std::make_unique<ScopedDialogAnswers>(answers);
  }
  void save() { QTest::mouseClick(find<QPushButton>("Button_SavePicture"), Qt::LeftButton); }
  std::unique_ptr<ScopedDialogAnswers> m_answers;
};

// A FIFO whose reader never reads would hold the window in write() for
// ever: the export refuses it at once, with the failure message.
TEST_F(ExportTest, AFifoIsRefusedAndTheWindowNeverWaitsOnIt) {
  for (const char* name : {"pipe.png", "pipe.svg"}) {
    const std::string fifo = (m_dir / name).string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // there, but never reading
    ASSERT_GE(reader, 0);
    messages.clear();
    answerSaveDialogWith(fifo);
    save();
    ::close(reader);
    ASSERT_EQ(messages.size(), 1u) << name;
    EXPECT_EQ(messages[0].icon, MessageIcon::Error) << name;
    EXPECT_TRUE(std::filesystem::is_fifo(fifo)) << name;
  }
}

TEST_F(ExportTest, SavesTheSealBitmapAsAPngWithAlpha) {
  const std::string path = (m_dir / "印章").string();  // no extension: .png is added
  answerSaveDialogWith(path);
  save();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "保存图片成功！");
  EXPECT_EQ(messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(title, "保存图片");
  EXPECT_NE(proposedName.find("新图章"), std::string::npos) << proposedName;
  GfxBitmap png;
  ASSERT_TRUE(png.CreateFromFile(path + ".png"));
  const GfxBitmap& seal = window().Preview().Renderer().SealBitmap();
  ASSERT_EQ(png.GetWidth(), seal.GetWidth());
  for (int y = 0; y < 400; y += 3)
    for (int x = 0; x < 400; x += 3) ASSERT_EQ(Pixel(png, x, y), Pixel(seal, x, y)) << x << "," << y;
  EXPECT_EQ(Pixel(png, 0, 0), 0u);  // unpainted: fully transparent
}

TEST_F(ExportTest, AnotherExtensionIsKeptAndTheFileIsStillPng) {
  answerSaveDialogWith((m_dir / "seal.bmp").string());
  save();
  GfxBitmap png;
  ASSERT_TRUE(png.CreateFromFile((m_dir / "seal.bmp").string()));
  EXPECT_EQ(png.GetRawFormat(), kImageFormatPNG);
}

TEST_F(ExportTest, TheChosenFilterOrTheTypedExtensionPicksSvgOrPdf) {
  std::vector<std::string> offered;
  DialogAnswers answers;
  std::string answer;
  int filter = 0;
  answers.file = [&](QFileDialog& dialog) {
    offered.clear();
    for (const QString& f : dialog.nameFilters()) offered.push_back(f.toStdString());
    dialog.selectNameFilter(dialog.nameFilters().value(filter));
    return std::optional<std::string>(answer);
  };
  answers.confirmOverwrite = [](const std::string&) { return true; };
  ScopedDialogAnswers scoped(answers);
  filter = 2;
  answer = (m_dir / "vector").string();  // no extension: the SVG filter's
  save();
  ASSERT_EQ(offered.size(), 4u);
  EXPECT_EQ(offered[0], "图片文件(*.png)");  // PNG first, its patterns once
  EXPECT_EQ(offered[1], "图片文件，裁到图章边缘(*.png)");
  std::ifstream svg(m_dir / "vector.svg");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(svg), {}).rfind("<?xml", 0), 0u);
  filter = 0;
  answer = (m_dir / "page.pdf").string();  // the typed extension wins
  save();
  std::ifstream pdf(m_dir / "page.pdf");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(pdf), {}).rfind("%PDF-", 0), 0u);
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "保存图片成功！");

  // Trimmed to the seal's outer edge: as wide as the seal's ring.
  filter = 1;
  answer = (m_dir / "trimmed").string();
  save();
  GfxBitmap trimmed;
  ASSERT_TRUE(trimmed.CreateFromFile((m_dir / "trimmed.png").string()));
  EXPECT_EQ(trimmed.GetWidth(), unsigned(std::lround(SealOuterBox(window().Document()).Width)));
  EXPECT_LT(trimmed.GetWidth(), 400u);
}

TEST_F(ExportTest, CancelWritesNothingAndSaysNothing) {
  answerSaveDialogWith(std::nullopt);
  save();
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
}

TEST_F(ExportTest, AnUnwritablePathShowsTheTwoLineFailure) {
  std::filesystem::create_directory(m_dir / "folder.png");  // a folder where the file would go
  answerSaveDialogWith((m_dir / "folder.png").string());
  save();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "保存图片失败！\r\n* 请检查图片是否被其他程序打开。");
  EXPECT_EQ(messages[0].icon, MessageIcon::Error);
}

TEST_F(ExportTest, ARefusedRenderSavesThePreviousSeal) {
  clickItem(kPageSeal, 0);
  type("EditBox_Seal_Width", QStringLiteral("0"));
  answerSaveDialogWith((m_dir / "last.png").string());
  save();
  GfxBitmap png;
  ASSERT_TRUE(png.CreateFromFile((m_dir / "last.png").string()));
  EXPECT_EQ(png.GetWidth(), 400u);
}

// ---- the dialog wrappers ----

TEST(CommonDialogs, FiltersBecomeQtsNameFilters) {
  EXPECT_EQ(QtNameFilters("图片文件(*.png)|*.png"), "图片文件(*.png)");  // its patterns once
  EXPECT_EQ(QtNameFilters("PDF 文档(*.pdf)|*.pdf|图片(*.jpg)|*.png"), "PDF 文档(*.pdf);;图片(*.jpg) (*.png)");
  EXPECT_EQ(QtNameFilters("图片文件（jpg;bmp;png）|*.jpg;*.bmp;*.png"), "图片文件（jpg;bmp;png） (*.jpg *.bmp *.png)");
  EXPECT_EQ(QtNameFilters("A|*.a|B|*.b;*.c"), "A (*.a);;B (*.b *.c)");
  EXPECT_EQ(QtNameFilters(""), "");
}

// "No" to replacing a file goes back to the dialog for another name.
TEST(CommonDialogs, SaveAsksBeforeOverwritingAndANoReturnsToTheDialog) {
  test::TempDir dir;
  std::ofstream(dir / "old.png") << "x";
  int asked = 0, shown = 0;
  DialogAnswers answers;
  answers.file = [&](QFileDialog&) -> std::optional<std::string> {
    ++shown;
    if (shown == 3) return std::nullopt;  // then cancelled
    return (dir / "old").string();
  };
  answers.confirmOverwrite = [&](const std::string& path) {
    ++asked;
    EXPECT_EQ(path, (dir / "old.png").string());
    return false;
  };
  ScopedDialogAnswers scoped(answers);
  SaveFileRequest request;
  request.defaultExt = "png";
  request.overwritePrompt = true;
  EXPECT_EQ(CommonDialogs().PickSaveFile(request), "");
  EXPECT_EQ(shown, 3);
  EXPECT_EQ(asked, 2);
  answers.confirmOverwrite = [&](const std::string&) { return ++asked, true; };
  shown = 0;
  ScopedDialogAnswers yes(answers);
  EXPECT_EQ(CommonDialogs().PickSaveFile(request), (dir / "old.png").string());
  EXPECT_EQ(asked, 3);
  request.overwritePrompt = false;
  EXPECT_EQ(CommonDialogs().PickSaveFile(request), (dir / "old.png").string());
  EXPECT_EQ(asked, 3);
}

TEST(CommonDialogs, FontsComeBackWithBoldFromTheBox) {
  DialogAnswers answers;
  std::optional<QFont> result;
  bool tickBold = false;
  answers.font = [&](QFontDialog& dialog) {
    if (!result) return false;
    dialog.setCurrentFont(*result);
    if (tickBold) dialog.findChild<QCheckBox*>(kFontBoldBoxName)->setChecked(true);
    return true;
  };
  ScopedDialogAnswers scoped(answers);
  bool chosen = true;
  FontChoice cancelled = CommonDialogs().PickFont({"DejaVu Sans", 12}, &chosen);
  EXPECT_FALSE(chosen);
  EXPECT_EQ(cancelled.faceName, "宋体");
  EXPECT_EQ(cancelled.size, 9);
  EXPECT_FALSE(cancelled.bold || cancelled.italic || cancelled.underline || cancelled.strikeout);
  QFont answer(QStringLiteral("DejaVu Sans"));
  answer.setPointSize(10);
  answer.setWeight(QFont::DemiBold);  // 600: not bold
  result = answer;
  FontChoice c = CommonDialogs().PickFont({"DejaVu Sans", 12}, &chosen);
  EXPECT_TRUE(chosen);
  EXPECT_EQ(c.size, 10);
  EXPECT_FALSE(c.bold);
  answer.setWeight(QFont::Bold);  // a bold style ticks the box
  result = answer;
  EXPECT_TRUE(CommonDialogs().PickFont({"DejaVu Sans", 12}).bold);
  answer.setWeight(QFont::Normal);
  result = answer;
  tickBold = true;
  EXPECT_TRUE(CommonDialogs().PickFont({"DejaVu Sans", 12}).bold);
}

TEST(CommonDialogs, AMissingFolderIsSaidAndTheDialogComesBack) {
  test::TempDir dir;
  std::vector<std::string> notices;
  std::deque<std::string> picks{(dir / "no-such" / "seal.png").string(), (dir / "seal.png").string()};
  DialogAnswers answers;
  answers.file = [&](QFileDialog&) -> std::optional<std::string> {
    if (picks.empty()) return std::nullopt;
    std::string p = picks.front();
    picks.pop_front();
    return p;
  };
  answers.notice = [&](const std::string& text) { notices.push_back(text); };
  ScopedDialogAnswers scoped(answers);
  SaveFileRequest request;
  request.pathMustExist = true;
  EXPECT_EQ(CommonDialogs().PickSaveFile(request), (dir / "seal.png").string());
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("路径不存在"), std::string::npos) << notices[0];
  EXPECT_NE(notices[0].find("no-such"), std::string::npos) << notices[0];
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// The swatch follows what is typed; a number the typing rules read only in
// part is marked, the rule itself unchanged.
TEST_F(PanelTest, TheSwatchFollowsTheTypedColourAndPartReadNumbersAreMarked) {
  clickItem(kPageText, 0);
  type("EditBox_Text_Color", QStringLiteral("FF0000"));  // BBGGRR: blue
  auto* swatch = find<CanvasPanel>("DrawPanel_Text_ColorValue");
  const QImage picture = swatch->Picture();
  EXPECT_EQ(picture.pixel(picture.width() / 2, picture.height() / 2), 0xFF0000FFu);

  const struct {
    const char* typed;
    int32_t stored;
    bool marked;
  } cases[] = {{"12", 12, false}, {"12.7", 12, true}, {"0x1F", 0, true}, {"abc", 0, true}, {"-3", -3, false},
               {"４２", 42, false}, {"", 0, false}};
  for (const auto& c : cases) {
    type("EditBox_Text_Spacing", QString::fromUtf8(c.typed));
    EXPECT_EQ(window().Document().Text[0].Spacing, c.stored) << c.typed;
    QLineEdit* e = box("EditBox_Text_Spacing");
    EXPECT_EQ(!e->toolTip().isEmpty(), c.marked) << c.typed;
    if (c.marked) {
      EXPECT_EQ(e->toolTip(), QStringLiteral("图章使用的数值：") + QString::number(c.stored)) << c.typed;
    }
  }
}

// What the model gained: the ellipse frame, the ellipse and column styles,
// the sweep, the stretch and the size in millimetres.
TEST_F(PanelTest, TheNewMembersHaveTheirControls) {
  clickItem(kPageText, 1);
  auto* style = find<QComboBox>("ComboBox_Text_Style");
  for (int index : {3, 4, 5}) {
    pick(style, index);
    EXPECT_EQ(window().Document().Text[1].TypeStyle, index + 1);
  }
  type("EditBox_Text_Sweep", QStringLiteral("240"));
  type("EditBox_Text_Stretch", QStringLiteral("65"));
  EXPECT_EQ(window().Document().Text[1].Sweep, 240);
  EXPECT_EQ(window().Document().Text[1].Stretch, 65);
  clickItem(kPageText, 2);
  EXPECT_EQ(box("EditBox_Text_Stretch")->text(), "100");
  clickItem(kPageText, 1);
  EXPECT_EQ(box("EditBox_Text_Sweep")->text(), "240");
  EXPECT_EQ(style->currentIndex(), 5);

  clickItem(kPageFrame, 1);
  pick(find<QComboBox>("ComboBox_Frame_Type"), 3);
  EXPECT_EQ(window().Document().Frame.Item[1].Type, kFrameEllipse);

  clickItem(kPageSeal, 0);
  auto* sizeLine = find<QLabel>("Label_SealSize");
  EXPECT_EQ(sizeLine->text(), QStringLiteral("400×400 像素"));
  EXPECT_EQ(box("EditBox_Seal_SizeMM")->text(), "");
  type("EditBox_Seal_SizeMM", QStringLiteral("40.5"));
  EXPECT_DOUBLE_EQ(window().Document().SizeMM, 40.5);
  EXPECT_EQ(sizeLine->text(), QStringLiteral("40.5 毫米 · 400×400 像素"));
  type("EditBox_Seal_SizeMM", QStringLiteral("4o"));
  EXPECT_EQ(window().Document().SizeMM, 0);
  EXPECT_FALSE(box("EditBox_Seal_SizeMM")->toolTip().isEmpty());
}

}  // namespace
}  // namespace korvane
