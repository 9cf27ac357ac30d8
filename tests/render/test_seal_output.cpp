// Print-accurate output: a physical size and resolution for PNG, and true
// vector SVG and PDF that independent renderers (librsvg, poppler) draw
// like our own PNG.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "document/template_format.h"
#include "drawing/codecs/encoders.h"
#include "render/seal_cases.h"
#include "render/seal_output.h"
#include "render/seal_renderer.h"
#include "support/image_compare.h"
#include "support/temp_dir.h"
#include "support/test_pictures.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using test::Pixel;

std::string encode(const SealDocument& doc, OutputKind kind, PrintOptions options = {}) {
  std::string bytes, error;
  EXPECT_TRUE(EncodeSeal(doc, kind, options, &bytes, &error)) << error;
  return bytes;
}

GfxBitmap decode(const std::string& png) {
  GfxBitmap b;
  EXPECT_TRUE(b.CreateFromBytes(ByteArray(png.begin(), png.end())));
  return b;
}

// pHYs pixels per metre, or 0 when the file has none.
uint32_t pixelsPerMetre(const std::string& pngBytes) {
  for (size_t at = 8; at + 12 <= pngBytes.size();) {
    auto u32 = [&](size_t p) {
      return uint32_t(uint8_t(pngBytes[p])) << 24 | uint32_t(uint8_t(pngBytes[p + 1])) << 16 |
             uint32_t(uint8_t(pngBytes[p + 2])) << 8 | uint8_t(pngBytes[p + 3]);
    };
    const uint32_t length = u32(at);
    if (pngBytes.compare(at + 4, 4, "pHYs") == 0) return u32(at + 8);
    at += 12 + length;
  }
  return 0;
}

TEST(SealOuterExtent, IsTheLargestDrawnFrameWithItsLine) {
  EXPECT_EQ(SealOuterExtent(StartupSealDocument()), 265 + 5);
  SealDocument doc = test::BlankSeal(300, 200);
  EXPECT_EQ(SealOuterExtent(doc), 300);  // no frame: the larger side
  doc.Frame.Item[0] = test::Frame(kFrameRectangle, 180, 120, 4, kSealRed);
  EXPECT_EQ(SealOuterExtent(doc), 184);
  doc.Frame.Item[1] = test::Frame(kFrameCircle, 250, 190, 0, kNoColor, kSealRed);  // filled, no line
  EXPECT_EQ(SealOuterExtent(doc), 190);
  doc.Frame.Item[2] = test::Frame(kFrameCircle, 280, 280, 6, kNoColor, kNoColor);  // not drawn
  EXPECT_EQ(SealOuterExtent(doc), 190);
}

TEST(PrintSize, FortyTwoMillimetresAt600DpiMakesFrameOne992PixelsAcross) {
  PrintOptions options;
  options.sizeMm = 42;
  options.dpi = 600;
  const std::string png = encode(StartupSealDocument(), OutputKind::Png, options);
  const GfxBitmap seal = decode(png);
  ASSERT_EQ(seal.GetWidth(), 1470u);
  ASSERT_EQ(seal.GetHeight(), 1470u);
  EXPECT_EQ(pixelsPerMetre(png), 23622u);
  // Down the middle column, frame 1's outer edges are the ink's ends.
  int top = -1, bottom = -1;
  for (int y = 0; y < 1470; ++y)
    if ((Pixel(seal, 735, y) >> 24) > 127) {
      if (top < 0) top = y;
      bottom = y;
    }
  EXPECT_NEAR(bottom - top + 1, 992, 1);
}

TEST(PrintSize, TheDpiAloneChangesTheResolutionAndNotOnePixel) {
  const SealDocument doc = StartupSealDocument();
  const std::string plain = encode(doc, OutputKind::Png);
  PrintOptions options;
  options.dpi = 300;
  const std::string with = encode(doc, OutputKind::Png, options);
  EXPECT_EQ(pixelsPerMetre(plain), 0u);
  EXPECT_EQ(pixelsPerMetre(with), 11811u);
  const GfxBitmap a = decode(plain), b = decode(with);
  ASSERT_EQ(a.GetWidth(), b.GetWidth());
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x) ASSERT_EQ(Pixel(a, x, y), Pixel(b, x, y));
  // An unscaled PNG is the renderer's own bitmap, byte for byte.
  SealRenderer renderer;
  ASSERT_TRUE(renderer.RenderSeal(doc));
  std::string format = kImageFormatPNG;
  const ByteArray direct = renderer.SealBitmap().SaveToBytes(format);
  EXPECT_EQ(plain, std::string(direct.begin(), direct.end()));
}

