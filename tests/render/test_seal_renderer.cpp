#include <gtest/gtest.h>

#include "drawing/raster/path_data.h"

#include <limits>

#include "render/seal_renderer.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

using test::Pixel;

SealDocument emptySeal(int w, int h) {
  SealDocument doc = CreateSealDocument();
  doc.Width = w;
  doc.Height = h;
  doc.BackColor = kNoColor;
  return doc;
}

TEST(ToArgb, SwapsRedAndBlueAndIsOpaque) {
  EXPECT_EQ(ToArgb(0x221ED2), 0xFFD21E22u);
  EXPECT_EQ(ToArgb(0xFFFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(ToArgb(0), 0xFF000000u);
  EXPECT_EQ(ToArgb(0x7F0000FF), 0xFFFF0000u);  // the top byte is dropped
}

TEST(TruncToInt, TruncatesTowardZeroAndSaturates) {
  EXPECT_EQ(TruncToInt(162.5), 162);
  EXPECT_EQ(TruncToInt(-162.9), -162);
  EXPECT_EQ(TruncToInt(1e30), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncToInt(-1e30), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncToInt(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(AppendRoundedRect, CornerArcsHaveBoxesOfTwiceTheRadius) {
  GfxPath path;
  path.Create();
  AppendRoundedRect(path, 10, 20, 100, 50, 10);
  const auto& s = path.GetNative()->segments;
  ASSERT_EQ(s.front().kind, PathSegment::Move);
  EXPECT_NEAR(s.front().x1, 10, 1e-9);  // top-left arc starts on the left edge
  EXPECT_NEAR(s.front().y1, 30, 1e-9);
  // Each arc is joined by a line to the previous one: find the line ends.
  std::vector<std::pair<double, double>> lineEnds;
  for (const PathSegment& seg : s)
    if (seg.kind == PathSegment::Line) lineEnds.push_back({seg.x1, seg.y1});
  ASSERT_EQ(lineEnds.size(), 3u);
  EXPECT_NEAR(lineEnds[0].first, 100, 1e-9);  // top-right arc box at x = 90
  EXPECT_NEAR(lineEnds[0].second, 20, 1e-9);
  EXPECT_NEAR(lineEnds[1].first, 110, 1e-9);  // bottom-right arc box at y = 50
  EXPECT_NEAR(lineEnds[1].second, 60, 1e-9);
  EXPECT_NEAR(lineEnds[2].first, 20, 1e-9);
  EXPECT_NEAR(lineEnds[2].second, 70, 1e-9);
  EXPECT_EQ(s.back().kind, PathSegment::Close);
  GfxRectF bounds;
  path.GetWorldBounds(&bounds);
  EXPECT_NEAR(bounds.X, 10, 1e-4);
  EXPECT_NEAR(bounds.Y, 20, 1e-4);
  EXPECT_NEAR(bounds.Width, 100, 1e-4);
  EXPECT_NEAR(bounds.Height, 50, 1e-4);
}

TEST(RenderSeal, RefusesSizeBelowOneAndKeepsTheLastBitmap) {
  SealRenderer r;
  SealDocument doc = emptySeal(30, 20);
  doc.BackColor = 0x0000FF;
  ASSERT_TRUE(r.RenderSeal(doc));
  for (auto [w, h] : {std::pair{0, 20}, {30, 0}, {-5, 20}, {kMaxBitmapSide + 1, 10}}) {
    SealDocument bad = emptySeal(w, h);
    EXPECT_FALSE(r.RenderSeal(bad)) << w << "x" << h;
    EXPECT_EQ(r.SealBitmap().GetWidth(), 30u);
    EXPECT_EQ(r.RenderWidth(), 30);
    EXPECT_EQ(Pixel(r.SealBitmap(), 5, 5), 0xFFFF0000u);
  }
}

TEST(RenderSeal, TransparentBackgroundLeavesEveryPixelClear) {
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(emptySeal(16, 9)));
  EXPECT_EQ(r.SealBitmap().GetWidth(), 16u);
  EXPECT_EQ(r.SealBitmap().GetHeight(), 9u);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(Pixel(r.SealBitmap(), x, y), 0u);
}

TEST(RenderSeal, OpaqueBackgroundCoversEveryPixelWhole) {
  SealRenderer r;
  SealDocument doc = emptySeal(16, 9);
  doc.BackColor = 0x00FF00;
  ASSERT_TRUE(r.RenderSeal(doc));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(Pixel(r.SealBitmap(), x, y), 0xFF00FF00u) << x << "," << y;
}

// A filled rectangle frame over the whole seal, cut by the clip band.
SealDocument clippedSquare() {
  SealDocument doc = emptySeal(100, 100);
  SealFrame& f = doc.Frame.Item[0];
  f.Type = kFrameRectangle;
  f.Width = 100;
  f.Height = 100;
  f.FillColor = 0x0000FF;
  f.LineColor = kNoColor;
  doc.Frame.ClipX = 0;
  doc.Frame.ClipY = 40;
  doc.Frame.ClipWidth = 100;
  doc.Frame.ClipHeight = 20;
  return doc;
}

TEST(RenderSeal, ClipBandCutsFramesExactly) {
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(clippedSquare()));
  for (int y = 30; y < 70; ++y) {
    const bool inBand = y >= 40 && y < 60;
    EXPECT_EQ(Pixel(r.SealBitmap(), 50, y) >> 24, inBand ? 0u : 255u) << "row " << y;
  }
}

TEST(RenderSeal, ClipNeedsWidthAndHeightOfAtLeastOne) {
  SealRenderer r;
  SealDocument doc = clippedSquare();
  doc.Frame.ClipHeight = 0;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(Pixel(r.SealBitmap(), 50, 50) >> 24, 255u);
}

TEST(RenderSeal, RoundedClipLeavesCornersDrawn) {
  SealRenderer r;
  SealDocument doc = clippedSquare();
  doc.Frame.ClipX = 20;
  doc.Frame.ClipWidth = 60;
  doc.Frame.ClipRound = 10;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(Pixel(r.SealBitmap(), 50, 50) >> 24, 0u);
  EXPECT_EQ(Pixel(r.SealBitmap(), 21, 41) >> 24, 255u);  // outside the rounded corner
  EXPECT_EQ(Pixel(r.SealBitmap(), 30, 41) >> 24, 0u);
}

TEST(RenderSeal, ABandReachingFarBeyondTheSealCutsLikeTheBandItself) {
  SealDocument inRange = StartupSealDocument(), farOut = inRange;
  farOut.Frame.ClipX = -1000000000;
  farOut.Frame.ClipWidth = 2000000400;
  SealRenderer a, b;
  ASSERT_TRUE(a.RenderSeal(inRange));
  ASSERT_TRUE(b.RenderSeal(farOut));
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x)
      ASSERT_EQ(Pixel(a.SealBitmap(), x, y), Pixel(b.SealBitmap(), x, y)) << x << "," << y;
}

TEST(RenderSeal, AClipCoveringTheWholeSealCutsEveryFrame) {
  SealDocument doc = clippedSquare();
  doc.Frame.ClipX = doc.Frame.ClipY = -2000000000;
  doc.Frame.ClipWidth = doc.Frame.ClipHeight = 2100000000;
  doc.Frame.ClipRound = 1000;  // four arcs of side 2000, far from the seal
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(doc));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) ASSERT_EQ(Pixel(r.SealBitmap(), x, y) >> 24, 0u) << x << "," << y;
}

