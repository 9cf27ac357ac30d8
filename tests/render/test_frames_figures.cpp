// Exact geometry of frames and figures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "drawing/codecs/encoders.h"
#include "render/seal_renderer.h"
#include "render/frames_figures.h"
#include "render/picture_cache.h"
#include "render/seal_cases.h"
#include "support/image_compare.h"
#include "support/temp_dir.h"
#include "support/test_pictures.h"

namespace korvane {
namespace {

using test::BlankSeal;
using test::Figure;
using test::Frame;

uint32_t alphaAt(const SealRenderer& r, int x, int y) { return test::Pixel(r.SealBitmap(), x, y) >> 24; }

bool allClear(const SealRenderer& r) {
  for (int y = 0; y < r.RenderHeight(); ++y)
    for (int x = 0; x < r.RenderWidth(); ++x)
      if (test::Pixel(r.SealBitmap(), x, y) != 0) return false;
  return true;
}

TEST(Star, VerticesOf100x60On400) {
  const SealFigure star = Figure(kFigureSolidStar, 100, 60, kSealRed);
  const auto v = StarVertices(400, 400, star);
  const GfxPoint expected[10] = {{217, 224}, {210, 203}, {228, 190}, {206, 190}, {199, 170},
                                 {193, 190}, {171, 190}, {189, 203}, {182, 224}, {200, 211}};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(v[i].X, expected[i].X) << "vertex " << i + 1;
    EXPECT_EQ(v[i].Y, expected[i].Y) << "vertex " << i + 1;
  }
}

TEST(Star, UsesTheSmallerSideAndTheOffsets) {
  SealFigure star = Figure(kFigureSolidStar, 60, 100, kSealRed);
  star.OffsetX = 10;
  star.OffsetY = -20;
  const auto v = StarVertices(400, 400, star);
  EXPECT_EQ(v[4].X, 209);  // the top point, one pixel left of the centre
  EXPECT_EQ(v[4].Y, 150);
  EXPECT_EQ(v[9].X, 210);
}

TEST(Frame, CircleUsesTheSmallerSideCentred) {
  SealDocument doc = BlankSeal(400, 400);
  doc.Frame.Item[0] = Frame(kFrameCircle, 265, 200, 2, kSealRed);
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(alphaAt(r, 200, 100), 255u);  // top of a 200 circle at y = 100
  EXPECT_EQ(alphaAt(r, 100, 200), 255u);
  EXPECT_EQ(alphaAt(r, 200, 68), 0u);  // where a 265 circle would be
  EXPECT_EQ(alphaAt(r, 200, 200), 0u);
}

// An ellipse's outline covers its band: the pen's width times the curve's
// length (the band between two offset curves has exactly that area), as
// much ink on a page as in a bitmap.
TEST(Frame, AnEllipseOutlineCoversThePenWidthTimesItsLength) {
  const double a = 390, b = 290, pen = 20;
  SealDocument doc = BlankSeal(840, 640);
  doc.Frame.Item[0] = Frame(kFrameEllipse, 780, 580, int32_t(pen), kSealRed);
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  double ink = 0;
  for (int y = 0; y < 640; ++y)
    for (int x = 0; x < 840; ++x) ink += alphaAt(r, x, y) / 255.0;
  // Ramanujan's second approximation: far closer than a pixel here.
  const double h = (a - b) * (a - b) / ((a + b) * (a + b));
  const double length = 3.141592653589793 * (a + b) * (1 + 3 * h / (10 + std::sqrt(4 - 3 * h)));
  EXPECT_NEAR(ink / (pen * length), 1.0, 0.0005) << ink << " against " << pen * length;
}

TEST(Frame, FilledWithoutOutlineWhenLineWidthIsZero) {
  SealDocument doc = BlankSeal();
  doc.Frame.Item[0] = Frame(kFrameCircle, 100, 100, 0, 0x00FF00, 0xFF0000);
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(test::Pixel(r.SealBitmap(), 60, 60), 0xFF0000FFu);
  EXPECT_EQ(test::Pixel(r.SealBitmap(), 60, 11), 0xFF0000FFu);  // the edge is fill, not outline
}

TEST(Frame, BothColoursNoneDrawsNothing) {
  SealDocument doc = BlankSeal();
  doc.Frame.Item[0] = Frame(kFrameRectangle, 100, 100, 5, kNoColor, kNoColor, 10);
  doc.Frame.Item[1] = Frame(kFrameCircle, 100, 100, 5, kNoColor, kNoColor);
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_TRUE(allClear(r));
}

TEST(Frame, TypeZeroOrOtherValuesAreSkipped) {
  SealDocument doc = BlankSeal();
  doc.Frame.Item[0] = Frame(kFrameNone, 100, 100, 5, kSealRed, kSealRed);
  doc.Frame.Item[1] = Frame(4, 100, 100, 5, kSealRed, kSealRed);
  doc.Frame.Item[2] = Frame(-1, 100, 100, 5, kSealRed, kSealRed);
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_TRUE(allClear(r));
}

TEST(Figure, OddSizeDifferenceTruncatesThePosition) {
  SealDocument doc = BlankSeal(400, 400);
  doc.Shape[0] = Figure(kFigureSolidRectangle, 75, 75, kSealRed);
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  // (400 - 75) / 2 = 162.5 gives x = 162: its pixel centre is the edge.
  EXPECT_EQ(alphaAt(r, 161, 200), 0u);
  EXPECT_NEAR(int(alphaAt(r, 162, 200)), 128, 2);
  EXPECT_EQ(alphaAt(r, 163, 200), 255u);
  EXPECT_EQ(alphaAt(r, 236, 200), 255u);
  EXPECT_NEAR(int(alphaAt(r, 237, 200)), 128, 2);
  EXPECT_EQ(alphaAt(r, 238, 200), 0u);
}

TEST(Figure, HollowRectangleAndStarGetAOnePixelPenAtLineWidthZero) {
  SealDocument doc = BlankSeal();
  doc.Shape[0] = Figure(kFigureHollowRectangle, 60, 40, kSealRed, 0);
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  // The top edge lies on row 40: one full pixel, nothing either side.
  EXPECT_EQ(alphaAt(r, 60, 39), 0u);
  EXPECT_EQ(alphaAt(r, 60, 40), 255u);
  EXPECT_EQ(alphaAt(r, 60, 41), 0u);

  doc.Shape[0] = Figure(kFigureHollowStar, 60, 60, kSealRed, -7);
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(alphaAt(r, 60, 60), 0u);  // hollow
  EXPECT_GT(alphaAt(r, 59, 31), 0u);  // near the top point
}

TEST(Figure, HollowEllipseKeepsItsStoredWidth) {
  SealDocument doc = BlankSeal();
  doc.Shape[0] = Figure(kFigureHollowEllipse, 60, 40, kSealRed, 0);
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(alphaAt(r, 60, 40), 255u);  // a hairline at the top
  EXPECT_EQ(alphaAt(r, 60, 42), 0u);
  doc.Shape[0].LineWidth = 6;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(alphaAt(r, 60, 42), 255u);
}

TEST(Figure, ColorNoneDrawsNothingButPicturesIgnoreColor) {
  SealRenderer r;
  for (int type = 2; type <= 7; ++type) {
    SealDocument doc = BlankSeal();
    doc.Shape[0] = Figure(type, 50, 50, kNoColor, 3, 5);
    ASSERT_TRUE(r.RenderSeal(doc));
    EXPECT_TRUE(allClear(r)) << "type " << type;
  }
}

TEST(Figure, RectanglesRoundTheirCorners) {
  SealDocument doc = BlankSeal();
  doc.Shape[0] = Figure(kFigureSolidRectangle, 100, 100, kSealRed, 0, 20);
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(alphaAt(r, 12, 12), 0u);   // cut away by the corner arc
  EXPECT_EQ(alphaAt(r, 60, 12), 255u);  // along the straight edge
}

class PictureFigure : public ::testing::Test {
 protected:
  SealRenderer render(const std::string& path, int w = 60, int h = 20) {
    SealDocument doc = BlankSeal();
    doc.Shape[0] = Figure(kFigurePicture, w, h, kNoColor);
    doc.Shape[0].szFile = path;
    SealRenderer r(caches);
    EXPECT_TRUE(r.RenderSeal(doc));
    return r;
  }
  test::TempDir dir;
  RenderCaches caches;  // kept across this test's renders
};

TEST_F(PictureFigure, IsStretchedToItsBoxIgnoringColor) {
  GfxBitmap pic;
  pic.CreateBlank(2, 2);
  pic.SetPixel(0, 0, 0xFFFF0000);
  pic.SetPixel(1, 0, 0xFF00FF00);
  pic.SetPixel(0, 1, 0xFF0000FF);
  pic.SetPixel(1, 1, 0x00000000);
  std::string format = kImageFormatPNG;
  const std::string path = (dir / "quad.png").string();
  ASSERT_TRUE(pic.SaveToFile(path, format));
  SealRenderer r = render(path);
  // Box (30, 50, 60, 20): each source pixel becomes 30 x 10.
  EXPECT_EQ(test::Pixel(r.SealBitmap(), 35, 52), 0xFFFF0000u);
  EXPECT_EQ(test::Pixel(r.SealBitmap(), 85, 52), 0xFF00FF00u);
  EXPECT_EQ(test::Pixel(r.SealBitmap(), 35, 67), 0xFF0000FFu);
  EXPECT_EQ(test::Pixel(r.SealBitmap(), 85, 67), 0u);  // the picture's own alpha
  EXPECT_EQ(test::Pixel(r.SealBitmap(), 29, 55), 0u);
}

void writeSolidPicture(const std::string& path, ARGB color) {
  GfxBitmap pic;
  pic.CreateBlank(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) pic.SetPixel(x, y, color);
  std::string format = kImageFormatPNG;
  ASSERT_TRUE(pic.SaveToFile(path, format));
}

TEST_F(PictureFigure, IsKeptWhileItsFileIsUnchangedAndReadAgainWhenItChanges) {
  const std::string path = (dir / "logo.png").string();
  writeSolidPicture(path, 0xFFFF0000);
  EXPECT_EQ(test::Pixel(render(path).SealBitmap(), 60, 60), 0xFFFF0000u);
  const auto first = caches.Pictures().Get(path, 60, 20);
  EXPECT_EQ(caches.Pictures().Get(path, 60, 20), first);  // decoded once
  writeSolidPicture(path, 0xFF0000FF);             // a new file in its place
  EXPECT_EQ(test::Pixel(render(path).SealBitmap(), 60, 60), 0xFF0000FFu);
  std::filesystem::remove(path);
  EXPECT_TRUE(allClear(render(path)));
}

TEST_F(PictureFigure, MissingEmptyOrBrokenFilesDrawNothing) {
  std::ofstream(dir / "text.png") << "this is not a picture";
  std::ofstream(dir / "empty.bmp");
  for (const std::string& path : {std::string(), (dir / "absent.png").string(), (dir / "text.png").string(),
                                   (dir / "empty.bmp").string(), dir.path().string()}) {
    SealRenderer r = render(path);
    EXPECT_TRUE(allClear(r)) << path;
  }
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(PictureFigureFiles, AFifoOrDeviceNeverStallsTheRender) {
  test::TempDir dir;
  const std::string fifo = (dir / "pipe.png").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/dev/stdin")}) {
    SealDocument doc = test::BlankSeal();
    doc.Shape[0] = test::Figure(kFigurePicture, 50, 50, kNoColor);
    doc.Shape[0].szFile = path;
    SealRenderer r;
    EXPECT_TRUE(r.RenderSeal(doc)) << path;
  }
}

// Bytes this process has read through read(2) so far.
uint64_t bytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

TEST(PictureFigureFiles, ALargeFileThatIsNoPictureIsRefusedFromItsFirstBytesOnce) {
  test::TempDir dir;
  const std::string path = (dir / "film.png").string();
  std::ofstream(path) << "not a picture";
  std::filesystem::resize_file(path, uintptr_t(200) << 20);  // 200 MB, sparse
  SealDocument doc = test::BlankSeal();
  doc.Shape[0] = test::Figure(kFigurePicture, 50, 50, kNoColor);
  doc.Shape[0].szFile = path;
  const uint64_t before = bytesRead();
  SealRenderer r;
  for (int render = 0; render < 5; ++render) ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_LT(bytesRead() - before, 64u << 10);
}

TEST(PictureFigureFiles, ALargePictureInASmallFigureIsKeptAtTheFiguresSize) {
  test::TempDir dir;
  RenderCaches caches;
  const std::string path = (dir / "big.png").string();
  // 3000 x 3000: red on the left, blue on the right.
  ASSERT_TRUE(test::WriteBytes(path, test::EncodePng(3000, 3000, [](int x, int) { return x < 1500 ? 0xFF0000u : 0x0000FFu; })));
  SealDocument doc = test::BlankSeal(400, 400);
  doc.Shape[0] = test::Figure(kFigurePicture, 300, 300, kNoColor);
  doc.Shape[0].szFile = path;
  SealRenderer r(caches);
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(test::Pixel(r.SealBitmap(), 100, 200), 0xFFFF0000u);
  EXPECT_EQ(test::Pixel(r.SealBitmap(), 300, 200), 0xFF0000FFu);
  // Reduced by 10 to 300 x 300 as it was read, and kept so.
  EXPECT_EQ(caches.Pictures().Bytes(), 300u * 300 * 4);
}

// Four 10,000 x 10,000 pictures in 300 x 300 figures: each kept at the
// figure's size, not as 400 MB of pixels. Slow: ./dev test --full.
TEST(PictureFigureFiles, FourHundredMegapixelsOfPicturesAreKeptAtTheFiguresSize) {
  if (!std::getenv("KORVANE_FULL_TESTS")) GTEST_SKIP() << "./dev test --full";
  test::TempDir dir;
  RenderCaches caches;
  SealDocument doc = test::BlankSeal(700, 700);
  for (int i = 0; i < 4; ++i) {
    const std::string path = (dir / ("p" + std::to_string(i) + ".png")).string();
    ASSERT_TRUE(test::WriteBytes(path, test::EncodePng(10000, 10000, [i](int x, int y) {
      return uint32_t((x / 100 + y / 100 + i) % 2 ? 0xFFFFFF : 0x000000);
    })));
    doc.Shape[size_t(i)] = test::Figure(kFigurePicture, 300, 300, kNoColor);
    doc.Shape[size_t(i)].szFile = path;
    doc.Shape[size_t(i)].OffsetX = (i % 2) * 300 - 150, doc.Shape[size_t(i)].OffsetY = (i / 2) * 300 - 150;
  }
  SealRenderer r(caches);
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_LE(caches.Pictures().Bytes(), 4u * 304 * 304 * 4);
}

}  // namespace
}  // namespace korvane