TEST(PrintSize, ASizeBeyondTheBitmapLimitIsRefusedWithItsReason) {
  PrintOptions options;
  options.sizeMm = 1000;
  options.dpi = 2400;
  std::string bytes, error;
  EXPECT_FALSE(EncodeSeal(StartupSealDocument(), OutputKind::Png, options, &bytes, &error));
  EXPECT_NE(error.find("16384"), std::string::npos) << error;
}

// ---- vector files, drawn by independent renderers ----

bool have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0; }

// How dark each pixel is once composited over white (0 white, 1 the
// darkest channel at 0), averaged over factor x factor blocks: a picture
// rendered at a multiple of the seal's size comes back to the seal's size.
std::vector<double> darkness(const GfxImage& image, int factor = 1) {
  const int w = int(image.GetWidth()) / factor, h = int(image.GetHeight()) / factor;
  std::vector<double> out(size_t(w) * size_t(h), 0.0);
  for (int y = 0; y < h * factor; ++y)
    for (int x = 0; x < w * factor; ++x) {
      const ARGB c = Pixel(image, x, y);
      const uint32_t a = c >> 24;
      uint32_t lowest = 255;
      for (int shift = 0; shift < 24; shift += 8)
        lowest = std::min(lowest, (((c >> shift) & 0xFF) * a + 255 * (255 - a)) / 255);
      out[size_t(y / factor) * size_t(w) + size_t(x / factor)] += (255 - lowest) / 255.0 / (factor * factor);
    }
  return out;
}

// Intersection over union of the ink masks (a pixel is inked when it is
// darker than white by more than 3%). Two renderers anti-alias an edge each
// their own way, so a pixel inked in both, or in one of them only faintly,
// agrees while the two darknesses are within a quarter of each other; the
// pixels that differ by more are the disagreement.
double intersectionOverUnion(const std::vector<double>& a, const std::vector<double>& b) {
  constexpr double kInk = 0.03, kSameEdge = 0.25;
  size_t either = 0, differ = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i] <= kInk && b[i] <= kInk) continue;
    ++either;
    differ += std::fabs(a[i] - b[i]) > kSameEdge;
  }
  return either ? double(either - differ) / double(either) : 1.0;
}

struct VectorCase {
  std::string name;
  SealDocument doc;
};

// Every reference case under ./dev test --full; otherwise the start-up seal
// and the first case of each feature (the outside renderers are slow).
std::vector<VectorCase> vectorCases() {
  std::vector<VectorCase> cases{{"seal/startup", StartupSealDocument()}};
  const bool full = std::getenv("KORVANE_FULL_TESTS") != nullptr;
  const fs::path root = fs::path(KORVANE_TEST_SOURCE_DIR) / "render";
  for (const auto& feature : fs::directory_iterator(root)) {
    if (!feature.is_directory() || feature.path().filename() == "assets") continue;
    std::vector<fs::path> files;
    for (const auto& file : fs::directory_iterator(feature.path()))
      if (file.path().extension() == kTemplateExtension) files.push_back(file.path());
    std::sort(files.begin(), files.end());
    if (!full && files.size() > 1) files.resize(1);
    for (const fs::path& path : files) {
      SealDocument doc = CreateSealDocument();
      ReadTemplateFile(doc, path.string());
      doc.SizeMM = 0;  // compared pixel for pixel, at the seal's own pixel size
      for (SealFigure& f : doc.Shape)
        if (!f.szFile.empty()) f.szFile = (path.parent_path() / f.szFile).lexically_normal().string();
      cases.push_back({feature.path().filename().string() + "/" + path.stem().string(), doc});
    }
  }
  return cases;
}

