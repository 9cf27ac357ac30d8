// Renders on several threads at once share the font caches, the private
// seal font and the picture cache: run under ./dev test --asan, a face
// released on the wrong thread or without the FreeType lock shows up here.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "render/render_caches.h"
#include "render/seal_cases.h"
#include "render/seal_fonts.h"
#include "render/seal_renderer.h"
#include "support/image_compare.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

TEST(Concurrency, TwoThreadsShareFontsThatTheLastOfThemReleases) {
  SealRenderer reference;
  ASSERT_TRUE(reference.RenderSeal(StartupSealDocument()));
  const ARGB expected = test::Pixel(reference.SealBitmap(), 200, 110);

  test::TempDir dir;
  const auto copy = dir / "seal.ttf";
  std::filesystem::copy_file(PrivateSealFontPath(), copy);
  std::atomic<int> mismatches{0};
  auto renderLoop = [&](std::shared_ptr<SealFonts> fonts, int variant) {
    SealDocument doc = StartupSealDocument();
    // One thread also uses installed families, whose faces are kept apart.
    if (variant == 1) doc.Text[3].Font.FaceName = "DejaVu Sans";
    RenderCaches caches(kPictureCacheBytes, *fonts);
    SealRenderer r(caches);
    for (int i = 0; i < 4; ++i)
      if (!r.RenderSeal(doc) || (variant == 0 && test::Pixel(r.SealBitmap(), 200, 110) != expected)) mismatches++;
  };
  // Each round's fonts, with their faces, die on whichever thread lets go last.
  for (int round = 0; round < 10; ++round) {
    auto fonts = std::make_shared<SealFonts>(copy.string());
    std::thread a(renderLoop, fonts, 0), b(renderLoop, fonts, 1);
    fonts.reset();
    a.join();
    b.join();
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

std::vector<ARGB> pixelsOf(const SealRenderer& r) {
  std::vector<ARGB> out;
  for (int y = 0; y < r.RenderHeight(); ++y)
    for (int x = 0; x < r.RenderWidth(); ++x) out.push_back(test::Pixel(r.SealBitmap(), x, y));
  return out;
}

// The pixels of a render on a new thread, which starts with no masks.
std::vector<ARGB> freshPixels(const SealDocument& doc) {
  std::vector<ARGB> pixels;
  std::thread([&] {
    SealRenderer cold;
    ASSERT_TRUE(cold.RenderSeal(doc));
    pixels = pixelsOf(cold);
  }).join();
  return pixels;
}

// Coverage masks are kept per thread between renders: a render that reuses
// them must give exactly the pixels of one that rasterises everything anew,
// and an edit must never show a stale one.
TEST(MaskCache, ReusedMasksGiveExactlyTheFreshPixels) {
  SealDocument doc = StartupSealDocument();
  SealRenderer warm;
  ASSERT_TRUE(warm.RenderSeal(doc));
  ASSERT_TRUE(warm.RenderSeal(doc));  // every mask now comes from the cache
  const std::vector<ARGB> fresh = freshPixels(doc);
  EXPECT_TRUE(pixelsOf(warm) == fresh);

  doc.Text[1].szText = "Tessirо";  // the last letter is now Cyrillic
  ASSERT_TRUE(warm.RenderSeal(doc));
  const std::vector<ARGB> edited = freshPixels(doc);
  EXPECT_TRUE(pixelsOf(warm) == edited);
  EXPECT_FALSE(edited == fresh);
}

// A ring that wraps round is filled a glyph at a time, and a glyph that
// comes back at the same place is drawn from its kept mask: new words that
// share some glyphs and places with the last ones give the fresh pixels.
TEST(MaskCache, AWrappedRingDrawnFromKeptGlyphsGivesTheFreshPixels) {
  SealDocument doc = test::BlankSeal(400, 400);
  SealText& ring = doc.Text[0];
  ring.TypeStyle = kTextRingTop;
  ring.Font.FaceName = kPrivateSealFaceName;
  ring.TextColor = kSealRed;
  ring.FontSize = 20;
  ring.Width = ring.Height = 300;  // 96 characters go round it more than once
  SealRenderer warm;
  for (int seed : {1, 2, 3}) {
    static const char* const kCharacters[] = {"印", "章", "A", "B"};
    ring.szText.clear();
    for (int i = 0; i < 96; ++i) ring.szText += kCharacters[(i * 7 + seed * (i % 3)) % 4];
    ASSERT_TRUE(warm.RenderSeal(doc));
    EXPECT_TRUE(pixelsOf(warm) == freshPixels(doc)) << seed;
  }
}

}  // namespace
}  // namespace korvane
