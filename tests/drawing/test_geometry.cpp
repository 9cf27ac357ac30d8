// The GDI+ geometry the renderer relies on: pixel-centre coordinates, pen
// placement, arcs, exclude clips and rotation about a point.
#include <gtest/gtest.h>

#include "drawing/raster/path_data.h"

#include "drawing/raster/bounded_path.h"
#include "drawing/gfx/gfx_graphics.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

using test::Pixel;

struct Canvas {
  GfxBitmap bitmap;
  GfxGraphics g;
  Canvas(int w, int h) {
    EXPECT_TRUE(bitmap.CreateBlank(w, h));
    EXPECT_TRUE(g.FromImage(bitmap));
    g.SetSmoothingMode(SmoothingModeHighQuality);
  }
  uint32_t alpha(int x, int y) const { return Pixel(bitmap, x, y) >> 24; }
};

void strokeLine(Canvas& c, float width, int y) {
  GfxPath path;
  path.Create();
  path.AddLineI(5, y, 45, y);
  GfxPen pen;
  pen.Create(0xFF000000, width);
  c.g.DrawPath(pen, path);
}

TEST(PixelGrid, ThreePixelPenCoversRowsNineToEleven) {
  Canvas c(50, 20);
  strokeLine(c, 3, 10);
  EXPECT_EQ(c.alpha(20, 8), 0u);
  EXPECT_EQ(c.alpha(20, 9), 255u);
  EXPECT_EQ(c.alpha(20, 10), 255u);
  EXPECT_EQ(c.alpha(20, 11), 255u);
  EXPECT_EQ(c.alpha(20, 12), 0u);
}

TEST(PixelGrid, ZeroWidthPenDrawsOneDevicePixel) {
  Canvas c(50, 20);
  strokeLine(c, 0, 10);
  EXPECT_EQ(c.alpha(20, 9), 0u);
  EXPECT_EQ(c.alpha(20, 10), 255u);
  EXPECT_EQ(c.alpha(20, 11), 0u);
}

TEST(PixelGrid, ZeroWidthPenStaysOnePixelUnderRotation) {
  Canvas c(50, 50);
  GfxMatrix m;
  m.Create();
  m.RotateAt(90, 25, 25);
  c.g.SetWorldTransform(m);
  // A horizontal line through the centre becomes a vertical one.
  strokeLine(c, 0, 25);
  EXPECT_EQ(c.alpha(25, 20), 255u);
  EXPECT_EQ(c.alpha(24, 20), 0u);
  EXPECT_EQ(c.alpha(26, 20), 0u);
}

TEST(PixelGrid, FilledRectangleEdgesAreHalfCovered) {
  // GDI+'s rectangle (10, 10, 5, 5) spans pixel centres 10..15.
  Canvas c(30, 30);
  GfxSolidBrush brush;
  brush.Create(0xFF000000);
  c.g.FillRectangleI(brush, 10, 10, 5, 5);
  EXPECT_EQ(c.alpha(12, 9), 0u);
  EXPECT_NEAR(c.alpha(12, 10), 128u, 2);
  EXPECT_EQ(c.alpha(12, 12), 255u);
  EXPECT_NEAR(c.alpha(12, 15), 128u, 2);
  EXPECT_EQ(c.alpha(12, 16), 0u);
}

TEST(Arc, ClockwiseFromPositiveXWithYDown) {
  GfxPath path;
  path.Create();
  ASSERT_TRUE(path.AddArcI(0, 0, 100, 100, 0, 90));
  const auto& segs = path.GetNative()->segments;
  ASSERT_GE(segs.size(), 2u);
  EXPECT_EQ(segs.front().kind, PathSegment::Move);
  EXPECT_NEAR(segs.front().x1, 100, 1e-9);
  EXPECT_NEAR(segs.front().y1, 50, 1e-9);
  EXPECT_NEAR(segs.back().x3, 50, 1e-9);
  EXPECT_NEAR(segs.back().y3, 100, 1e-9);
}

TEST(Arc, JoinsThePreviousPointWithALine) {
  GfxPath path;
  path.Create();
  path.AddArcI(0, 0, 20, 20, 180, 90);
  path.AddArcI(80, 0, 20, 20, 270, 90);
  const auto& segs = path.GetNative()->segments;
  // Move, curve, line to the second arc's start, curve.
  ASSERT_EQ(segs.size(), 4u);
  EXPECT_EQ(segs[2].kind, PathSegment::Line);
  EXPECT_NEAR(segs[2].x1, 90, 1e-9);
  EXPECT_NEAR(segs[2].y1, 0, 1e-9);
}

TEST(Arc, EllipseAnglesArePolarNotParametric) {
  // On a 200 x 100 ellipse the 45-degree point lies on the diagonal ray.
  GfxPath path;
  path.Create();
  path.AddArcI(0, 0, 200, 100, 45, 10);
  const PathSegment& start = path.GetNative()->segments.front();
  EXPECT_NEAR(start.x1 - 100, start.y1 - 50, 1e-9);
}

TEST(Arc, RefusesAnEmptyBox) {
  GfxPath path;
  path.Create();
  EXPECT_FALSE(path.AddArcI(0, 0, 0, 10, 0, 90));
  EXPECT_EQ(LastStatus(), GfxStatus::InvalidParameter);
  EXPECT_EQ(path.GetPointCount(), 0);
}

