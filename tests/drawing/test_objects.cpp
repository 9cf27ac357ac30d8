// Object lifetime and start-up contracts of the drawing layer.
#include <gtest/gtest.h>

#include "drawing/gfx_graphics.h"

namespace korvane {
namespace {

TEST(GfxObjects, DeletingAnEmptyObjectReturnsFalse) {
  GfxPath path;
  GfxPen pen;
  GfxSolidBrush brush;
  GfxMatrix matrix;
  GfxBitmap bitmap;
  GfxGraphics graphics;
  EXPECT_FALSE(path.Delete());
  EXPECT_FALSE(pen.Delete());
  EXPECT_FALSE(brush.Delete());
  EXPECT_FALSE(matrix.Delete());
  EXPECT_FALSE(bitmap.Dispose());
  EXPECT_FALSE(graphics.Delete());
  ASSERT_TRUE(path.Create());
  EXPECT_TRUE(path.Delete());
  EXPECT_FALSE(path.Delete());
}

TEST(GfxObjects, OperationsOnEmptyObjectsFailWithInvalidParameter) {
  GfxBitmap bitmap;
  GfxGraphics graphics;
  EXPECT_FALSE(graphics.FromImage(bitmap));
  EXPECT_EQ(LastStatus(), GfxStatus::InvalidParameter);
  EXPECT_EQ(bitmap.GetWidth(), 0u);
  GfxPath path;
  EXPECT_FALSE(path.AddRectangleI(0, 0, 1, 1));
  ASSERT_TRUE(bitmap.CreateBlank(4, 4));
  ASSERT_TRUE(graphics.FromImage(bitmap));
  GfxSolidBrush empty;
  path.Create();
  path.AddRectangleI(0, 0, 2, 2);
  EXPECT_FALSE(graphics.FillPath(empty, path));
}

TEST(GfxBitmap, CreateBlankIsTransparentArgbOfTheGivenSize) {
  GfxBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBlank(7, 3));
  EXPECT_EQ(bitmap.GetWidth(), 7u);
  EXPECT_EQ(bitmap.GetHeight(), 3u);
  ARGB c = 1;
  ASSERT_TRUE(bitmap.GetPixel(6, 2, &c));
  EXPECT_EQ(c, 0u);
  EXPECT_FALSE(bitmap.GetPixel(7, 0, &c));
}

TEST(GfxBitmap, RefusesSidesBeyondTheLimitAndKeepsWhatItHeld) {
  GfxBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBlank(5, 5));
  EXPECT_FALSE(bitmap.CreateBlank(kMaxBitmapSide + 1, 10));
  EXPECT_EQ(LastStatus(), GfxStatus::OutOfMemory);
  EXPECT_FALSE(bitmap.CreateBlank(0, 10));
  EXPECT_FALSE(bitmap.CreateBlank(10, 10, 0x00021808 /* 24 bpp */));
  EXPECT_EQ(bitmap.GetWidth(), 5u);
}

TEST(StartGraphics, StopsOnceAndASecondStopDoesNothing) {
  StopGraphics();
  EXPECT_EQ(GraphicsStartToken(), 0u);
  const uint32_t token = StartGraphics();
  EXPECT_NE(token, 0u);
  EXPECT_EQ(GraphicsStartToken(), token);
  StopGraphics();
  EXPECT_EQ(GraphicsStartToken(), 0u);
  StopGraphics();
  EXPECT_EQ(GraphicsStartToken(), 0u);
  EXPECT_EQ(StartGraphics(2), 0u);
}

}  // namespace
}  // namespace korvane
