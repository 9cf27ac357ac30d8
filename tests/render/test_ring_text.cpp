// Ring and line text layout: the worked example's digits, symmetry, and
// what each field does to the drawn text.
#include <gtest/gtest.h>

#include "render/ring_text.h"
#include "render/seal_cases.h"
#include "render/seal_fonts.h"
#include "render/text_layer.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

// A 400 x 400 ring with item size 190 and spacing 8: margin 105.
RingText workedExampleRing() {
  RingText ring;
  ring.SetSize(400, 400);
  ring.SetMargin(105);
  ring.SetSpacing(8);
  return ring;
}

TEST(RingLayout, WorkedExampleTop) {
  RingText ring = workedExampleRing();
  EXPECT_EQ(ring.Inner().X, 105);
  EXPECT_EQ(ring.Inner().Width, 190);
  const std::vector<double> widths = {40, 40, 40};
  const double total = 40 + 8 + 40 + 8 + 40;
  const double sweep = total * 360 / (190 * 3.14159265359);
  EXPECT_NEAR(sweep, 82.023432, 1e-6);
  const double start = 270 - sweep / 2;
  EXPECT_NEAR(start, 228.988284, 1e-6);
  std::vector<RingPoint> points;
  std::vector<double> angles;
  ring.LayoutTop(widths, points, angles, start, 3);
  const double expectAngles[] = {241.050554, 270.000000, 298.949446};
  const RingPoint expectPoints[] = {{154.0164f, 116.8705f}, {200.0000f, 105.0000f}, {245.9836f, 116.8705f}};
  const float expectRotation[] = {331.050568f, 360.0f, 388.949432f};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(angles[i], expectAngles[i], 1e-6) << i;
    EXPECT_NEAR(points[i].X, expectPoints[i].X, 1e-4) << i;
    EXPECT_NEAR(points[i].Y, expectPoints[i].Y, 1e-4) << i;
    EXPECT_NEAR(float(angles[i] + ring.GlyphRotation()), expectRotation[i], 1e-4) << i;
  }
}

TEST(RingLayout, WorkedExampleBottom) {
  RingText ring = workedExampleRing();
  const std::vector<double> widths = {40, 40, 40};
  const double sweep = 136 * 360 / (190 * 3.14159265359);
  // The last term is pixels taken straight off degrees.
  const double start = sweep / 2 - 90 - (widths[0] + 8) / 2;
  EXPECT_NEAR(start, -72.988284, 1e-6);
  std::vector<RingPoint> points;
  std::vector<double> angles;
  ring.LayoutBottom(widths, points, angles, start, 3);
  const double expectAngles[] = {-60.926015, -89.875461, -118.824908};
  const RingPoint expectPoints[] = {{153.8358f, 283.0293f}, {199.7935f, 294.9998f}, {245.8028f, 283.2292f}};
  const float expectRotation[] = {29.073986f, 0.124539f, -28.824907f};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(angles[i], expectAngles[i], 1e-6) << i;
    EXPECT_NEAR(points[i].X, expectPoints[i].X, 1e-4) << i;
    EXPECT_NEAR(points[i].Y, expectPoints[i].Y, 1e-4) << i;
    EXPECT_NEAR(float(angles[i] + ring.GlyphRotation()), expectRotation[i], 1e-4) << i;
  }
}

class SealFontText : public ::testing::Test {
 protected:
  void SetUp() override {
    SealTextFont face{kPrivateSealFaceName, false, false, false};
    ASSERT_TRUE(SelectSealFont(face, 40, font));
    ASSERT_NE(font.GetNative(), nullptr) << "seal font missing beside the test: " << PrivateSealFontPath();
    bitmap.CreateBlank(400, 400);
    graphics.FromImage(bitmap);
  }
  GfxFont font;
  GfxBitmap bitmap;
  GfxGraphics graphics;
};

TEST_F(SealFontText, MeasuresChineseAtTheEmAndLatinAtHalf) {
  RingText ring = workedExampleRing();
  std::vector<double> widths;
  EXPECT_DOUBLE_EQ(ring.MeasureGlyphs("科技科", graphics, font, widths, 8, 0), 136);
  EXPECT_EQ(widths, (std::vector<double>{40, 40, 40}));
  EXPECT_DOUBLE_EQ(ring.MeasureGlyphs("Ab", graphics, font, widths, 0, 0), 40);
  EXPECT_EQ(widths, (std::vector<double>{20, 20}));
  // Height for the vertical directions: the cell ascent plus descent.
  EXPECT_DOUBLE_EQ(ring.MeasureGlyphs("A", graphics, font, widths, 0, 1), 40.0 * (900 + 124) / 1024);
}