TEST(Clip, ExcludeKeepsDrawingOutOfThePathPixelExactly) {
  Canvas c(40, 40);
  GfxPath band;
  band.Create();
  band.AddRectangleI(0, 15, 40, 10);
  ASSERT_TRUE(c.g.SetClipPath(band, CombineModeExclude));
  GfxSolidBrush brush;
  brush.Create(0xFFFF0000);
  c.g.FillRectangle(brush, -0.5f, -0.5f, 40, 40);
  for (int y = 0; y < 40; ++y) {
    const bool inBand = y >= 15 && y < 25;
    EXPECT_EQ(c.alpha(20, y), inBand ? 0u : 255u) << "row " << y;
  }
  c.g.ResetClip();
  c.g.FillRectangle(brush, -0.5f, -0.5f, 40, 40);
  EXPECT_EQ(c.alpha(20, 20), 255u);
}

TEST(Clip, ExcludeWorksForPathsReachingBeyondTheSurface) {
  Canvas c(20, 20);
  GfxPath big;
  big.Create();
  big.AddRectangleI(-100, 5, 1000, 5);
  c.g.SetClipPath(big, CombineModeExclude);
  GfxSolidBrush brush;
  brush.Create(0xFF0000FF);
  c.g.FillRectangle(brush, -0.5f, -0.5f, 20, 20);
  EXPECT_EQ(c.alpha(0, 7), 0u);
  EXPECT_EQ(c.alpha(0, 2), 255u);
  EXPECT_EQ(c.alpha(19, 12), 255u);
}

TEST(Matrix, RotateAtTurnsClockwiseAboutThePoint) {
  for (int order : {MatrixOrderPrepend, MatrixOrderAppend}) {
    GfxMatrix m;
    m.Create();
    ASSERT_TRUE(m.RotateAt(90, 10, 10, order));
    double x = 20, y = 10;
    m.TransformPoint(&x, &y);
    EXPECT_NEAR(x, 10, 1e-6);
    EXPECT_NEAR(y, 20, 1e-6);
  }
}

TEST(Matrix, PrependAppliesTheNewStepFirst) {
  GfxMatrix prepend, append;
  prepend.Create();
  append.Create();
  prepend.Rotate(90);
  prepend.Translate(10, 0, MatrixOrderPrepend);
  append.Rotate(90);
  append.Translate(10, 0, MatrixOrderAppend);
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  prepend.TransformPoint(&x1, &y1);  // translate, then rotate
  append.TransformPoint(&x2, &y2);   // rotate, then translate
  EXPECT_NEAR(x1, 0, 1e-6);
  EXPECT_NEAR(y1, 10, 1e-6);
  EXPECT_NEAR(x2, 10, 1e-6);
  EXPECT_NEAR(y2, 0, 1e-6);
}

TEST(Image, DrawImageStretchesAndHonoursAlpha) {
  GfxBitmap src;
  src.CreateBlank(2, 1);
  src.SetPixel(0, 0, 0xFFFF0000);
  src.SetPixel(1, 0, 0x00000000);
  Canvas c(20, 10);
  GfxSolidBrush blue;
  blue.Create(0xFF0000FF);
  c.g.FillRectangle(blue, -0.5f, -0.5f, 20, 10);
  c.g.DrawImageRectRectI(src, 0, 0, 20, 10, 0, 0, 2, 1);
  EXPECT_EQ(Pixel(c.bitmap, 2, 5), 0xFFFF0000u);
  // The transparent half lets the background through.
  EXPECT_EQ(Pixel(c.bitmap, 18, 5), 0xFF0000FFu);
}

TEST(Image, DrawImageIIsAnExactCopy) {
  GfxBitmap src;
  src.CreateBlank(3, 3);
  src.SetPixel(1, 1, 0x80FF0000);
  Canvas c(10, 10);
  c.g.DrawImageI(src, 4, 5);
  EXPECT_EQ(Pixel(c.bitmap, 5, 6), 0x80FF0000u);
  EXPECT_EQ(Pixel(c.bitmap, 4, 5), 0u);
}

TEST(TextureBrush, TilesTheImageFromTheOrigin) {
  GfxBitmap tile;
  tile.CreateBlank(2, 2);
  tile.SetPixel(0, 0, 0xFFFFFFFF);
  tile.SetPixel(1, 1, 0xFFFFFFFF);
  tile.SetPixel(1, 0, 0xFF000000);
  tile.SetPixel(0, 1, 0xFF000000);
  GfxTextureBrush brush;
  ASSERT_TRUE(brush.Create(tile));
  tile.Dispose();  // the brush keeps its own copy
  Canvas c(6, 6);
  c.g.FillRectangle(brush, -0.5f, -0.5f, 6, 6);
  EXPECT_EQ(Pixel(c.bitmap, 4, 2), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(c.bitmap, 5, 2), 0xFF000000u);
}

}  // namespace
}  // namespace korvane

#include <cmath>
#include <functional>

#include "drawing/gfx/gfx_font.h"
#include "drawing/raster/coverage_fill.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstring>
#include <iterator>
#include <memory>

