// Ring and line text layout: exact positions and angles, symmetry, and
// what each field does to the drawn text.
#include <gtest/gtest.h>

#include "render/seal_renderer.h"
#include "render/ring_text.h"
#include "render/seal_cases.h"
#include "render/seal_fonts.h"
#include "render/text_layer.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

// A 400 x 400 ring with item size 190 and spacing 8: margin 105.
RingText ring400Margin105() {
  RingText ring;
  ring.SetSize(400, 400);
  ring.SetMargin(105);
  ring.SetSpacing(8);
  return ring;
}

TEST(RingLayout, ThreeEmCharactersAlongTheTop) {
  RingText ring = ring400Margin105();
  EXPECT_EQ(ring.Inner().X, 105);
  EXPECT_EQ(ring.Inner().Width, 190);
  const std::vector<double> widths = {40, 40, 40};
  const double start = 228.988284;
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

TEST(RingLayout, ThreeEmCharactersAlongTheBottom) {
  RingText ring = ring400Margin105();
  const std::vector<double> widths = {40, 40, 40};
  const double start = -72.988284;
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
    ASSERT_TRUE(SealFonts::Shared().Select(face, 40, font));
    ASSERT_NE(font.GetNative(), nullptr) << "seal font missing beside the test: " << PrivateSealFontPath();
    bitmap.CreateBlank(400, 400);
    graphics.FromImage(bitmap);
  }
  GfxFont font;
  GfxBitmap bitmap;
  GfxGraphics graphics;
};

TEST_F(SealFontText, MeasuresChineseAtTheEmAndLatinAtHalf) {
  RingText ring = ring400Margin105();
  std::vector<double> widths;
  EXPECT_DOUBLE_EQ(ring.MeasureGlyphs("科技科", graphics, font, widths, 8, 0), 136);
  EXPECT_EQ(widths, (std::vector<double>{40, 40, 40}));
  EXPECT_DOUBLE_EQ(ring.MeasureGlyphs("Ab", graphics, font, widths, 0, 0), 40);
  EXPECT_EQ(widths, (std::vector<double>{20, 20}));
  // Height for the vertical directions: the cell ascent plus descent.
  EXPECT_DOUBLE_EQ(ring.MeasureGlyphs("A", graphics, font, widths, 0, 1), 40.0 * (900 + 124) / 1024);
}

// The drawn glyphs sit on the layout's anchors: "田" is centred in its em
// box, so the ink's centre of each glyph is its anchor point. These are the
// positions of the three-character layouts above, found in the pixels.
TEST_F(SealFontText, DrawnGlyphsSitOnTheirAnchors) {
  const RingPoint top[] = {{154.0164f, 116.8705f}, {200.0f, 105.0f}, {245.9836f, 116.8705f}};
  const RingPoint bottom[] = {{153.8358f, 283.0293f}, {199.7935f, 294.9998f}, {245.8028f, 283.2292f}};
  for (int isBottom : {0, 1}) {
    RingText ring = ring400Margin105();
    ring.SetText("田田田");
    ring.SetFont(font);
    ring.SetColor(kSealRed);
    ring.SetBottom(isBottom);
    const GfxBitmap out = ring.Render();
    for (const RingPoint& p : isBottom ? bottom : top) {
      double sx = 0, sy = 0, total = 0;
      for (int y = int(p.Y) - 22; y <= int(p.Y) + 22; ++y)
        for (int x = int(p.X) - 22; x <= int(p.X) + 22; ++x) {
          const double a = test::Pixel(out, x, y) >> 24;
          sx += a * x, sy += a * y, total += a;
        }
      ASSERT_GT(total, 255 * 100);
      EXPECT_NEAR(sx / total, p.X, 1.5) << (isBottom ? "bottom " : "top ") << p.X;
      EXPECT_NEAR(sy / total, p.Y, 1.5) << (isBottom ? "bottom " : "top ") << p.X;
    }
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
  RingText ring = ring400Margin105();
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
  RingText ring = ring400Margin105();
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

// Direction 1 turns every glyph a quarter turn less than direction 0: a
// single character at the top then lies on its side.
TEST_F(SealFontText, DirectionTurnsTheGlyphs) {
  auto extent = [&](int32_t direction) {
    RingText ring = ring400Margin105();
    ring.SetText("一");  // one horizontal stroke
    ring.SetFont(font);
    ring.SetColor(kSealRed);
    ring.SetDirection(direction);
    const GfxBitmap out = ring.Render();
    int minX = 400, maxX = -1, minY = 400, maxY = -1;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 400; ++x)
        if (test::Pixel(out, x, y) >> 24 > 128)
          minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    return std::pair{maxX - minX, maxY - minY};
  };
  const auto upright = extent(0), turned = extent(1);
  EXPECT_GT(upright.first, 3 * upright.second);
  EXPECT_GT(turned.second, 3 * turned.first);
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

TEST(TextItem, UnknownTypeStylesDrawNothing) {
  for (int32_t style : {0, 7, -1}) EXPECT_EQ(inkedPixels(render(oneText(style))), 0) << style;
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
  SealFonts::Shared().Select(face, 30, font);
  RingText ring;
  ring.SetSize(300, 300);
  ring.SetMargin(40);
  ring.SetColor(kSealRed);
  ring.SetText("Velmora科技");
  ring.SetSpacing(8);
  ring.SetFont(font);
  ring.SetFamily(SealFonts::Shared().PrivateFamily());
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
  EXPECT_GT(maxY, 20);  // the text is there ...
  EXPECT_LT(maxY, 40);  // ... and inside the band
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// Hostile lengths cost time in proportion to the characters: a ring that
// wraps round thousands of times and a line reaching far off the seal.
TEST(TextItem, VeryLongRingsAndLinesRender) {
  SealDocument ring = oneText(kTextRingTop);
  std::string words;
  for (int i = 0; i < 5000; ++i) words += "印";
  ring.Text[0].szText = words;
  const GfxBitmap ringImage = render(ring);
  EXPECT_GT(inkedPixels(ringImage), 1000);
  SealDocument line = oneText(kTextLine);
  line.Text[0].OffsetY = 180;
  line.Text[0].szText = std::string(100000, 'W') + "印" + std::string(100000, 'W');
  const GfxBitmap lineImage = render(line);
  EXPECT_GT(inkedPixels(lineImage), 1000);
}

}  // namespace
}  // namespace korvane