TEST_F(SealFontText, DrawingTheWorkedExampleUsesItsSweepAndStarts) {
  for (int bottom : {0, 1}) {
    RingText ring = workedExampleRing();
    ring.SetText("科技科");
    ring.SetFont(font);
    ring.SetColor(kSealRed);
    ring.SetBottom(bottom);
    GfxBitmap out = ring.Render();
    EXPECT_NEAR(ring.LastSweep(), 82.023432, 1e-6);
    EXPECT_NEAR(ring.LastStart(), bottom ? -72.988284 : 228.988284, 1e-6);
    EXPECT_EQ(out.GetWidth(), 400u);
  }
}

TEST_F(SealFontText, SpacingAddsBetweenCharactersOnly) {
  RingText ring;
  std::vector<double> widths;
  EXPECT_DOUBLE_EQ(ring.MeasureGlyphs("科技科", graphics, font, widths, 0, 0), 120);
  EXPECT_DOUBLE_EQ(ring.MeasureGlyphs("科技科", graphics, font, widths, -15, 0), 90);
  EXPECT_DOUBLE_EQ(ring.MeasureGlyphs("科", graphics, font, widths, 99, 0), 40);
}

TEST_F(SealFontText, CountsCodePointsNotUtf16Units) {
  RingText ring;
  ring.SetText("𠀀A科");
  EXPECT_EQ(ring.Count(), 3);
  std::vector<double> widths;
  ring.MeasureGlyphs("𠀀A科", graphics, font, widths, 0, 0);
  EXPECT_EQ(widths.size(), 3u);
}

TEST(RingLayout, OneCharacterSitsUprightAtTheTop) {
  RingText ring = workedExampleRing();
  std::vector<RingPoint> points;
  std::vector<double> angles;
  const double sweep = 40 * 360 / (190 * 3.14159265359);
  ring.LayoutTop({40}, points, angles, 270 - sweep / 2, 1);
  EXPECT_NEAR(angles[0], 270, 1e-9);
  EXPECT_NEAR(points[0].X, 200, 1e-4);
  EXPECT_NEAR(points[0].Y, 105, 1e-4);
  EXPECT_NEAR(angles[0] + ring.GlyphRotation(), 360, 1e-9);
}

TEST(RingLayout, TopIsSymmetricForUnequalWidths) {
  RingText ring = workedExampleRing();
  const std::vector<double> widths = {20, 40, 20, 20, 40};
  double total = -8;
  for (double w : widths) total += w + 8;
  const double sweep = total * 360 / (190 * 3.14159265359);
  std::vector<RingPoint> points;
  std::vector<double> angles;
  ring.LayoutTop(widths, points, angles, 270 - sweep / 2, 5);
  // The text's two ends lie symmetric about the top (270 degrees).
  const double firstEdge = angles[0] - (20 * 360 / (190 * 3.141592653589793)) / 2;
  const double lastEdge = angles[4] + (40 * 360 / (190 * 3.141592653589793)) / 2;
  EXPECT_NEAR(firstEdge + lastEdge, 540, 1e-6);
}

TEST(RingLayout, DirectionSetsGlyphRotation) {
  RingText ring;
  const int32_t expected[] = {90, 0, -90, 180};
  for (int d = 0; d < 4; ++d) {
    ring.SetDirection(d);
    EXPECT_EQ(ring.GlyphRotation(), expected[d]);
  }
  ring.SetDirection(7);
  EXPECT_EQ(ring.GlyphRotation(), 180);
}

// ---- whole items on a seal ----

SealDocument oneText(int32_t typeStyle, const std::string& text = "印章ABC") {
  SealDocument doc = test::BlankSeal(400, 400);
  SealText& t = doc.Text[0];
  t.szText = text;
  t.Font = {kPrivateSealFaceName, false, false, false};
  t.FontSize = 30;
  t.Width = 190;
  t.Height = 190;
  t.TextColor = kSealRed;
  t.TypeStyle = typeStyle;
  t.Spacing = 4;
  return doc;
}

int inkedPixels(const GfxImage& image) {
  int n = 0;
  for (int y = 0; y < int(image.GetHeight()); ++y)
    for (int x = 0; x < int(image.GetWidth()); ++x) n += test::Pixel(image, x, y) != 0;
  return n;
}

bool samePixels(const GfxImage& a, const GfxImage& b, int dx = 0, int dy = 0) {
  for (int y = 0; y < int(a.GetHeight()); ++y)
    for (int x = 0; x < int(a.GetWidth()); ++x) {
      const int sx = x - dx, sy = y - dy;
      const ARGB expected = (sx >= 0 && sy >= 0 && sx < int(b.GetWidth()) && sy < int(b.GetHeight()))
                                ? test::Pixel(b, sx, sy)
                                : 0;
      if (test::Pixel(a, x, y) != expected) return false;
    }
  return true;
}