namespace korvane {
namespace {

// Largest difference in alpha between two canvases.
int largestAlphaDifference(const Canvas& a, const Canvas& b, int w, int h) {
  int d = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) d = std::max(d, std::abs(int(a.alpha(x, y)) - int(b.alpha(x, y))));
  return d;
}

// A many-sided star: enough segments to take the coverage route.
GfxPath detailedPath(double centre = 50, double scale = 1) {
  GfxPath path;
  path.Create(FillModeWinding);
  std::vector<GfxPoint> points;
  for (int i = 0; i < 48; ++i) {
    const double r = (i % 2 ? 18 : 40) * scale, a = i * 3.14159265358979 / 24;
    points.push_back({int32_t(centre + r * std::cos(a)), int32_t(centre + r * std::sin(a))});
  }
  path.AddPolygonI(points);
  return path;
}

TEST(CoverageFill, MatchesCairosFillWithinAntialiasing) {
  GfxPath path = detailedPath();
  ASSERT_GE(path.GetNative()->segments.size(), kCoverageFillMinSegments);
  Canvas viaCoverage(100, 100), viaCairo(100, 100);
  GfxSolidBrush brush;
  brush.Create(0xFF000000);
  viaCoverage.g.FillPath(brush, path);
  cairo_t* cr = viaCairo.g.GetNative();
  path.Replay(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_fill(cr);
  EXPECT_EQ(viaCoverage.alpha(50, 50), 255u);
  EXPECT_EQ(viaCoverage.alpha(2, 2), 0u);
  // Exact area coverage against cairo's sampling: edge pixels only.
  EXPECT_LE(largestAlphaDifference(viaCoverage, viaCairo, 100, 100), 40);
}

// The coverage route and cairo's own fill of the same path under a world
// rotation: they may differ on edge pixels only.
TEST(CoverageFill, MatchesCairosFillUnderRotation) {
  for (float angle : {0.0f, 30.0f, 45.0f, 90.0f}) {
    GfxPath path = detailedPath();
    Canvas viaCoverage(100, 100), viaCairo(100, 100);
    GfxMatrix m;
    m.Create();
    m.RotateAt(angle, 50, 50);
    viaCoverage.g.SetWorldTransform(m);
    viaCairo.g.SetWorldTransform(m);
    GfxSolidBrush brush;
    brush.Create(0xFF000000);
    viaCoverage.g.FillPath(brush, path);
    cairo_t* cr = viaCairo.g.GetNative();
    path.Replay(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr);
    long inkCoverage = 0, inkCairo = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) inkCoverage += viaCoverage.alpha(x, y), inkCairo += viaCairo.alpha(x, y);
    EXPECT_GT(inkCairo, 255 * 2000) << angle;
    EXPECT_NEAR(double(inkCoverage), double(inkCairo), 255 * 20.0) << angle;
    EXPECT_LE(largestAlphaDifference(viaCoverage, viaCairo, 100, 100), 40) << angle;
  }
}

// A kept mask is found from the path as given and what places it: every
// change of matrix, clip, surface or fill rule must be a different mask,
// and a kept one must equal a fresh rasterisation pixel for pixel.
TEST(CoverageFill, AKeptMaskIsTheMaskAFreshFillMakes) {
  struct Placement {
    const char* what;
    int size;
    float angle, dx;
    int clipTop;  // a window from there down, 30 high; -1 for none
    int32_t fillMode;
  };
  const Placement placements[] = {
      // A window first: its mask covers less than the others need.
      {"seen through a window", 100, 0, 0, 45, FillModeWinding},
      {"seen through another window", 100, 0, 0, 20, FillModeWinding},
      {"plain", 100, 0, 0, -1, FillModeWinding},
      {"moved a whole pixel", 100, 0, 1, -1, FillModeWinding},
      {"moved a third of a pixel", 100, 0, 0.33f, -1, FillModeWinding},
      {"turned", 100, 30, 0, -1, FillModeWinding},
      {"on a smaller surface", 70, 0, 0, -1, FillModeWinding},
      {"alternate rule", 100, 0, 0, -1, FillModeAlternate},
  };
  auto draw = [](const Placement& p) {
    auto canvas = std::make_unique<Canvas>(p.size, p.size);
    GfxMatrix m;
    m.Create();
    m.RotateAt(p.angle, 50, 50);
    m.Translate(p.dx, 0);
    canvas->g.SetWorldTransform(m);
    if (p.clipTop >= 0) {
      GfxPath band;
      band.Create();
      band.AddRectangleI(0, p.clipTop, 100, 30);
      canvas->g.SetClipPath(band, CombineModeReplace);
    }
    GfxPath path = detailedPath();
    // The same points, read by the other rule: a self-crossing star.
    GfxPath star;
    star.Create(p.fillMode);
    star.AddPath(path, false);
    for (int i = 0; i < 5; ++i) {
      const double a = i * 4 * 3.14159265358979 / 5;
      star.AddLine(float(50 + 30 * std::cos(a)), float(50 + 30 * std::sin(a)),
                   float(50 + 30 * std::cos(a + 4 * 3.14159265358979 / 5)),
                   float(50 + 30 * std::sin(a + 4 * 3.14159265358979 / 5)));
    }
    GfxSolidBrush brush;
    brush.Create(0xC0802010);
    canvas->g.FillPath(brush, star);
    return canvas;
  };
  // With room for every mask, then for about three: masks pushed out are
  // made again, and what is left is still found by its own placement.
  for (const size_t budget : {size_t(16) << 20, size_t(24) << 10}) {
    TrimCoverageMasks();
    const size_t before = SetCoverageMaskBudget(budget);
    std::vector<std::unique_ptr<Canvas>> warm;
    for (int round = 0; round < 3; ++round)
      for (size_t k = 0; k < std::size(placements); ++k) warm.push_back(draw(placements[(k * (round + 1)) % std::size(placements)]));
    SetCoverageMaskBudget(before);
    for (size_t i = 0; i < warm.size(); ++i) {
      const size_t round = i / std::size(placements), k = i % std::size(placements);
      const Placement& p = placements[(k * (round + 1)) % std::size(placements)];
      TrimCoverageMasks();
      const std::unique_ptr<Canvas> fresh = draw(p);
      for (int y = 0; y < p.size; ++y)
        for (int x = 0; x < p.size; ++x)
          ASSERT_EQ(Pixel(warm[i]->bitmap, x, y), Pixel(fresh->bitmap, x, y))
              << p.what << " at " << x << ", " << y << " with a budget of " << budget;
    }
  }
  TrimCoverageMasks();
}

// A glyph of few segments is filled by the same rasteriser alone as in a
// longer path: a ring filled a glyph at a time looks as one filled whole.
TEST(CoverageFill, AGlyphOfFewSegmentsAloneIsFilledAsAmongOthers) {
  GfxFontFamily family;
  ASSERT_TRUE(family.CreateFromName("DejaVu Sans"));
  GfxStringFormat format;
  format.Create();
  GfxSolidBrush brush;
  brush.Create(0xFF000000);
  for (const char* glyph : {"l", "-", "1", "I", "."}) {
    GfxPath alone, among;
    alone.Create(FillModeWinding);
    among.Create(FillModeWinding);
    ASSERT_TRUE(alone.AddString(glyph, family, FontStyleRegular, 30, GfxRectF{3.3f, 2.6f, 50, 50}, format));
    ASSERT_LT(alone.GetNative()->segments.size(), kCoverageFillMinSegments) << glyph;
    ASSERT_TRUE(among.AddString(glyph, family, FontStyleRegular, 30, GfxRectF{3.3f, 2.6f, 50, 50}, format));
    ASSERT_TRUE(among.AddString("@@@", family, FontStyleRegular, 30, GfxRectF{60, 0, 100, 50}, format));
    ASSERT_GE(among.GetNative()->segments.size(), kCoverageFillMinSegments) << glyph;
    Canvas a(160, 50), b(160, 50);
    a.g.FillPath(brush, alone);
    b.g.FillPath(brush, among);
    long ink = 0;
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 55; ++x) {
        ASSERT_EQ(Pixel(a.bitmap, x, y), Pixel(b.bitmap, x, y)) << glyph << " at " << x << ", " << y;
        ink += a.alpha(x, y);
      }
    EXPECT_GT(ink, 255 * 5) << glyph;
  }
}