TEST(VectorOutput, IndependentRenderersDrawItLikeOurOwnPng) {
  ASSERT_TRUE(have("rsvg-convert") && have("pdftoppm")) << "./dev installs librsvg2-bin and poppler-utils";
  test::TempDir dir;
  for (const VectorCase& c : vectorCases()) {
    SealRenderer renderer;
    ASSERT_TRUE(renderer.RenderSeal(c.doc)) << c.name;
    const std::vector<double> ours = darkness(renderer.SealBitmap());
    const std::string w = std::to_string(c.doc.Width), h = std::to_string(c.doc.Height);
    std::ofstream(dir / "seal.svg", std::ios::binary) << encode(c.doc, OutputKind::Svg);
    std::ofstream(dir / "seal.pdf", std::ios::binary) << encode(c.doc, OutputKind::Pdf);
    const std::string svgPng = (dir / "svg.png").string(), pdfBase = (dir / "pdf").string();
    ASSERT_EQ(std::system(("rsvg-convert -w " + w + " -h " + h + " " + (dir / "seal.svg").string() + " -o " + svgPng)
                              .c_str()),
              0)
        << c.name;
    // Poppler snaps strokes to its pixel grid; at four times the size that
    // is a quarter of a seal pixel, and the blocks average it out.
    ASSERT_EQ(std::system(("pdftoppm -png -r 384 -singlefile " + (dir / "seal.pdf").string() + " " + pdfBase).c_str()), 0)
        << c.name;
    GfxBitmap svg, pdf;
    ASSERT_TRUE(svg.CreateFromFile(svgPng)) << c.name;
    ASSERT_TRUE(pdf.CreateFromFile(pdfBase + ".png")) << c.name;
    ASSERT_EQ(pdf.GetWidth(), 4 * renderer.SealBitmap().GetWidth()) << c.name;
    const double svgAgreement = intersectionOverUnion(ours, darkness(svg));
    const double pdfAgreement = intersectionOverUnion(ours, darkness(pdf, 4));
    EXPECT_GE(svgAgreement, 0.98) << c.name << " (SVG)";
    EXPECT_GE(pdfAgreement, 0.98) << c.name << " (PDF)";
    if (std::getenv("KORVANE_SHOW_AGREEMENT"))
      std::printf("%-40s SVG %.4f  PDF %.4f\n", c.name.c_str(), svgAgreement, pdfAgreement);
  }
}

// The agreement measure is not blind: a seal whose clip band went missing,
// or that is one pixel off, is far from 0.98.
TEST(VectorOutput, TheAgreementMeasureSeesAMissingClipOrAShift) {
  SealDocument doc = test::BlankSeal(200, 200);
  doc.Frame.Item[0] = test::Frame(kFrameCircle, 160, 160, 4, kSealRed);
  doc.Frame.Item[1] = test::Frame(kFrameCircle, 140, 140, 2, kSealRed);
  doc.Frame.ClipY = 80, doc.Frame.ClipWidth = 200, doc.Frame.ClipHeight = 40;
  SealDocument unclipped = doc, shifted = doc;
  unclipped.Frame.ClipWidth = 0;
  for (SealFrame& f : shifted.Frame.Item) f.Width += 2, f.Height += 2;  // one pixel further out all round
  SealRenderer a, b, c;
  ASSERT_TRUE(a.RenderSeal(doc));
  ASSERT_TRUE(b.RenderSeal(unclipped));
  ASSERT_TRUE(c.RenderSeal(shifted));
  EXPECT_LT(intersectionOverUnion(darkness(a.SealBitmap()), darkness(b.SealBitmap())), 0.95);
  EXPECT_LT(intersectionOverUnion(darkness(a.SealBitmap()), darkness(c.SealBitmap())), 0.95);
}

TEST(VectorOutput, TheSvgIsSmallNeedsNoFontAndStatesItsUnits) {
  const std::string svg = encode(StartupSealDocument(), OutputKind::Svg);
  EXPECT_LT(svg.size(), 200u * 1024);
  EXPECT_EQ(svg.find("<text"), std::string::npos);
  EXPECT_EQ(svg.find("font"), std::string::npos);
  EXPECT_NE(svg.find("width=\"400px\" height=\"400px\""), std::string::npos);
  EXPECT_EQ(svg.find("<image"), std::string::npos);  // no picture: nothing rasterised
  PrintOptions options;
  options.sizeMm = 42;
  const std::string mm = encode(StartupSealDocument(), OutputKind::Svg, options);
  // 400 seal pixels at 42 mm for 270 of them.
  EXPECT_NE(mm.find("width=\"62.222222mm\" height=\"62.222222mm\""), std::string::npos) << mm.substr(0, 300);
}

