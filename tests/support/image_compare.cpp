#include "support/image_compare.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "drawing/codecs/encoders.h"
#include "drawing/codecs/picture_decoder.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/png_writer.h"

namespace korvane::test {

ARGB Pixel(const GfxImage& image, int x, int y) {
  ARGB c = 0;
  image.GetPixel(x, y, &c);
  return c;
}

namespace {

// Compared premultiplied: the colour of a nearly transparent pixel carries
// almost no weight, whatever its straight value.
int channelDiff(ARGB straightA, ARGB straightB) {
  const uint32_t a = PremultiplyPixel(straightA), b = PremultiplyPixel(straightB);
  int d = 0;
  for (int shift = 0; shift < 32; shift += 8)
    d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return d;
}

void writeDiff(const GfxImage& expected, const GfxImage& actual, const std::string& name) {
  const int w = int(actual.GetWidth()), h = int(actual.GetHeight());
  GfxBitmap sheet;
  if (!sheet.CreateBlank(w * 3, h)) return;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const ARGB e = Pixel(expected, x, y), a = Pixel(actual, x, y);
      const int d = channelDiff(e, a);
      sheet.SetPixel(x, y, e);
      sheet.SetPixel(w + x, y, d ? 0xFF000000u | (uint32_t(std::min(255, d * 4)) << 16) : 0xFFFFFFFFu);
      sheet.SetPixel(2 * w + x, y, a);
    }
  const std::filesystem::path dir = std::filesystem::path(KORVANE_BINARY_DIR) / "render-diffs" / name;
  std::filesystem::create_directories(dir.parent_path());
  std::string format = kImageFormatPNG;
  sheet.SaveToFile(dir.string() + ".png", format);
}

}  // namespace

::testing::AssertionResult MatchesReference(const GfxImage& actual, const std::string& name,
                                            CompareTolerance tol) {
  const std::string path = std::string(KORVANE_TEST_SOURCE_DIR) + "/render/" + name + ".png";
  const char* update = std::getenv("KORVANE_UPDATE_REFERENCES");
  const bool updating = update && std::string(update) == "1";
  // A regenerated image still fails its case: it must be looked at before
  // it is committed, so a regeneration never passes silently.
  auto regenerate = [&](const std::string& why) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::string format = kImageFormatPNG;
    GfxImage& writable = const_cast<GfxImage&>(actual);
    if (!writable.SaveToFile(path, format)) return ::testing::AssertionFailure() << "cannot write " << path;
    return ::testing::AssertionFailure() << name << ": " << why << "; reference regenerated, look at " << path;
  };
  GfxBitmap expected;
  if (!expected.CreateFromFile(path)) {
    if (updating) return regenerate("no reference image");
    return ::testing::AssertionFailure() << "no reference image " << path << " (./dev update-references makes it)";
  }
  if (expected.GetWidth() != actual.GetWidth() || expected.GetHeight() != actual.GetHeight()) {
    if (updating) return regenerate("size changed");
    return ::testing::AssertionFailure() << name << ": size " << actual.GetWidth() << "x" << actual.GetHeight()
                                         << ", reference " << expected.GetWidth() << "x" << expected.GetHeight();
  }
  int largest = 0, loose = 0, over = 0;
  for (int y = 0; y < int(actual.GetHeight()); ++y)
    for (int x = 0; x < int(actual.GetWidth()); ++x) {
      const int d = channelDiff(Pixel(expected, x, y), Pixel(actual, x, y));
      largest = std::max(largest, d);
      if (d > tol.looseChannel)
        ++over;
      else if (d > tol.channel)
        ++loose;
    }
  if (over == 0 && loose <= tol.loosePixels) return ::testing::AssertionSuccess();
  writeDiff(expected, actual, name);
  if (updating) return regenerate(std::to_string(over + loose) + " pixels differed");
  return ::testing::AssertionFailure() << name << ": " << over + loose << " pixels differ (" << over
                                       << " beyond any tolerance), largest channel difference " << largest
                                       << "; see build/render-diffs/" << name << ".png";
}

}  // namespace korvane::test
