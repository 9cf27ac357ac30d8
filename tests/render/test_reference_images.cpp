// Reference-image cases: one behaviour per image, under
// tests/render/<feature>/<case>.png. Regenerate with
// KORVANE_UPDATE_REFERENCES=1 and look at every image before committing.
//
// Known differences from GDI+'s rendering, by design:
// - anti-aliased edges come from Cairo's rasteriser, and text and circle
//   outlines from FreeType's exact-coverage one, so edge pixels differ by a
//   few levels from GDI+;
// - glyphs are unhinted outlines placed at their advances, without the
//   extra padding GDI+ puts around a measured string;
// - synthetic bold grows each stroke by em/32 in every direction;
// - a stretched picture uses Cairo's "good" filter with padded edges, where
//   GDI+ blends the outermost pixels with transparency.
#include <gtest/gtest.h>

#include <functional>

#include "drawing/encoders.h"
#include "render/seal_cases.h"
#include "render/seal_renderer.h"
#include "support/image_compare.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

using test::BlankSeal;
using test::Figure;
using test::Frame;

struct ReferenceCase {
  const char* name;  // feature/case
  std::function<SealDocument(const test::TempDir&)> build;
};

// A 2 x 2 picture with one transparent quarter, written where the case runs.
std::string writeQuadPicture(const test::TempDir& dir) {
  GfxBitmap pic;
  pic.CreateBlank(2, 2);
  pic.SetPixel(0, 0, 0xFFD21E22);
  pic.SetPixel(1, 0, 0xFF2050C0);
  pic.SetPixel(0, 1, 0xFF20A040);
  std::string format = kImageFormatPNG;
  const std::string path = (dir / "quad.png").string();
  pic.SaveToFile(path, format);
  return path;
}

SealText textItem(const char* text, int32_t typeStyle, int32_t offsetY, bool bold = false, bool underline = false) {
  SealText t;
  t.szText = text;
  t.Font = {kPrivateSealFaceName, bold, false, underline};
  t.FontSize = 30;
  t.Width = t.Height = 160;
  t.TextColor = kSealRed;
  t.TypeStyle = typeStyle;
  t.Spacing = 4;
  t.OffsetY = offsetY;
  return t;
}