// The clip's pixels are read once for each clip a graphics sets: every
// later fill must see the clip as it is now, not as it was.
TEST(CoverageFill, EachFillSeesTheClipAsItIsNow) {
  auto band = [](int x, int y, int w, int h) {
    GfxPath p;
    p.Create();
    p.AddRectangleI(x, y, w, h);
    return p;
  };
  auto fill = [](GfxGraphics& g, ARGB colour) {
    GfxSolidBrush brush;
    brush.Create(colour);
    EXPECT_TRUE(g.FillPath(brush, detailedPath()));
  };
  Canvas c(100, 100);
  c.g.SetClipPath(band(0, 40, 100, 5), CombineModeReplace);
  fill(c.g, 0xFFFF0000);
  c.g.SetClipPath(band(0, 55, 100, 5), CombineModeReplace);
  fill(c.g, 0xFF0000FF);
  c.g.SetClipPath(band(0, 45, 100, 10), CombineModeReplace);
  c.g.SetClipPath(band(0, 0, 50, 100), CombineModeIntersect);
  fill(c.g, 0xFF00FF00);
  EXPECT_EQ(Pixel(c.bitmap, 50, 42), 0xFFFF0000u);
  EXPECT_EQ(Pixel(c.bitmap, 50, 57), 0xFF0000FFu);
  EXPECT_EQ(Pixel(c.bitmap, 45, 50), 0xFF00FF00u);
  EXPECT_EQ(Pixel(c.bitmap, 55, 50), 0u);
  c.g.ResetClip();
  fill(c.g, 0xFF000000);
  EXPECT_EQ(Pixel(c.bitmap, 55, 50), 0xFF000000u);
  // The same graphics on another bitmap starts without a clip.
  c.g.SetClipPath(band(0, 40, 100, 5), CombineModeReplace);
  fill(c.g, 0xFF000000);
  GfxBitmap other;
  ASSERT_TRUE(other.CreateBlank(100, 100));
  ASSERT_TRUE(c.g.FromImage(other));
  c.g.SetSmoothingMode(SmoothingModeHighQuality);
  fill(c.g, 0xFF000000);
  EXPECT_EQ(Pixel(other, 50, 50), 0xFF000000u);
}

TEST(CoverageFill, HonoursTheClip) {
  GfxPath path = detailedPath();
  Canvas c(100, 100);
  GfxPath band;
  band.Create();
  band.AddRectangleI(0, 45, 100, 10);
  c.g.SetClipPath(band, CombineModeExclude);
  GfxSolidBrush brush;
  brush.Create(0xFF000000);
  c.g.FillPath(brush, path);
  EXPECT_EQ(c.alpha(50, 50), 0u);
  EXPECT_EQ(c.alpha(50, 40), 255u);
}

// A fill over a large box is kept as tiles where it has coverage; drawn
// through a small window (which makes its box small) it is one mask. Both
// must give the same pixels, clip band and half-transparent ink included.
TEST(CoverageFill, LargeFillsMatchTheSameFillSeenThroughASmallWindow) {
  struct Window {
    int X, Y, Width, Height;
  };
  auto draw = [](Canvas& c, const Window* window) {
    c.g.Clear(0xFF336699);
    if (window) {
      GfxPath w;
      w.Create();
      w.AddRectangleI(window->X, window->Y, window->Width, window->Height);
      c.g.SetClipPath(w, CombineModeReplace);
    }
    GfxPath band;
    band.Create();
    band.AddRectangleI(0, 610, 1300, 57);
    c.g.SetClipPath(band, CombineModeExclude);
    GfxPen pen;
    pen.Create(0xC0D21E22, 41);
    c.g.DrawEllipseI(pen, 97, 101, 1111, 1111);
    GfxPath star = detailedPath(651, 12.5);
    GfxSolidBrush brush;
    brush.Create(0x80102030);
    c.g.FillPath(brush, star);
  };
  Canvas whole(1300, 1300);
  draw(whole, nullptr);
  EXPECT_NE(Pixel(whole.bitmap, 650, 560), 0xFF336699u);  // the star, above the band
  EXPECT_EQ(Pixel(whole.bitmap, 650, 640), 0xFF336699u);  // the band
  for (Window window : {Window{0, 0, 400, 400}, Window{450, 450, 400, 400}, Window{900, 520, 400, 200},
                        Window{1000, 1000, 300, 300}, Window{60, 560, 500, 120}}) {
    Canvas part(1300, 1300);
    draw(part, &window);
    int differing = 0;
    for (int y = window.Y; y < window.Y + window.Height; ++y)
      for (int x = window.X; x < window.X + window.Width; ++x)
        differing += Pixel(whole.bitmap, x, y) != Pixel(part.bitmap, x, y);
    EXPECT_EQ(differing, 0) << window.X << "," << window.Y;
  }
}

