// Renders on several threads at once share the font caches, the private
// seal font and the picture cache: run under ./dev test --asan, a face
// released on the wrong thread or without the FreeType lock shows up here.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "render/seal_fonts.h"
#include "render/seal_renderer.h"
#include "support/image_compare.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

TEST(Concurrency, TwoThreadsRenderWhileTheSealFontIsSwapped) {
  SealRenderer reference;
  ASSERT_TRUE(reference.RenderSeal(StartupSealDocument()));
  const ARGB expected = test::Pixel(reference.SealBitmap(), 200, 110);

  test::TempDir dir;
  const auto copy = dir / "seal.ttf";
  std::filesystem::copy_file(PrivateSealFontPath(), copy);
  std::atomic<bool> stop{false};
  std::atomic<int> mismatches{0};
  auto renderLoop = [&](int variant) {
    SealDocument doc = StartupSealDocument();
    // One thread also uses installed families, whose faces are cached apart.
    if (variant == 1) doc.Text[3].Font.FaceName = "DejaVu Sans";
    SealRenderer r;
    for (int i = 0; i < 40; ++i) {
      if (!r.RenderSeal(doc)) mismatches++;
    }
  };
  std::thread swapper([&] {
    // Each swap drops the loaded family: its faces die on whichever thread
    // lets go of them last.
    while (!stop) {
      ScopedPrivateSealFontPath other(copy.string());
      std::this_thread::yield();
    }
  });
  std::thread a(renderLoop, 0), b(renderLoop, 1);
  a.join();
  b.join();
  stop = true;
  swapper.join();
  EXPECT_EQ(mismatches, 0);
  // Afterwards the seal font is the program's own again and draws the same.
  SealRenderer after;
  ASSERT_TRUE(after.RenderSeal(StartupSealDocument()));
  EXPECT_EQ(test::Pixel(after.SealBitmap(), 200, 110), expected);
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

// Coverage masks are kept per thread between renders: a render that reuses
// them must give exactly the pixels of one that rasterises everything anew
// (a new thread starts with no masks), and an edit must never show a stale
// one.
TEST(MaskCache, ReusedMasksGiveExactlyTheFreshPixels) {
  SealDocument doc = StartupSealDocument();
  SealRenderer warm;
  ASSERT_TRUE(warm.RenderSeal(doc));
  ASSERT_TRUE(warm.RenderSeal(doc));  // every mask now comes from the cache
  std::vector<ARGB> fresh;
  std::thread([&] {
    SealRenderer cold;
    ASSERT_TRUE(cold.RenderSeal(doc));
    fresh = pixelsOf(cold);
  }).join();
  EXPECT_TRUE(pixelsOf(warm) == fresh);

  doc.Text[1].szText = "Tessirо";  // the last letter is now Cyrillic
  ASSERT_TRUE(warm.RenderSeal(doc));
  std::vector<ARGB> edited;
  std::thread([&] {
    SealRenderer cold;
    ASSERT_TRUE(cold.RenderSeal(doc));
    edited = pixelsOf(cold);
  }).join();
  EXPECT_TRUE(pixelsOf(warm) == edited);
  EXPECT_FALSE(edited == fresh);
}

}  // namespace
}  // namespace korvane
