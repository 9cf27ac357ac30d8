// Zooming and moving the preview, and its millimetre rulers: the preview's
// pixels are the renderer's at the zoomed resolution, placed where the
// mouse asked.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <fstream>

#include "dialogs/common_dialogs.h"
#include "drawing/gfx/gfx_image.h"
#include "editor/editor_fixture.h"
#include "editor/window_surface.h"
#include "render/seal_output.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

using test::EditorTest;
using test::Pixel;

constexpr int kPanel = 665;

int largestDifference(ARGB a, ARGB b) {
  int most = 0;
  for (int shift = 0; shift < 32; shift += 8)
    most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return most;
}

class ZoomTest : public EditorTest {
 protected:
  CanvasPanel* panel() { return find<CanvasPanel>("DrawPanel_Preview"); }

  void wheel(int notches, QPoint at, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QWheelEvent event(QPointF(at), QPointF(panel()->mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(panel(), &event);
  }

  // Every pixel of the panel against the whole seal rendered at `zoom`
  // with its top-left corner at (left, top) of the panel.
  void expectPreviewIsTheSealAt(double zoom, int left, int top) {
    SealRenderer whole;
    ASSERT_TRUE(whole.RenderSealScaled(window().Document(), zoom));
    const GfxBitmap& seal = whole.SealBitmap();
    const GfxBitmap& canvas = window().Preview().Canvas().Bitmap();
    int worst = 0, sealPixels = 0;
    for (int y = 0; y < kPanel; ++y)
      for (int x = 0; x < kPanel; ++x) {
        const int sx = x - left, sy = y - top;
        const bool in = sx >= 0 && sy >= 0 && sx < int(seal.GetWidth()) && sy < int(seal.GetHeight());
        const ARGB expected = in ? test::Composed(Pixel(seal, sx, sy), test::CheckerAt(x, y)) : test::CheckerAt(x, y);
        worst = std::max(worst, largestDifference(Pixel(canvas, x, y), expected));
        sealPixels += in;
      }
    EXPECT_LE(worst, 2) << "zoom " << zoom;
    EXPECT_GT(sealPixels, 0);
  }
};

TEST_F(ZoomTest, At400PercentThePreviewIsTheSealDrawnFourTimesLargerAroundTheMouse) {
  MainWindow& w = window();
  // The start-up seal's centre, (200, 200), sits at (332, 332).
  w.Preview().ZoomAt(4, 332, 332);
  EXPECT_EQ(w.Preview().Zoom(), 4);
  int left = 0, top = 0;
  w.Preview().SealOrigin(&left, &top);
  EXPECT_EQ(left, 332 - 800);
  EXPECT_EQ(top, 332 - 800);
  expectPreviewIsTheSealAt(4, left, top);
  // Only the part in view was drawn.
  EXPECT_EQ(w.Preview().Renderer().SealBitmap().GetWidth(), unsigned(kPanel));
}

TEST_F(ZoomTest, TheWheelWithCtrlZoomsInFourStepsADoublingAndKeepsThePointUnderTheMouse) {
  MainWindow& w = window();
  const QPoint at(300, 250);  // seal pixel (168, 118)
  wheel(1, at);
  EXPECT_DOUBLE_EQ(w.Preview().Zoom(), std::exp2(0.25));
  wheel(3, at);
  EXPECT_DOUBLE_EQ(w.Preview().Zoom(), 2);
  int left = 0, top = 0;
  w.Preview().SealOrigin(&left, &top);
  EXPECT_EQ(left, 300 - 2 * 168);
  EXPECT_EQ(top, 250 - 2 * 118);
  expectPreviewIsTheSealAt(2, left, top);
  EXPECT_NE(find<QLabel>("Label_SealSize")->text().indexOf("200%"), -1);

  // Without Ctrl the wheel does not zoom.
  wheel(1, at, Qt::NoModifier);
  EXPECT_DOUBLE_EQ(w.Preview().Zoom(), 2);
  // Out to the end and past it: 25 %, and in to 800 %.
  wheel(-40, at);
  EXPECT_DOUBLE_EQ(w.Preview().Zoom(), 0.25);
  wheel(60, at);
  EXPECT_DOUBLE_EQ(w.Preview().Zoom(), 8);
}

TEST_F(ZoomTest, CtrlZeroFitsTheSealAndCtrlOneGivesBackTheStartingPreview) {
  MainWindow& w = window();
  w.show();
  const GfxBitmap& canvas = w.Preview().Canvas().Bitmap();
  const std::vector<ARGB> start = [&] {
    std::vector<ARGB> p;
    for (int y = 0; y < kPanel; ++y)
      for (int x = 0; x < kPanel; ++x) p.push_back(Pixel(canvas, x, y));
    return p;
  }();

  w.activateWindow();
  QApplication::processEvents();
  QTest::keyClick(&w, Qt::Key_0, Qt::ControlModifier);
  EXPECT_DOUBLE_EQ(w.Preview().Zoom(), 665.0 / 400);
  int left = -1, top = -1;
  w.Preview().SealOrigin(&left, &top);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(top, 0);
  expectPreviewIsTheSealAt(665.0 / 400, 0, 0);

  QTest::keyClick(&w, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(w.Preview().Zoom(), 1);
  size_t differing = 0;
  for (int y = 0, i = 0; y < kPanel; ++y)
    for (int x = 0; x < kPanel; ++x, ++i) differing += Pixel(canvas, x, y) != start[i];
  EXPECT_EQ(differing, 0u);
  EXPECT_EQ(w.Preview().Renderer().SealBitmap().GetWidth(), 400u);
}

TEST_F(ZoomTest, ADragMovesTheSealAndACornerOfItAlwaysStaysInView) {
  MainWindow& w = window();
  w.show();
  QTest::mousePress(panel(), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseMove(panel(), QPoint(130, 90));
  QTest::mouseRelease(panel(), Qt::LeftButton, {}, QPoint(130, 90));
  int left = 0, top = 0;
  w.Preview().SealOrigin(&left, &top);
  EXPECT_EQ(left, 132 + 30);
  EXPECT_EQ(top, 132 - 10);
  expectPreviewIsTheSealAt(1, left, top);

  w.Preview().PanBy(5000, -5000);
  w.Preview().SealOrigin(&left, &top);
  EXPECT_EQ(left, kPanel - 32);
  EXPECT_EQ(top, 32 - 400);
  // An edit while moved keeps the seal where it was put.
  w.Document().BackColor = 0xFFFFFF;
  w.RedrawPreview();
  EXPECT_EQ(Pixel(w.Preview().Canvas().Bitmap(), kPanel - 1, 0), 0xFFFFFFFFu);
}

TEST_F(ZoomTest, ASealWithASizeOnPaperHasMillimetreRulersWhoseTicksFallOnItsOuterEdge) {
  MainWindow& w = window();
  w.show();
  w.Document().SizeMM = 40;
  w.RedrawPreview();
  w.Preview().ZoomAt(2, 332, 332);
  QApplication::processEvents();
  const SealBox outer = SealOuterBox(w.Document());
  const double ppm = 2 * SealOuterExtent(w.Document()) / 40;
  int left = 0, top = 0;
  w.Preview().SealOrigin(&left, &top);
  const double zeroX = left + outer.X * 2, zeroY = top + outer.Y * 2;
  const QImage shown = panel()->grab().toImage();
  auto dark = [](QRgb c) { return qGray(c) < 120; };
  const int row = CanvasPanel::kRulerWidth - 3;
  int ticksChecked = 0;
  for (int mm = -20; mm <= 60; ++mm) {
    const int x = int(std::lround(zeroX + mm * ppm));
    if (x < CanvasPanel::kRulerWidth || x + 4 >= kPanel) continue;
    EXPECT_TRUE(dark(shown.pixel(x, row))) << mm << " mm at x " << x;
    EXPECT_FALSE(dark(shown.pixel(x + 4, row))) << "between " << mm << " and " << mm + 1;
    ++ticksChecked;
  }
  EXPECT_GT(ticksChecked, 20);
  for (int mm = 0; mm <= 40; mm += 10) {
    const int y = int(std::lround(zeroY + mm * ppm));
    if (y < CanvasPanel::kRulerWidth || y >= kPanel) continue;
    EXPECT_TRUE(dark(shown.pixel(row, y))) << mm << " mm at y " << y;
  }

  // Without a size on paper there are no rulers: the seal's own pixels.
  w.Document().SizeMM = 0;
  w.RedrawPreview();
  QApplication::processEvents();
  const QImage plain = panel()->grab().toImage();
  EXPECT_EQ(plain.pixel(100, row), panel()->Picture().pixel(100, row));
}

TEST_F(ZoomTest, AZoomedPreviewStillSavesTheSealAtItsOwnPixels) {
  MainWindow& w = window();
  w.Preview().ZoomAt(4, 332, 332);
  const std::filesystem::path out = folder().parent_path() / "zoomed.png";
  DialogAnswers dialogs;
  dialogs.file = [&](QFileDialog&) { return std::optional<std::string>(out.string()); };
  ScopedDialogAnswers scoped(dialogs);
  answers = {MessageAnswer::Ok};
  QTest::mouseClick(find<QPushButton>("Button_SavePicture"), Qt::LeftButton);
  GfxImage saved;
  ASSERT_TRUE(saved.LoadFromFile(out.string()));
  EXPECT_EQ(saved.GetWidth(), 400u);
  SealRenderer plain;
  ASSERT_TRUE(plain.RenderSeal(w.Document()));
  std::string expected;
  ASSERT_TRUE(plain.SealBitmap().SavePngTo(&expected));
  std::ifstream file(out, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace korvane