// FreeType's own coverage of a whole outline in the context's device
// space, rows downward.
std::vector<uint8_t> freetypeCoverage(cairo_t* cr, const GfxPath& path, int width, int height) {
  std::vector<FT_Vector> points;
  std::vector<char> tags;
  std::vector<short> contours;
  auto add = [&](double x, double y, char tag) {
    cairo_user_to_device(cr, &x, &y);
    points.push_back({FT_Pos(std::lround(x * 64)), FT_Pos(std::lround((height - y) * 64))});
    tags.push_back(tag);
  };
  for (const PathSegment& s : path.GetNative()->segments) {
    if (s.kind == PathSegment::Move && !points.empty()) contours.push_back(short(points.size() - 1));
    if (s.kind == PathSegment::Move || s.kind == PathSegment::Line) add(s.x1, s.y1, FT_CURVE_TAG_ON);
    if (s.kind == PathSegment::Curve)
      add(s.x1, s.y1, FT_CURVE_TAG_CUBIC), add(s.x2, s.y2, FT_CURVE_TAG_CUBIC), add(s.x3, s.y3, FT_CURVE_TAG_ON);
  }
  contours.push_back(short(points.size() - 1));
  FT_Outline outline{};
  outline.n_points = short(points.size());
  outline.n_contours = short(contours.size());
  outline.points = points.data();
  outline.tags = tags.data();
  outline.contours = contours.data();
  outline.flags = path.GetNative()->fillMode == FillModeAlternate ? FT_OUTLINE_EVEN_ODD_FILL : FT_OUTLINE_NONE;
  std::vector<uint8_t> coverage(size_t(width) * size_t(height), 0);
  struct Target {
    uint8_t* data;
    int width, height;
  } target{coverage.data(), width, height};
  FT_Raster_Params params{};
  params.source = &outline;
  params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
  params.clip_box = {0, 0, width, height};
  params.user = &target;
  params.gray_spans = [](int y, int count, const FT_Span* spans, void* user) {
    auto* t = static_cast<Target*>(user);
    for (int i = 0; i < count; ++i)
      std::memset(t->data + size_t(t->height - 1 - y) * size_t(t->width) + spans[i].x, spans[i].coverage, spans[i].len);
  };
  FT_Library library;
  EXPECT_EQ(FT_Init_FreeType(&library), 0);
  EXPECT_EQ(FT_Outline_Render(library, &outline, &params), 0);
  FT_Done_FreeType(library);
  return coverage;
}

// Many small shapes round a ring, neighbours overlapping, on both fill
// rules: however the fill splits its work, every pixel's coverage is the
// one FreeType gives the whole outline at once.
TEST(CoverageFill, ManyShapesRoundARingCoverAsOneOutline) {
  for (int32_t mode : {FillModeWinding, FillModeAlternate}) {
    GfxPath path;
    path.Create(mode);
    for (int i = 0; i < 40; ++i) {
      const double a = i * 2 * 3.14159265358979 / 40;
      const float cx = float(150 + 120 * std::cos(a)), cy = float(150 + 120 * std::sin(a));
      path.AddEllipse(cx - 9.3f, cy - 6.7f, 18.6f, 13.4f);
      if (i % 3 == 0) path.AddEllipse(cx - 3.1f, cy - 3.1f, 6.2f, 6.2f);  // a hole, or a second layer
    }
    Canvas canvas(300, 300);
    GfxSolidBrush brush;
    brush.Create(0xFF000000);
    ASSERT_TRUE(canvas.g.FillPath(brush, path));
    const std::vector<uint8_t> expected = freetypeCoverage(canvas.g.GetNative(), path, 300, 300);
    int differing = 0;
    long ink = 0;
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 300; ++x) {
        differing += canvas.alpha(x, y) != expected[size_t(y) * 300 + size_t(x)];
        ink += canvas.alpha(x, y);
      }
    EXPECT_EQ(differing, 0) << mode;
    EXPECT_GT(ink, 255L * 5000) << mode;
  }
}