const ReferenceCase kCases[] = {
    {"frames/circle_width_not_height",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Frame.Item[0] = Frame(kFrameCircle, 110, 80, 3, kSealRed);
       return d;
     }},
    {"frames/rectangle_sharp",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Frame.Item[0] = Frame(kFrameRectangle, 100, 70, 4, kSealRed);
       return d;
     }},
    {"frames/rectangle_round_10",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Frame.Item[0] = Frame(kFrameRectangle, 100, 70, 4, kSealRed, kNoColor, 10);
       return d;
     }},
    {"frames/filled_no_outline",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Frame.Item[0] = Frame(kFrameCircle, 90, 90, 0, kSealRed, 0x40A0F0);
       d.Frame.Item[1] = Frame(kFrameRectangle, 40, 40, 6, kNoColor, kSealRed, 5);
       return d;
     }},
    {"frames/both_colours_none",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Frame.Item[0] = Frame(kFrameCircle, 90, 90, 5, kNoColor, kNoColor);
       d.Frame.Item[1] = Frame(kFrameRectangle, 60, 60, 5, kNoColor, kNoColor, 8);
       return d;
     }},
    {"clip/cuts_frame_not_star",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Frame.Item[0] = Frame(kFrameCircle, 100, 100, 6, kSealRed, 0xF0E0E0);
       d.Frame.ClipX = 0, d.Frame.ClipY = 45, d.Frame.ClipWidth = 120, d.Frame.ClipHeight = 30;
       d.Frame.ClipRound = 6;
       d.Shape[0] = Figure(kFigureSolidStar, 40, 40, kSealRed);
       return d;
     }},
    {"figures/star_worked_example",
     [](auto&) {
       SealDocument d = BlankSeal(400, 400);
       d.Shape[0] = Figure(kFigureSolidStar, 100, 60, kSealRed);
       return d;
     }},
    {"figures/hollow_star_line_0",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Shape[0] = Figure(kFigureHollowStar, 90, 90, kSealRed, 0);
       return d;
     }},
    {"figures/hollow_rectangle_line_0",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Shape[0] = Figure(kFigureHollowRectangle, 90, 50, kSealRed, 0);
       d.Shape[1] = Figure(kFigureHollowRectangle, 60, 30, kSealRed, 0, 6);
       return d;
     }},
    {"figures/hollow_ellipse_line_0",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Shape[0] = Figure(kFigureHollowEllipse, 100, 60, kSealRed, 0);
       return d;
     }},
    {"figures/solid_shapes_with_offsets",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Shape[0] = Figure(kFigureSolidEllipse, 50, 30, 0x40A0F0);
       d.Shape[0].OffsetX = -25, d.Shape[0].OffsetY = -30;
       d.Shape[1] = Figure(kFigureSolidRectangle, 50, 30, kSealRed, 0, 8);
       d.Shape[1].OffsetX = 25, d.Shape[1].OffsetY = 30;
       d.Shape[2] = Figure(kFigureHollowEllipse, 40, 40, 0x208020, 4);
       return d;
     }},
    {"figures/color_none",
     [](auto&) {
       SealDocument d = BlankSeal();
       d.Shape[0] = Figure(kFigureSolidStar, 90, 90, kNoColor);
       d.Shape[1] = Figure(kFigureSolidRectangle, 50, 50, kNoColor);
       d.Shape[2] = Figure(kFigureHollowEllipse, 60, 60, kNoColor, 4);
       return d;
     }},
    {"figures/picture_stretched",
     [](const test::TempDir& dir) {
       SealDocument d = BlankSeal();
       d.Shape[0] = Figure(kFigurePicture, 100, 40, kNoColor);
       d.Shape[0].szFile = writeQuadPicture(dir);
       return d;
     }},
    {"figures/odd_size_truncates",
     [](auto&) {
       SealDocument d = BlankSeal(400, 400);
       d.Shape[0] = Figure(kFigureSolidRectangle, 75, 75, kSealRed);
       return d;
     }},
    {"text/ring_top",
     [](auto&) {
       SealDocument d = BlankSeal(200, 200);
       d.Text[0] = textItem("印章Seal", kTextRingTop, 0);
       return d;
     }},
    {"text/ring_bottom",
     [](auto&) {
       SealDocument d = BlankSeal(200, 200);
       d.Text[0] = textItem("WWW.印章", kTextRingBottom, 0);
       return d;
     }},
    {"text/line",
     [](auto&) {
       SealDocument d = BlankSeal(200, 100);
       d.Text[0] = textItem("Line文字", kTextLine, 30);
       d.Text[0].Height = 40;
       return d;
     }},
    {"text/bold_vs_regular",
     [](auto&) {
       SealDocument d = BlankSeal(200, 100);
       d.Text[0] = textItem("Bold粗体", kTextLine, 5, true);
       d.Text[0].Height = 40;
       d.Text[1] = textItem("Bold粗体", kTextLine, 55, false);
       d.Text[1].Height = 40;
       return d;
     }},
    {"text/underline",
     [](auto&) {
       SealDocument d = BlankSeal(200, 100);
       d.Text[0] = textItem("Under下划线", kTextLine, 30, false, true);
       d.Text[0].Height = 40;
       return d;
     }},
    {"seal/startup", [](auto&) { return StartupSealDocument(); }},
};

void PrintTo(const ReferenceCase& c, std::ostream* os) { *os << c.name; }

class ReferenceImage : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceImage, Matches) {
  test::TempDir dir;
  const SealDocument doc = GetParam().build(dir);
  SealRenderer renderer;
  ASSERT_TRUE(renderer.RenderSeal(doc));
  EXPECT_TRUE(test::MatchesReference(renderer.SealBitmap(), GetParam().name));
}

std::string caseName(const ::testing::TestParamInfo<ReferenceCase>& info) {
  std::string name = info.param.name;
  for (char& c : name)
    if (c == '/') c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Render, ReferenceImage, ::testing::ValuesIn(kCases), caseName);

}  // namespace
}  // namespace korvane
