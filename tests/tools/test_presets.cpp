// The shipped designs meet their rules on paper: each is made as the PDF a
// user would print, rasterised by poppler at 1200 dpi, and measured.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "document/presets.h"
#include "render/seal_output.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

constexpr double kDpi = 1200;
constexpr double kPixelsPerMm = kDpi / 25.4;
constexpr double kPi = 3.141592653589793;

// A page in grey levels; `dark` is ink: darker than halfway between the
// paper (255) and the seal's red (84 in grey), so that an edge pixel counts
// when the ink covers half of it.
struct Page {
  int width = 0, height = 0;
  std::vector<uint8_t> grey;
  bool dark(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && grey[size_t(y) * size_t(width) + size_t(x)] < 170;
  }
};

Page printed(const std::string& preset) {
  SealDocument doc = StartupSealDocument();
  EXPECT_TRUE(LoadPreset(doc, preset)) << preset;
  std::string pdf, error;
  EXPECT_TRUE(EncodeSeal(doc, OutputKind::Pdf, PrintOptions{}, &pdf, &error)) << error;
  test::TempDir dir;
  std::ofstream(dir / "seal.pdf", std::ios::binary) << pdf;
  const std::string base = (dir / "page").string();
  EXPECT_EQ(std::system(("pdftoppm -gray -r 1200 -singlefile " + (dir / "seal.pdf").string() + " " + base).c_str()), 0);
  std::ifstream in(base + ".pgm", std::ios::binary);
  std::string magic;
  int maxValue = 0;
  Page page;
  in >> magic >> page.width >> page.height >> maxValue;
  in.get();
  page.grey.resize(size_t(page.width) * size_t(page.height));
  in.read(reinterpret_cast<char*>(page.grey.data()), std::streamsize(page.grey.size()));
  EXPECT_EQ(magic, "P5");
  return page;
}

// Along one row (or column) through the middle: where the ink starts and
// ends, and how thick the first stroke is; in millimetres.
struct Crossing {
  double across = 0, border = 0;
};
Crossing crossing(const Page& p, bool horizontal) {
  const int n = horizontal ? p.width : p.height, at = (horizontal ? p.height : p.width) / 2;
  auto dark = [&](int i) { return horizontal ? p.dark(i, at) : p.dark(at, i); };
  int first = 0, last = n - 1;
  while (first < n && !dark(first)) ++first;
  while (last > first && !dark(last)) --last;
  int end = first;
  while (end < n && dark(end)) ++end;
  return {(last - first + 1) / kPixelsPerMm, (end - first) / kPixelsPerMm};
}

TEST(Presets, RoundSealsMeasureTheirDiameterAndBorderOnPaper) {
  const struct {
    const char* name;
    double diameter, border;
  } cases[] = {{"company-42", 42, 1.2}, {"company-40", 40, 1.2}, {"company-38", 38, 1.0},
               {"contract-42", 42, 1.2}, {"finance-round-38", 38, 1.0}};
  for (const auto& c : cases) {
    const Page p = printed(c.name);
    for (bool horizontal : {true, false}) {
      const Crossing x = crossing(p, horizontal);
      EXPECT_NEAR(x.across, c.diameter, 0.05) << c.name;
      EXPECT_NEAR(x.border, c.border, 0.02) << c.name;
    }
  }
}

// By the 2011 notice: a 40 x 30 mm ellipse with a 1 mm border; the
// taxpayer number 3.7 mm high over 26 mm; the name's characters 4.2 mm
// high, spread over 210 to 260 degrees.
TEST(Presets, TheInvoiceSealMeetsTheNoticeOnPaper) {
  const Page p = printed("invoice");
  const Crossing wide = crossing(p, true), high = crossing(p, false);
  EXPECT_NEAR(wide.across, 40.0, 0.05);
  EXPECT_NEAR(high.across, 30.0, 0.05);
  EXPECT_NEAR(wide.border, 1.0, 0.02);
  EXPECT_NEAR(high.border, 1.0, 0.02);

  const double cx = p.width / 2.0, cy = p.height / 2.0, mm = kPixelsPerMm;
  auto box = [&](double x0, double x1, double y0, double y1) {
    int left = p.width, right = -1, top = p.height, bottom = -1;
    for (int y = int(cy + y0 * mm); y <= int(cy + y1 * mm); ++y)
      for (int x = int(cx + x0 * mm); x <= int(cx + x1 * mm); ++x)
        if (p.dark(x, y)) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    return std::array<double, 2>{(right - left + 1) / mm, (bottom - top + 1) / mm};
  };
  // The number lies across the middle: its rows from its middle part, its
  // ends found by walking out from the centre until a clear gap (the name's
  // last characters come within a millimetre of it).
  int top = p.height, bottom = -1;
  for (int y = int(cy - 4 * mm); y <= int(cy + 3.5 * mm); ++y)
    for (int x = int(cx - 10 * mm); x <= int(cx + 10 * mm); ++x)
      if (p.dark(x, y)) top = std::min(top, y), bottom = std::max(bottom, y);
  auto inkInColumn = [&](int x) {
    for (int y = top; y <= bottom; ++y)
      if (p.dark(x, y)) return true;
    return false;
  };
  int right = int(cx), left = int(cx);
  for (int x = int(cx), gap = 0; x < p.width && gap < 0.5 * mm; ++x) inkInColumn(x) ? (right = x, gap = 0) : ++gap;
  for (int x = int(cx), gap = 0; x >= 0 && gap < 0.5 * mm; --x) inkInColumn(x) ? (left = x, gap = 0) : ++gap;
  EXPECT_NEAR((right - left + 1) / mm, 26.0, 0.1);
  EXPECT_NEAR((bottom - top + 1) / mm, 3.7, 0.05);
  // The name's middle character stands at the top, under the border.
  const auto middle = box(-1.5, 1.5, -13.9, -4.5);
  EXPECT_NEAR(middle[1], 4.2, 0.06);

  // The sweep: the outer edges of the name's characters, seen from the
  // centre, between the border and the words inside.
  double widest = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const double u = (x - cx) / (19 * mm), v = (y - cy) / (14 * mm);
      const double rho = std::hypot(u, v);
      if (rho < 0.88 || rho > 0.97 || !p.dark(x, y)) continue;
      widest = std::max(widest, std::fabs(std::atan2(x - cx, cy - y)) * 180 / kPi);
    }
  EXPECT_GE(2 * widest, 210);
  EXPECT_LE(2 * widest, 260);
}

TEST(Presets, EveryPresetIsListedAndLoads) {
  const std::vector<std::string> names = ListPresets();
  for (const char* name : {"company-42", "company-40", "company-38", "contract-42", "finance-round-38",
                           "finance-square-22", "invoice", "oval-45x30", "name-square-18"})
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  for (const std::string& name : names) {
    SealDocument doc = StartupSealDocument();
    ASSERT_TRUE(LoadPreset(doc, name)) << name;
    EXPECT_GT(doc.SizeMM, 0) << name;
  }
  SealDocument doc = StartupSealDocument();
  EXPECT_FALSE(LoadPreset(doc, "../图章模板/x"));
  EXPECT_FALSE(LoadPreset(doc, "no-such-preset"));
}

}  // namespace
}  // namespace korvane