// A fill keeps only the runs of its coverage, made as FreeType gives its
// spans; a large fill keeps them from tiles of whole coverage. Shapes whose
// covered stretches in a row lie just under, at and just over the gap that
// joins two runs, at every offset from a four-pixel step, cut by each side
// of the surface, and a thin slanted line: drawn alone, and with a speck
// far off that makes the fill large, every pixel comes out the same.
TEST(CoverageFill, RunsKeepEveryPixelsCoverage) {
  struct Case {
    const char* what;
    std::function<void(GfxPath&)> shapes;
  };
  const Case cases[] = {
      {"gaps round the joining width",
       [](GfxPath& p) {
         float x = 1.3f;
         for (float gap : {62.7f, 63.5f, 64.f, 64.5f, 65.2f}) {
           p.AddRectangle(x, 10.25f + (x - 1.3f) / 20, 1.4f + gap / 50, 30.5f);
           x += 1.4f + gap / 50 + gap;
         }
       }},
      {"every offset from a step",
       [](GfxPath& p) {
         for (int i = 0; i < 8; ++i) p.AddEllipse(3.f + float(i) * 37.25f, 60.f + float(i) * 0.3f, 9.5f, 21.f);
       }},
      {"cut by every side", [](GfxPath& p) { p.AddEllipse(-20.5f, -15.25f, 341.f, 231.5f); }},
      {"a thin slanted line",
       [](GfxPath& p) {
         p.AddLine(2.5f, 190.f, 297.f, 3.5f);
         p.AddLine(297.f, 4.3f, 2.5f, 190.8f);
       }},
  };
  for (const Case& c : cases) {
    GfxSolidBrush brush;
    brush.Create(0xFF000000);
    GfxPath path;
    path.Create();
    c.shapes(path);
    Canvas small(300, 200);
    ASSERT_TRUE(small.g.FillPath(brush, path)) << c.what;
    path.StartFigure();
    path.AddRectangle(1190.5f, 1190.5f, 3.f, 3.f);
    Canvas large(1200, 1200);
    ASSERT_TRUE(large.g.FillPath(brush, path)) << c.what;
    int differing = 0, covered = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 300; ++x) {
        differing += small.alpha(x, y) != large.alpha(x, y);
        covered += small.alpha(x, y) != 0;
      }
    EXPECT_EQ(differing, 0) << c.what;
    EXPECT_GT(covered, 300) << c.what;
    EXPECT_EQ(large.alpha(1192, 1192), 255) << c.what;
  }
}

// A bitmap of more than 32 MB is cleared on two threads; small or large,
// Clear leaves every pixel transparent, and a clip still holds.
TEST(Clear, LargeBitmapsClearWholeAndKeepTheClip) {
  for (int side : {300, 3000}) {
    Canvas c(side, side);
    GfxSolidBrush red;
    red.Create(0xFFD21E22);
    auto paintRed = [&] { c.g.FillRectangleI(red, 0, 0, side, side); };
    auto inked = [&] {
      int n = 0;
      for (int y = 0; y < side; y += 7)
        for (int x = 0; x < side; x += 7) n += Pixel(c.bitmap, x, y) != 0;
      return n;
    };
    paintRed();
    ASSERT_GT(inked(), 0);
    EXPECT_TRUE(c.g.Clear(0));
    EXPECT_EQ(inked(), 0) << side;
    EXPECT_EQ(Pixel(c.bitmap, side - 1, side - 1), 0u) << side;

    paintRed();
    GfxPath window;
    window.Create();
    window.AddRectangleI(100, 100, 50, 50);
    c.g.SetClipPath(window);
    EXPECT_TRUE(c.g.Clear(0));
    EXPECT_EQ(Pixel(c.bitmap, 120, 120), 0u) << side;
    EXPECT_EQ(Pixel(c.bitmap, 20, 20), 0xFFD21E22u) << side;
    EXPECT_EQ(Pixel(c.bitmap, side - 1, side - 1), 0xFFD21E22u) << side;

    c.g.ResetClip();
    EXPECT_TRUE(c.g.Clear(0x00FFFFFF));  // any transparent colour is no ink
    EXPECT_EQ(inked(), 0) << side;
    EXPECT_TRUE(c.g.Clear(0xFF102030));
    EXPECT_EQ(Pixel(c.bitmap, side - 1, side - 1), 0xFF102030u) << side;
  }
}

TEST(CircleOutline, IsTheRingBetweenTwoCircles) {
  for (float width : {0.0f, 1.0f, 3.0f, 7.0f, 60.0f, 200.0f}) {
    Canvas ring(100, 100), stroked(100, 100);
    GfxPen pen;
    pen.Create(0xFF000000, width);
    ring.g.DrawEllipseI(pen, 20, 20, 60, 60);
    GfxPath circle;
    circle.Create();
    circle.AddEllipseI(20, 20, 60, 60);
    stroked.g.DrawPath(pen, circle);
    EXPECT_GE(ring.alpha(50, 20), 250u) << width;
    if (width < 60) {
      // Edge pixels only: exact coverage against cairo's sampled stroke.
      EXPECT_LE(largestAlphaDifference(ring, stroked, 100, 100), 64) << width;
      EXPECT_EQ(ring.alpha(50, 50), 0u) << width;
    } else {
      // A pen as wide as the circle covers every point within half its
      // width of the outline: the whole disc.
      EXPECT_EQ(ring.alpha(50, 50), 255u) << width;
    }
  }
}

