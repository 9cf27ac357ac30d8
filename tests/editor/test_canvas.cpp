// The off-screen canvas and the surface that shows canvases on a panel.
#include <gtest/gtest.h>

#include "drawing/gfx/gfx_dib_canvas.h"
#include "editor/window_surface.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

using test::Pixel;

TEST(GfxDibCanvas, BmpBytesAreAnUprightBmpOfTheCanvas) {
  GfxDibCanvas canvas;
  ASSERT_TRUE(canvas.Create(5, 3));
  GfxSolidBrush red;
  red.Create(0xFFFF0000);
  canvas.FillRectangle(red, -0.5f, -0.5f, 1, 1);  // the top-left pixel only
  const ByteArray bmp = canvas.ToBmpBytes();
  ASSERT_EQ(bmp.size(), 54u + 4u * 5u * 3u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  GfxBitmap back;
  ASSERT_TRUE(back.CreateFromBytes(bmp));
  EXPECT_EQ(Pixel(back, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Pixel(back, 1, 0) & 0x00FFFFFF, 0u);
  EXPECT_EQ(Pixel(back, 0, 2) & 0x00FFFFFF, 0u);
  EXPECT_TRUE(canvas.Delete());
  EXPECT_FALSE(canvas.Delete());
  EXPECT_TRUE(canvas.ToBmpBytes().empty());
}

TEST(GfxDibCanvas, TheCheckerboardIsEightPixelSquaresWhiteFirst) {
  const ByteArray bytes = CheckerboardBmpBytes();
  EXPECT_EQ(bytes.size(), 6966u);
  GfxBitmap checker;
  ASSERT_TRUE(checker.CreateFromBytes(bytes));
  ASSERT_EQ(checker.GetWidth(), 48u);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x) {
      const ARGB expected = ((x / 8 + y / 8) % 2 == 0) ? 0xFFFFFFFFu : 0xFFDFDFDFu;
      ASSERT_EQ(Pixel(checker, x, y), expected) << x << "," << y;
    }
}

TEST(WindowSurface, BlendInLeavesPixelsUnderTransparentOnesUnchanged) {
  CanvasPanel panel;
  panel.resize(10, 10);
  WindowSurface surface;
  ASSERT_TRUE(surface.Attach(&panel));
  GfxSolidBrush blue;
  blue.Create(0xFF0000FF);
  surface.Canvas().FillRectangle(blue, -0.5f, -0.5f, 10, 10);
  GfxDibCanvas over;
  ASSERT_TRUE(over.Create(4, 4));
  GfxSolidBrush red;
  red.Create(0xFFFF0000);
  over.FillRectangle(red, -0.5f, -0.5f, 2, 4);  // left half red, right half clear
  ASSERT_TRUE(surface.BlendIn(over, 3, 3));
  EXPECT_EQ(Pixel(surface.Canvas().Bitmap(), 3, 3), 0xFFFF0000u);
  EXPECT_EQ(Pixel(surface.Canvas().Bitmap(), 5, 3), 0xFF0000FFu);  // under a clear pixel
  EXPECT_EQ(Pixel(surface.Canvas().Bitmap(), 0, 0), 0xFF0000FFu);
  ASSERT_TRUE(surface.Update());
  EXPECT_EQ(panel.Picture().pixel(3, 3), 0xFFFF0000u);
  EXPECT_FALSE(surface.Attach(&panel));  // already attached
}

TEST(WindowSurface, ADetachedSurfaceDoesNothing) {
  WindowSurface surface;
  GfxDibCanvas canvas;
  canvas.Create(2, 2);
  EXPECT_FALSE(surface.BlendIn(canvas, 0, 0));
  EXPECT_FALSE(surface.Update());
  EXPECT_FALSE(surface.Show(canvas));
  EXPECT_FALSE(surface.ClearCanvas());
  EXPECT_FALSE(surface.SetAlpha(10));
  EXPECT_EQ(surface.GetAlpha(), -1);
  EXPECT_FALSE(surface.Detach());
}

}  // namespace
}  // namespace korvane