TEST(VectorOutput, ThePdfHasOnePageOfThePhysicalSize) {
  ASSERT_TRUE(have("pdfinfo"));
  test::TempDir dir;
  PrintOptions options;
  options.sizeMm = 42;
  std::ofstream(dir / "seal.pdf", std::ios::binary) << encode(StartupSealDocument(), OutputKind::Pdf, options);
  FILE* p = popen(("pdfinfo " + (dir / "seal.pdf").string()).c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string info;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) info += buf;
  pclose(p);
  EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
  // 62.22 mm is 176.38 points.
  EXPECT_NE(info.find("Page size:       176.378 x 176.378 pts"), std::string::npos) << info;
}

// Luminance spread of the pixels in a box: 0 for a flat grey.
double luminanceSpread(const GfxImage& image, int x0, int y0, int x1, int y1) {
  double sum = 0, sumSq = 0;
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const ARGB p = Pixel(image, x, y);
      const double l = 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF);
      sum += l, sumSq += l * l, ++n;
    }
  const double mean = sum / n;
  return std::sqrt(std::max(0.0, sumSq / n - mean * mean));
}

GfxBitmap rasterisePdf(const fs::path& pdf, int dpi, const std::string& extra = "") {
  const fs::path base = pdf.parent_path() / (pdf.stem().string() + "-raster");
  EXPECT_EQ(std::system(("pdftoppm -png -r " + std::to_string(dpi) + " " + extra + " -singlefile " + pdf.string() +
                         " " + base.string())
                            .c_str()),
            0);
  GfxBitmap b;
  EXPECT_TRUE(b.CreateFromFile(base.string() + ".png"));
  return b;
}

TEST(PrintSize, APictureKeepsItsResolutionWhenPrintedLarge) {
  ASSERT_TRUE(have("pdftoppm"));
  test::TempDir dir;
  // 1600 x 1600 of 8-pixel stripes in a 200 x 200 figure: at 100 mm and
  // 300 dpi the figure spans 590 device pixels, three to a stripe.
  const test::PicturePattern stripes = [](int x, int) { return (x / 8) % 2 ? 0xFFFFFFu : 0x000000u; };
  const std::string jpeg = (dir / "stripes.jpg").string(), png = (dir / "stripes.png").string();
  ASSERT_TRUE(test::WriteBytes(jpeg, test::EncodeJpeg(1600, 1600, stripes)));
  ASSERT_TRUE(test::WriteBytes(png, test::EncodePng(1600, 1600, stripes)));
  PrintOptions options;
  options.sizeMm = 100;
  options.dpi = 300;
  for (const std::string& file : {jpeg, png}) {
    SealDocument doc = test::BlankSeal(400, 400);
    doc.Shape[0] = test::Figure(kFigurePicture, 200, 200, 0);
    doc.Shape[0].szFile = file;
    const GfxBitmap seal = decode(encode(doc, OutputKind::Png, options));
    ASSERT_EQ(seal.GetWidth(), 1181u);
    EXPECT_GT(luminanceSpread(seal, 400, 400, 780, 780), 90) << file;
    std::ofstream(dir / "seal.pdf", std::ios::binary) << encode(doc, OutputKind::Pdf, options);
    const GfxBitmap page = rasterisePdf(dir / "seal.pdf", 300);
    EXPECT_GT(luminanceSpread(page, 400, 400, 780, 780), 90) << file << " (PDF)";
  }
}