TEST(PathOps, TransformAndAddPath) {
  GfxPath a, b;
  a.Create();
  b.Create();
  b.AddRectangleI(0, 0, 10, 10);
  GfxMatrix m;
  m.Create();
  m.Translate(5, 7);
  ASSERT_TRUE(b.Transform(m));
  ASSERT_TRUE(a.AddPath(b));
  GfxRectF bounds;
  a.GetWorldBounds(&bounds);
  EXPECT_FLOAT_EQ(bounds.X, 5);
  EXPECT_FLOAT_EQ(bounds.Y, 7);
  EXPECT_EQ(a.GetPointCount(), 4);
  ASSERT_TRUE(a.Reset());
  EXPECT_EQ(a.GetPointCount(), 0);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(Overflow, ShapesBeyondCairosRangeAreRefusedNotDrawn) {
  Canvas c(20, 20);
  GfxPath huge;
  huge.Create();
  huge.AddEllipseI(-2000000000, -2000000000, 2100000000, 2100000000);
  GfxSolidBrush brush;
  brush.Create(0xFF000000);
  EXPECT_FALSE(c.g.FillPath(brush, huge));
  EXPECT_EQ(LastStatus(), GfxStatus::ValueOverflow);
  GfxPen pen;
  pen.Create(0xFF000000, 3e9f);
  GfxPath small;
  small.Create();
  small.AddRectangleI(2, 2, 5, 5);
  EXPECT_FALSE(c.g.DrawPath(pen, small));
  EXPECT_EQ(c.alpha(10, 10), 0u);
  EXPECT_TRUE(c.g.FillPath(brush, small));
}

TEST(Overflow, AnExcludeClipCoveringTheSurfaceCutsEverything) {
  Canvas c(20, 20);
  GfxPath huge;
  huge.Create();
  huge.AddRectangle(-3e9f, -3e9f, 6e9f, 6e9f);
  EXPECT_TRUE(c.g.SetClipPath(huge, CombineModeExclude));
  GfxSolidBrush brush;
  brush.Create(0xFF000000);
  c.g.FillRectangleI(brush, 0, 0, 20, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(c.alpha(x, y), 0u) << x << "," << y;
}

// The same clip, once in range and once reaching a billion pixels to each
// side, must leave the same pixels.
TEST(Overflow, AClipReachingFarBeyondTheSurfaceCutsWhatItCoversThere) {
  for (int32_t mode : {CombineModeReplace, CombineModeExclude}) {
    Canvas near(60, 60), far(60, 60);
    GfxPath inRange, outOfRange;
    inRange.Create();
    outOfRange.Create();
    inRange.AddRectangleI(-10, 20, 80, 15);
    outOfRange.AddRectangleI(-1000000000, 20, 2000000000, 15);
    ASSERT_TRUE(near.g.SetClipPath(inRange, mode));
    ASSERT_TRUE(far.g.SetClipPath(outOfRange, mode));
    GfxSolidBrush brush;
    brush.Create(0xFF000000);
    for (Canvas* c : {&near, &far}) c->g.FillEllipseI(brush, 5, 5, 50, 50);
    EXPECT_EQ(largestAlphaDifference(near, far, 60, 60), 0) << mode;
    EXPECT_EQ(far.alpha(30, 27), mode == CombineModeExclude ? 0u : 255u);
  }
}

// Bounding a path to the surface keeps every pixel it covers there: a
// rounded rectangle with a corner radius of a million pixels (still in
// cairo's range) filled directly and through the bounded route.
TEST(Overflow, BoundingAPathKeepsItsPixelsOnTheSurface) {
  for (int32_t radius : {40, 1000000}) {
    GfxPath path;
    path.Create(FillModeAlternate);
    const int32_t d = 2 * radius;
    path.AddArcI(-5, 10, d, d, 180, 90);
    path.AddArcI(70 - d, 10, d, d, 270, 90);
    path.AddArcI(70 - d, 50 - d, d, d, 0, 90);
    path.AddArcI(-5, 50 - d, d, d, 90, 90);
    path.CloseFigure();
    Canvas direct(64, 64), bounded(64, 64);
    for (Canvas* c : {&direct, &bounded}) cairo_set_antialias(c->g.GetNative(), CAIRO_ANTIALIAS_NONE);
    path.Replay(direct.g.GetNative());
    cairo_set_tolerance(direct.g.GetNative(), 0.001);  // near-exact curves to compare with
    cairo_set_fill_rule(direct.g.GetNative(), CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(direct.g.GetNative());
    cairo_t* cr = bounded.g.GetNative();
    const PathData data = BoundPathToBox(cr, *path.GetNative(), DeviceBox{-16, -16, 80, 80});
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    ReplayPathData(cr, data);
    cairo_restore(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
    int differing = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) differing += direct.alpha(x, y) != bounded.alpha(x, y);
    // Only pixel centres lying on the outline itself (the straight edges
    // here run through a row of them) may fall the other way.
    EXPECT_LE(differing, 8) << radius;
    EXPECT_EQ(bounded.alpha(30, 30), 255u) << radius;
  }
}

}  // namespace
}  // namespace korvane

#include <random>

#include "drawing/raster/solid_over.h"

namespace korvane {
namespace {

// Our composite against cairo's own (pixman's) for every kind of colour,
// coverage and pixel beneath: equal byte for byte. Rows of odd lengths
// and offsets take the four-pixel steps and the single ones alike.
TEST(SolidOver, GivesTheBytesCairosMaskGives) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> byte(0, 255);
  struct Colour {
    double r, g, b, a;
  };
  std::vector<Colour> colours = {{0.8, 0.1, 0.1, 1.0}, {1, 1, 1, 1}, {0, 0, 0, 1}, {0.8, 0.1, 0.1, 0.5},
                                 {0.3, 0.6, 0.9, 0.02}, {1, 0, 0, 0.999}, {0, 0, 1, 0}};
  // Colours read from templates (whole bytes) and any others.
  for (int i = 0; i < 40; ++i) colours.push_back({byte(random) / 255.0, byte(random) / 255.0, byte(random) / 255.0, byte(random) / 255.0});
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 40; ++i) colours.push_back({unit(random), unit(random), unit(random), unit(random)});
  constexpr int kWidth = 37, kHeight = 9;
  for (const Colour& colour : colours) {
    // Coverage: runs of none and full, with every level between.
    std::vector<uint8_t> coverage(size_t(kWidth) * kHeight);
    for (size_t k = 0; k < coverage.size(); ++k) {
      const int kind = byte(random) % 4;
      coverage[k] = uint8_t(kind == 0 ? 0 : kind == 1 ? 255 : byte(random));
    }
    // Pixels beneath: premultiplied, some empty, some opaque.
    std::vector<uint32_t> beneath(coverage.size());
    for (uint32_t& p : beneath) {
      const uint32_t a = uint32_t(byte(random) % 3 == 0 ? 0 : byte(random) % 2 ? 255 : byte(random));
      auto channel = [&] { return a ? uint32_t(byte(random)) * a / 255 : 0; };
      p = a << 24 | channel() << 16 | channel() << 8 | channel();
    }
    cairo_surface_t* viaCairo = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    const int stride = cairo_image_surface_get_stride(viaCairo);
    cairo_surface_flush(viaCairo);
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(cairo_image_surface_get_data(viaCairo) + y * stride, &beneath[size_t(y) * kWidth], kWidth * 4);
    cairo_surface_mark_dirty(viaCairo);
    const int maskStride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, kWidth);
    std::vector<uint8_t> maskBytes(size_t(maskStride) * kHeight);
    for (int y = 0; y < kHeight; ++y) std::memcpy(&maskBytes[size_t(y) * maskStride], &coverage[size_t(y) * kWidth], kWidth);
    cairo_surface_t* mask =
        cairo_image_surface_create_for_data(maskBytes.data(), CAIRO_FORMAT_A8, kWidth, kHeight, maskStride);
    cairo_t* cr = cairo_create(viaCairo);
    cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a);
    const uint32_t source = SolidPatternPixel(cairo_get_source(cr));
    cairo_mask_surface(cr, mask, 0, 0);
    cairo_surface_flush(viaCairo);

    std::vector<uint32_t> ours = beneath;
    for (int y = 0; y < kHeight; ++y) {
      // A row in two calls, split at an odd place.
      SolidOver(&ours[size_t(y) * kWidth], &coverage[size_t(y) * kWidth], 5 + y, source);
      SolidOver(&ours[size_t(y) * kWidth + 5 + y], &coverage[size_t(y) * kWidth + 5 + y], kWidth - 5 - y, source);
    }
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        uint32_t theirs;
        std::memcpy(&theirs, cairo_image_surface_get_data(viaCairo) + y * stride + x * 4, 4);
        ASSERT_EQ(ours[size_t(y) * kWidth + x], theirs)
            << "colour " << colour.r << ", " << colour.g << ", " << colour.b << ", " << colour.a << ", coverage "
            << int(coverage[size_t(y) * kWidth + x]) << ", beneath " << std::hex << beneath[size_t(y) * kWidth + x];
      }
    cairo_destroy(cr);
    cairo_surface_destroy(mask);
    cairo_surface_destroy(viaCairo);
  }
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// A fill through GfxGraphics against cairo compositing the same coverage
// through the same clip: equal byte for byte, whether the fill was laid
// where its coverage is (no clip, clips of whole pixels) or handed to
// cairo (a turned clip).
TEST(CoverageFill, ASolidFillLaysTheBytesCairoWouldUnderEveryClip) {
  struct Case {
    const char* what;
    float clipAngle;  // the clip window turned by this much; -1 for no clip
    bool exclude;     // a band cut out rather than a window kept
    ARGB colour;
  };
  const Case cases[] = {
      {"no clip", -1, false, 0xFFC81E1E},    {"a window", 0, false, 0xFFC81E1E},
      {"a band cut out", 0, true, 0xFFC81E1E}, {"a turned window", 20, false, 0xFFC81E1E},
      {"half-clear ink", 0, false, 0x80C81E1E}, {"half-clear ink, no clip", -1, false, 0x33102030},
  };
  constexpr int kSize = 120;
  GfxMatrix turn;
  turn.Create();
  turn.RotateAt(17, 60, 60);
  auto background = [](Canvas& c) {
    for (int i = 0; i < 6; ++i) {
      GfxSolidBrush b;
      b.Create(ARGB(0x40 + 0x20 * i) << 24 | 0x1060A0u * uint32_t(i + 1));
      c.g.FillRectangleI(b, i * 20, 0, 20, kSize);
    }
  };
  auto clip = [](Canvas& c, const Case& k) {
    if (k.clipAngle < 0) return;
    GfxMatrix m;
    m.Create();
    m.RotateAt(k.clipAngle, 60, 60);
    c.g.SetWorldTransform(m);
    GfxPath w;
    w.Create();
    if (k.exclude)
      w.AddRectangleI(0, 50, kSize, 14);
    else
      w.AddRectangleI(25, 30, 70, 50);
    c.g.SetClipPath(w, k.exclude ? CombineModeExclude : CombineModeReplace);
  };
  for (const Case& k : cases) {
    // The coverage: opaque white on nothing leaves it as the alpha.
    Canvas coverage(kSize, kSize);
    coverage.g.SetWorldTransform(turn);
    GfxSolidBrush white;
    white.Create(0xFFFFFFFF);
    GfxPath path = detailedPath(60, 1.2);
    coverage.g.FillPath(white, path);
    const int maskStride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, kSize);
    std::vector<uint8_t> mask(size_t(maskStride) * kSize);
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) mask[size_t(y) * maskStride + x] = uint8_t(coverage.alpha(x, y));

    Canvas ours(kSize, kSize), cairos(kSize, kSize);
    background(ours), background(cairos);
    clip(ours, k), clip(cairos, k);
    ours.g.SetWorldTransform(turn);
    GfxSolidBrush ink;
    ink.Create(k.colour);
    ours.g.FillPath(ink, path);

    cairo_t* cr = cairos.g.GetNative();
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_source_rgba(cr, (k.colour >> 16 & 0xFF) / 255.0, (k.colour >> 8 & 0xFF) / 255.0, (k.colour & 0xFF) / 255.0,
                          (k.colour >> 24) / 255.0);
    cairo_surface_t* m = cairo_image_surface_create_for_data(mask.data(), CAIRO_FORMAT_A8, kSize, kSize, maskStride);
    cairo_mask_surface(cr, m, 0, 0);
    cairo_surface_destroy(m);
    cairo_restore(cr);
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        ASSERT_EQ(Pixel(ours.bitmap, x, y), Pixel(cairos.bitmap, x, y)) << k.what << " at " << x << ", " << y;
  }
}

}  // namespace
}  // namespace korvane