TEST(RenderSeal, FiguresAreNotClipped) {
  SealRenderer r;
  SealDocument doc = clippedSquare();
  doc.Frame.Item[0].Type = kFrameNone;
  SealFigure& fig = doc.Shape[0];
  fig.Type = kFigureSolidRectangle;
  fig.Width = 60;
  fig.Height = 60;
  fig.Color = 0x00FF00;
  ASSERT_TRUE(r.RenderSeal(doc));
  EXPECT_EQ(Pixel(r.SealBitmap(), 50, 50), 0xFF00FF00u);
}

TEST(RenderSeal, HugeFieldValuesNeitherCrashNorHang) {
  SealRenderer r;
  SealDocument doc = StartupSealDocument();
  const int32_t extremes[] = {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(), -1, 1};
  for (int32_t v : extremes) {
    for (SealFrame& f : doc.Frame.Item) f = {kFrameRectangle, v, v, v, v, 0x0000FF, 0x00FF00};
    doc.Frame.ClipX = doc.Frame.ClipY = doc.Frame.ClipRound = v;
    doc.Frame.ClipWidth = doc.Frame.ClipHeight = v;
    for (int i = 0; i < kFigureCount; ++i) {
      SealFigure& f = doc.Shape[i];
      f.Type = 2 + i;
      f.Width = f.Height = f.LineWidth = f.Round = f.OffsetX = f.OffsetY = v;
      f.Color = 0xFF;
    }
    for (int i = 0; i < kTextCount; ++i) {
      SealText& t = doc.Text[i];
      t.TypeStyle = 1 + i % 3;
      t.FontSize = v > 0 ? v : 40;
      t.Width = t.Height = t.Spacing = t.OffsetX = t.OffsetY = v;
    }
    EXPECT_TRUE(r.RenderSeal(doc)) << v;
  }
}

}  // namespace
}  // namespace korvane
