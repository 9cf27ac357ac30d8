// Reference images as data: every tests/render/<feature>/<case>.qsx_tzl is
// a seal, rendered and compared with <case>.png beside it. A case is added
// by adding the two files; korvane-render reproduces any of them (run it
// in the case's folder: picture paths are relative to the template).
//
// The stack is pinned to Debian 12, so the comparison is tight: at most
// kChannelTolerance per premultiplied channel, with the exceptions below.
// Regenerate with ./dev update-references: only images that differ are
// rewritten, and those cases still fail, so that each is looked at before
// it is committed.
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

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "document/template_format.h"
#include "render/seal_renderer.h"
#include "support/image_compare.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(KORVANE_TEST_SOURCE_DIR) / "render";
// Pictures that cases refer to; not a feature of its own.
constexpr const char kAssets[] = "assets";
constexpr int kChannelTolerance = 2;

// Cases that may differ more, each with its reason. None today.
const std::map<std::string, std::pair<test::CompareTolerance, const char*>> kExceptions = {};

struct Case {
  std::string name;  // feature/case
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::vector<Case> discoverCases() {
  std::vector<Case> cases;
  std::error_code ec;
  for (const auto& feature : fs::directory_iterator(kRoot, ec)) {
    if (!feature.is_directory() || feature.path().filename() == kAssets) continue;
    for (const auto& file : fs::directory_iterator(feature.path()))
      if (file.path().extension() == kTemplateExtension)
        cases.push_back({feature.path().filename().string() + "/" + file.path().stem().string()});
  }
  std::sort(cases.begin(), cases.end(), [](const Case& a, const Case& b) { return a.name < b.name; });
  return cases;
}

class ReferenceImage : public ::testing::TestWithParam<Case> {};

TEST_P(ReferenceImage, Matches) {
  const fs::path templatePath = kRoot / (GetParam().name + kTemplateExtension);
  SealDocument doc = CreateSealDocument();
  ASSERT_TRUE(ReadTemplateFile(doc, templatePath.string())) << templatePath;
  // Picture paths are relative to the template's own folder.
  for (SealFigure& figure : doc.Shape)
    if (!figure.szFile.empty() && fs::path(figure.szFile).is_relative())
      figure.szFile = (templatePath.parent_path() / figure.szFile).lexically_normal().string();
  SealRenderer renderer;
  ASSERT_TRUE(renderer.RenderSeal(doc));
  test::CompareTolerance tolerance{kChannelTolerance, kChannelTolerance, 0};
  if (auto it = kExceptions.find(GetParam().name); it != kExceptions.end()) tolerance = it->second.first;
  EXPECT_TRUE(test::MatchesReference(renderer.SealBitmap(), GetParam().name, tolerance));
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name = info.param.name;
  std::replace(name.begin(), name.end(), '/', '_');
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Render, ReferenceImage, ::testing::ValuesIn(discoverCases()), caseName);

TEST(ReferenceImages, EveryImageHasItsTemplateAndEveryTemplateItsImage) {
  int cases = 0;
  for (const auto& feature : fs::directory_iterator(kRoot)) {
    if (!feature.is_directory() || feature.path().filename() == kAssets) continue;
    for (const auto& file : fs::directory_iterator(feature.path())) {
      const fs::path p = file.path();
      if (p.extension() == ".png")
        EXPECT_TRUE(fs::exists(fs::path(p).replace_extension(kTemplateExtension))) << "orphan image " << p;
      else if (p.extension() == kTemplateExtension) {
        ++cases;
        EXPECT_TRUE(fs::exists(fs::path(p).replace_extension(".png"))) << "no image for " << p;
      } else
        ADD_FAILURE() << "neither a case nor its image: " << p;
    }
  }
  EXPECT_GE(cases, 18);
  for (const auto& [name, exception] : kExceptions)
    EXPECT_TRUE(fs::exists(kRoot / (name + kTemplateExtension))) << "exception for a missing case " << name;
}

}  // namespace
}  // namespace korvane