// The clip band's edges stay where the design puts them on a page, not on
// whole points or millimetres: a band from 165 to 235 of a 400-pixel seal.
TEST(VectorOutput, TheClipBandKeepsItsExactEdges) {
  ASSERT_TRUE(have("pdftoppm") && have("rsvg-convert"));
  test::TempDir dir;
  SealDocument doc = test::BlankSeal(400, 400);
  doc.Frame.Item[0] = test::Frame(kFrameRectangle, 400, 400, 0, kNoColor, kSealRed);
  doc.Frame.ClipY = 165, doc.Frame.ClipWidth = 400, doc.Frame.ClipHeight = 70;
  // The first and last rows of the band in column x of an image, in pixels
  // (looked for in the middle half: readers may leave the page's edges).
  auto band = [](const GfxImage& image, int x) {
    int first = -1, last = -1;
    for (int y = int(image.GetHeight()) / 4; y < int(image.GetHeight()) * 3 / 4; ++y) {
      const ARGB p = Pixel(image, x, y);
      const bool red = (p >> 24) > 128 && ((p >> 8) & 0xFF) < 128;
      if (!red && first < 0) first = y;
      if (!red) last = y;
    }
    return std::make_pair(first, last);
  };
  // The pixels the bitmap leaves out are rows 165 to 234, from 165 to 235
  // on the page. PDF at 0.75 pt a pixel: 123.75 to 176.25 pt, 2062.5 to
  // 2937.5 rows at 1200 dpi (a band snapped to whole points is 2066.7 to
  // 2933.3).
  std::ofstream(dir / "seal.pdf", std::ios::binary) << encode(doc, OutputKind::Pdf);
  const GfxBitmap pdf = rasterisePdf(dir / "seal.pdf", 1200, "-x 2000 -y 0 -W 4 -H 5000");
  const auto [pdfFirst, pdfLast] = band(pdf, 1);
  EXPECT_NEAR(pdfFirst, 2062.5, 1.0);
  EXPECT_NEAR(pdfLast + 1, 2937.5, 1.0);
  // SVG in millimetres, 42 mm for 400 pixels: 17.325 to 24.675 mm, 825 to
  // 1175 rows at 2000 pixels (snapped to millimetres: 809.5 to 1190.5).
  PrintOptions options;
  options.sizeMm = 42;
  std::ofstream(dir / "seal.svg", std::ios::binary) << encode(doc, OutputKind::Svg, options);
  ASSERT_EQ(std::system(("rsvg-convert -w 2000 -h 2000 " + (dir / "seal.svg").string() + " -o " +
                         (dir / "svg.png").string())
                            .c_str()),
            0);
  GfxBitmap svg;
  ASSERT_TRUE(svg.CreateFromFile((dir / "svg.png").string()));
  const auto [svgFirst, svgLast] = band(svg, 1000);
  EXPECT_NEAR(svgFirst, 825, 1.0);
  EXPECT_NEAR(svgLast + 1, 1175, 1.0);
}

// A zero-width pen is one seal pixel wide in every output, however large.
TEST(PrintSize, AZeroWidthPenIsOneSealPixelInPngAndPdfAlike) {
  ASSERT_TRUE(have("pdftoppm"));
  test::TempDir dir;
  SealDocument doc = test::BlankSeal(200, 200);
  doc.Shape[0] = test::Figure(kFigureHollowEllipse, 160, 120, kSealRed, 0);
  PrintOptions options;
  options.sizeMm = 30;
  options.dpi = 600;
  const double scale = ScaleForPhysicalSize(doc, 30, 600);  // device pixels per seal pixel
  // Ink summed down the middle column, through the top and bottom of the
  // ellipse: twice the line's width. Ink is alpha on the PNG, and on the
  // white page how far green falls toward the seal red's.
  auto inkDown = [](const GfxImage& image, bool onPaper) {
    double ink = 0;
    const int x = int(image.GetWidth()) / 2;
    for (int y = 0; y < int(image.GetHeight()); ++y) {
      const ARGB p = Pixel(image, x, y);
      ink += onPaper ? (255.0 - ((p >> 8) & 0xFF)) / (255 - 0x1E) : (p >> 24) / 255.0;
    }
    return ink;
  };
  const double png = inkDown(decode(encode(doc, OutputKind::Png, options)), false);
  std::ofstream(dir / "seal.pdf", std::ios::binary) << encode(doc, OutputKind::Pdf, options);
  const double pdf = inkDown(rasterisePdf(dir / "seal.pdf", 600), true);
  EXPECT_NEAR(png / 2, scale, 0.1 * scale);
  EXPECT_NEAR(pdf / 2, scale, 0.1 * scale);
}

TEST(VectorOutput, TheSameDesignGivesTheSameBytes) {
  test::TempDir dir;
  const std::string png = (dir / "p.png").string();
  ASSERT_TRUE(test::WriteBytes(png, test::EncodePng(40, 30, [](int x, int y) { return uint32_t(x * 5 + y * 1000); })));
  SealDocument doc = StartupSealDocument();
  doc.Shape[0] = test::Figure(kFigurePicture, 60, 40, 0);
  doc.Shape[0].szFile = png;
  for (OutputKind kind : {OutputKind::Svg, OutputKind::Pdf}) {
    const std::string first = encode(doc, kind);
    encode(StartupSealDocument(), kind);  // other files in between
    EXPECT_EQ(encode(doc, kind), first);
  }
  EXPECT_EQ(encode(doc, OutputKind::Pdf).find("CreationDate"), std::string::npos);
}

}  // namespace
}  // namespace korvane
