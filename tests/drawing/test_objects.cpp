// Object lifetime and start-up contracts of the drawing layer.
#include <gtest/gtest.h>

#include "drawing/text/font_face.h"

#include <cmath>
#include <functional>
#include <tuple>

#include "drawing/gfx/gfx_font.h"
#include "drawing/gfx/gfx_graphics.h"

namespace korvane {
namespace {

TEST(GfxObjects, DeletingAnEmptyObjectReturnsFalse) {
  GfxPath path;
  GfxPen pen;
  GfxSolidBrush brush;
  GfxMatrix matrix;
  GfxBitmap bitmap;
  GfxGraphics graphics;
  GfxFont font;
  GfxFontFamily family;
  GfxStringFormat format;
  GfxRegion region;
  GfxPrivateFontCollection fonts;
  // Each says why through LastStatus, like every other operation.
  const std::pair<const char*, std::function<bool()>> deletes[] = {
      {"path", [&] { return path.Delete(); }},       {"pen", [&] { return pen.Delete(); }},
      {"brush", [&] { return brush.Delete(); }},     {"matrix", [&] { return matrix.Delete(); }},
      {"bitmap", [&] { return bitmap.Dispose(); }},  {"graphics", [&] { return graphics.Delete(); }},
      {"font", [&] { return font.Delete(); }},       {"family", [&] { return family.Delete(); }},
      {"format", [&] { return format.Delete(); }},   {"region", [&] { return region.Delete(); }},
      {"collection", [&] { return fonts.Delete(); }},
  };
  for (const auto& [name, del] : deletes) {
    SetLastStatus(GfxStatus::Ok);
    EXPECT_FALSE(del()) << name;
    EXPECT_EQ(LastStatus(), GfxStatus::InvalidParameter) << name;
  }
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

// A failed call leaves the object as it was: each row makes an object,
// records what it reads, makes a call that must fail, and reads again.
TEST(GfxObjects, AFailedCallLeavesTheObjectUnchanged) {
  struct Row {
    const char* name;
    std::function<std::string()> run;  // returns "" when unchanged
  };
  auto same = [](auto before, auto after) { return before == after ? std::string() : std::string("changed"); };
  const Row rows[] = {
      {"bitmap CreateBlank too large",
       [&] {
         GfxBitmap b;
         b.CreateBlank(3, 2);
         b.SetPixel(1, 1, 0xFF112233);
         EXPECT_FALSE(b.CreateBlank(kMaxBitmapSide + 1, 1));
         ARGB c = 0;
         b.GetPixel(1, 1, &c);
         return same(std::tuple{3u, 2u, 0xFF112233u}, std::tuple{b.GetWidth(), b.GetHeight(), c});
       }},
      {"bitmap CreateFromBytes garbage",
       [&] {
         GfxBitmap b;
         b.CreateBlank(3, 2);
         EXPECT_FALSE(b.CreateFromBytes(ByteArray{'B', 'M', 0, 1}));
         return same(3u, b.GetWidth());
       }},
      {"pen Create with NaN width",
       [&] {
         GfxPen p;
         p.Create(0xFF000000, 4);
         EXPECT_FALSE(p.Create(0xFF000000, std::nanf("")));
         return same(4.0f, p.GetWidth());
       }},
      {"path SetFillMode 7",
       [&] {
         GfxPath p;
         p.Create(FillModeWinding);
         EXPECT_FALSE(p.SetFillMode(7));
         int32_t mode = -1;
         p.GetFillMode(&mode);
         return same(int32_t(FillModeWinding), mode);
       }},
      {"graphics SetWorldTransform singular",
       [&] {
         GfxBitmap b;
         b.CreateBlank(4, 4);
         GfxGraphics g;
         g.FromImage(b);
         GfxMatrix shift, flat;
         shift.Create();
         shift.Translate(2, 3);
         g.SetWorldTransform(shift);
         flat.Create();
         cairo_matrix_init(flat.GetNative(), 0, 0, 0, 0, 0, 0);
         EXPECT_FALSE(g.SetWorldTransform(flat));
         return same(std::pair{2.0, 3.0}, std::pair{g.WorldTransform().x0, g.WorldTransform().y0});
       }},
      {"graphics SetSmoothingMode 99",
       [&] {
         GfxBitmap b;
         b.CreateBlank(4, 4);
         GfxGraphics g;
         g.FromImage(b);
         g.SetSmoothingMode(SmoothingModeHighQuality);
         EXPECT_FALSE(g.SetSmoothingMode(99));
         return same(int32_t(SmoothingModeHighQuality), g.GetSmoothingMode());
       }},
      {"format SetAlign 3",
       [&] {
         GfxStringFormat f;
         f.Create();
         f.SetAlign(StringAlignmentFar);
         EXPECT_FALSE(f.SetAlign(3));
         return same(int32_t(StringAlignmentFar), f.GetNative()->align);
       }},
      {"family CreateFromName unknown",
       [&] {
         GfxFontFamily fam;
         fam.CreateFromName("DejaVu Sans");
         EXPECT_FALSE(fam.CreateFromName("No Such Family 42"));
         return same(std::string("DejaVu Sans"), fam.GetFamilyName());
       }},
      {"font Create with size 0",
       [&] {
         GfxFont font;
         font.CreateByName("DejaVu Sans", 12, 0, 2);
         EXPECT_FALSE(font.CreateByName("DejaVu Sans", 0, 0, 2));
         return same(12.0f, font.GetSize());
       }},
      {"solid brush on nothing",
       [&] {
         GfxSolidBrush brush;
         brush.Create(0xFF00FF00);
         GfxTextureBrush texture;
         GfxBitmap none;
         EXPECT_FALSE(texture.Create(none));
         ARGB c = 0;
         brush.GetColor(&c);
         return same(0xFF00FF00u, c) + (texture.GetNative() ? "texture made" : "");
       }},
  };
  for (const Row& row : rows) EXPECT_EQ(row.run(), "") << row.name;
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

// A family whose face cannot be loaded answers no style, and says so.
TEST(GfxFontFamily, AStyleThatCannotBeHadIsNotFoundRatherThanOk) {
  auto data = std::make_shared<FontFamilyData>();
  data->name = "Gone";
  data->faces.push_back(std::make_shared<FontFace>("/nonexistent/gone.ttf", 0, false, false));
  GfxFontFamily family;
  family.SetNative(data);
  SetLastStatus(GfxStatus::Ok);
  EXPECT_FALSE(family.IsStyleAvailable(FontStyleRegular));
  EXPECT_EQ(LastStatus(), GfxStatus::FontStyleNotFound);
  for (auto metric : {&GfxFontFamily::GetEmHeight, &GfxFontFamily::GetCellAscent, &GfxFontFamily::GetCellDescent}) {
    SetLastStatus(GfxStatus::Ok);
    EXPECT_EQ((family.*metric)(FontStyleBold), 0);
    EXPECT_EQ(LastStatus(), GfxStatus::FontStyleNotFound);
  }
  GfxFont font;
  EXPECT_FALSE(font.Create(family, 20, FontStyleRegular, UnitPixel));
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

namespace korvane {
namespace {

// Near, centre and far place the text's box at the start, middle and end
// of the layout rectangle, across and down.
TEST(GfxStringFormat, NearCentreAndFarAlignTheLineBox) {
  GfxBitmap bitmap;
  bitmap.CreateBlank(10, 10);
  GfxGraphics g;
  g.FromImage(bitmap);
  GfxFont font;
  ASSERT_TRUE(font.CreateByName("DejaVu Sans", 20, FontStyleRegular, 2));
  const GfxRectF layout{10, 20, 300, 100};
  GfxStringFormat format;
  format.Create();
  GfxRectF box;
  ASSERT_TRUE(g.MeasureString("Seal", font, layout, format, &box));
  const float w = box.Width, h = box.Height;
  ASSERT_GT(w, 20);
  const float expectX[] = {10, 10 + (300 - w) / 2, 10 + 300 - w};
  const float expectY[] = {20, 20 + (100 - h) / 2, 20 + 100 - h};
  for (int32_t align : {StringAlignmentNear, StringAlignmentCenter, StringAlignmentFar}) {
    format.SetAlign(align);
    format.SetLineAlign(align);
    ASSERT_TRUE(g.MeasureString("Seal", font, layout, format, &box));
    EXPECT_FLOAT_EQ(box.X, expectX[align]) << align;
    EXPECT_FLOAT_EQ(box.Y, expectY[align]) << align;
    EXPECT_FLOAT_EQ(box.Width, w);
  }
}

}  // namespace
}  // namespace korvane