GfxBitmap render(const SealDocument& doc) {
  SealRenderer r;
  EXPECT_TRUE(r.RenderSeal(doc));
  return std::move(r.SealBitmap());
}

TEST(TextItem, TypeStyleZeroAndFourDrawNothing) {
  for (int32_t style : {0, 4, -1}) EXPECT_EQ(inkedPixels(render(oneText(style))), 0) << style;
}

TEST(TextItem, RingUsesOnlyTheSmallerOfWidthAndHeight) {
  SealDocument a = oneText(kTextRingTop), b = a;
  b.Text[0].Height = 300;
  EXPECT_TRUE(samePixels(render(a), render(b)));
}

TEST(TextItem, RingOffsetsMoveTheWholeRing) {
  SealDocument a = oneText(kTextRingBottom), b = a;
  b.Text[0].OffsetX = 7;
  b.Text[0].OffsetY = -5;
  // Away from the ring square's edges the shift is exact.
  const GfxBitmap ra = render(a), rb = render(b);
  for (int y = 120; y < 300; ++y)
    for (int x = 100; x < 300; ++x) ASSERT_EQ(test::Pixel(rb, x + 7, y - 5), test::Pixel(ra, x, y));
}

TEST(TextItem, RingLargerThanTheSealTouchesTheSquare) {
  SealDocument doc = oneText(kTextRingTop, "印印印印印印印印印印印印印印");
  doc.Text[0].Width = doc.Text[0].Height = 1000;
  const GfxBitmap image = render(doc);
  // Margin 0: glyphs centred on the square's edge, their outer half cut off.
  int topRow = 0;
  for (int x = 0; x < 400; ++x) topRow += test::Pixel(image, x, 0) != 0;
  EXPECT_GT(topRow, 0);
}

TEST(TextItem, RingBitmapAndDirectDrawingGiveTheSamePixels) {
  SealTextFont face{kPrivateSealFaceName, true, false, false};
  GfxFont font;
  SelectSealFont(face, 30, font);
  RingText ring;
  ring.SetSize(300, 300);
  ring.SetMargin(40);
  ring.SetColor(kSealRed);
  ring.SetText("Velmora科技");
  ring.SetSpacing(8);
  ring.SetFont(font);
  ring.SetFamily(PrivateSealFamily());
  GfxBitmap ringBitmap = ring.Render();
  GfxBitmap viaBitmap, direct;
  viaBitmap.CreateBlank(400, 400);
  direct.CreateBlank(400, 400);
  GfxGraphics g1, g2;
  g1.FromImage(viaBitmap);
  g2.FromImage(direct);
  g1.DrawImageI(ringBitmap, 37, 61);
  ring.RenderAt(g2, 37, 61);
  int differing = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x) {
      const ARGB a = test::Pixel(viaBitmap, x, y), b = test::Pixel(direct, x, y);
      if (std::abs(int(a >> 24) - int(b >> 24)) > 2) ++differing;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(inkedPixels(direct), 500);
}

TEST(LineText, IgnoresWidthAndIsCentredThenShiftedByOffsetX) {
  SealDocument a = oneText(kTextLine), b = a;
  a.Text[0].Height = 60;
  a.Text[0].OffsetY = 100;
  b = a;
  b.Text[0].Width = 17;
  EXPECT_TRUE(samePixels(render(a), render(b)));
  b.Text[0].OffsetX = 9;
  EXPECT_TRUE(samePixels(render(b), render(a), 9, 0));
  // The band [100, 160) holds the glyphs; the seal's middle column is inked
  // somewhere inside it and nowhere outside.
  const GfxBitmap image = render(a);
  int minY = 400, maxY = -1, minX = 400, maxX = -1;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x)
      if (test::Pixel(image, x, y) >> 24) minY = std::min(minY, y), maxY = std::max(maxY, y),
                                         minX = std::min(minX, x), maxX = std::max(maxX, x);
  EXPECT_GE(minY, 100);
  EXPECT_LT(maxY, 160);
  // 2 x 30 + 3 x 15 + 4 x 4 = 121 pixels of line, centred: x from 139.
  EXPECT_GE(minX, 139);
  EXPECT_LE(maxX, 139 + 121);
  EXPECT_NEAR((minX + maxX) / 2.0, 200, 6);
}

TEST(LineText, OffsetYZeroPutsTheBandAtTheTop) {
  SealDocument doc = oneText(kTextLine);
  doc.Text[0].Height = 40;
  const GfxBitmap image = render(doc);
  int maxY = -1;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x)
      if (test::Pixel(image, x, y) >> 24) maxY = std::max(maxY, y);
  EXPECT_GE(maxY, 0);
  EXPECT_LT(maxY, 40);
}

}  // namespace
}  // namespace korvane
