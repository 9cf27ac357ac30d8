// Choosing the font of a text item: the shipped seal font, installed
// families by exact name, fallbacks, and style bits.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "render/seal_cases.h"
#include "render/seal_fonts.h"
#include "render/seal_renderer.h"
#include "support/image_compare.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

SealDocument textSeal(const std::string& face, int32_t typeStyle, bool bold = false) {
  SealDocument doc = test::BlankSeal(300, 300);
  SealText& t = doc.Text[0];
  t.szText = "Seal印章";
  t.Font = {face, bold, false, false};
  t.FontSize = 30;
  t.Width = t.Height = 200;
  t.TextColor = kSealRed;
  t.TypeStyle = typeStyle;
  t.OffsetY = typeStyle == kTextLine ? 100 : 0;
  return doc;
}

int ink(const SealRenderer& r) {
  int n = 0;
  for (int y = 0; y < r.RenderHeight(); ++y)
    for (int x = 0; x < r.RenderWidth(); ++x) n += int(test::Pixel(r.SealBitmap(), x, y) >> 24);
  return n / 255;
}

int renderInk(const SealDocument& doc, SealFonts& fonts = SealFonts::Shared()) {
  RenderCaches caches(kPictureCacheBytes, fonts);
  SealRenderer r(caches);
  EXPECT_TRUE(r.RenderSeal(doc));
  return ink(r);
}

constexpr const char* kMissingFont = "/nonexistent/图章专用字体.ttf";

// Synthetic italic slants the glyphs: the top half of a line's ink lies
// to the right of the bottom half.
TEST(SealFonts, ItalicIsSynthesisedAsASlant) {
  auto slant = [](bool italic) {
    SealDocument doc = textSeal(kPrivateSealFaceName, kTextLine);
    doc.Text[0].szText = "|||";  // vertical strokes only
    doc.Text[0].Font.Italic = italic;
    SealRenderer r;
    EXPECT_TRUE(r.RenderSeal(doc));
    double top = 0, topInk = 0, bottom = 0, bottomInk = 0;
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 300; ++x) {
        const double a = test::Pixel(r.SealBitmap(), x, y) >> 24;
        (y < 200 ? top : bottom) += a * x;  // the band 100..300 is centred on 200
        (y < 200 ? topInk : bottomInk) += a;
      }
    return top / topInk - bottom / bottomInk;
  };
  EXPECT_NEAR(slant(false), 0, 0.5);
  EXPECT_GT(slant(true), 2.0);
}

TEST(SealFonts, UnderlineFollowsTheRing) {
  SealDocument plain = textSeal(kPrivateSealFaceName, kTextRingTop), underlined = plain;
  underlined.Text[0].Font.Underline = true;
  // The underline is drawn per character along the ring: ink below every
  // glyph, so much more ink and still nothing near the ring's centre.
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(underlined));
  EXPECT_GT(ink(r), renderInk(plain) + 100);
  for (int y = 130; y < 170; ++y)
    for (int x = 130; x < 170; ++x) ASSERT_EQ(test::Pixel(r.SealBitmap(), x, y) >> 24, 0u);
}

TEST(SealFonts, ThePrivateFileIsReadOnceAcrossRendersAndRenderers) {
  SealFonts fonts;
  const SealDocument doc = StartupSealDocument();
  EXPECT_EQ(fonts.LoadAttempts(), 0);  // nothing read before a seal needs it
  for (int i = 0; i < 3; ++i) renderInk(doc, fonts);
  EXPECT_EQ(fonts.LoadAttempts(), 1);
  ASSERT_NE(fonts.PrivateFamily().GetNative(), nullptr);
  EXPECT_EQ(fonts.PrivateFamily().GetFamilyName(), "AR PL SungtiL GB");
}

TEST(SealFonts, ThePrivateFileMayChangeOnDiskAfterLoading) {
  test::TempDir dir;
  const auto copy = dir / "seal.ttf";
  std::filesystem::copy_file(PrivateSealFontPath(), copy);
  SealFonts fonts(copy.string());
  const SealDocument doc = StartupSealDocument();
  const int inkBefore = renderInk(doc, fonts);
  ASSERT_GT(inkBefore, 1000);
  // Truncated in place, then removed: glyphs already come from memory.
  std::ofstream(copy, std::ios::trunc) << "gone";
  EXPECT_EQ(renderInk(doc, fonts), inkBefore);
  std::filesystem::remove(copy);
  SealDocument other = doc;
  other.Text[0].szText = "盛世华章";  // glyphs not drawn before
  EXPECT_GT(renderInk(other, fonts), 1000);
}

TEST(SealFonts, EmSizeIsPixels) {
  GfxFont font;
  ASSERT_TRUE(SealFonts::Shared().Select({kPrivateSealFaceName, false, false, false}, 40, font));
  EXPECT_FLOAT_EQ(font.GetSize(), 40);
  EXPECT_FLOAT_EQ(font.GetHeight(), 40.0f * (900 + 124) / 1024);
}

TEST(SealFonts, MissingPrivateFileIsRetriedAndRingTextFallsBack) {
  SealFonts missing(kMissingFont);
  EXPECT_GT(renderInk(textSeal(kPrivateSealFaceName, kTextRingTop), missing), 100);  // the fallback font
  EXPECT_EQ(renderInk(textSeal(kPrivateSealFaceName, kTextLine), missing), 0);       // no font, no line
  EXPECT_EQ(missing.LoadAttempts(), 2);
  renderInk(textSeal(kPrivateSealFaceName, kTextLine), missing);
  EXPECT_EQ(missing.LoadAttempts(), 3);
  EXPECT_EQ(missing.PrivateFamily().GetNative(), nullptr);
  // The program's own fonts are untouched by another object's file.
  GfxFont font;
  EXPECT_TRUE(SealFonts::Shared().Select({kPrivateSealFaceName, false, false, false}, 20, font));
  EXPECT_NE(font.GetNative(), nullptr);
}

TEST(SealFonts, AFileThatIsNotAFontIsAFailedLoad) {
  test::TempDir dir;
  std::ofstream(dir / "not-a-font.ttf") << "plain text, not a font";
  SealFonts notAFont((dir / "not-a-font.ttf").string());
  GfxFont font;
  EXPECT_TRUE(notAFont.Select({kPrivateSealFaceName, false, false, false}, 20, font));
  EXPECT_EQ(font.GetNative(), nullptr);
}

TEST(SealFonts, UnknownFaceFallsBackWithoutTouchingThePrivateFile) {
  SealFonts fonts;
  EXPECT_GT(renderInk(textSeal("No Such Font 123", kTextRingBottom), fonts), 100);
  EXPECT_EQ(renderInk(textSeal("No Such Font 123", kTextLine), fonts), 0);
  EXPECT_EQ(fonts.LoadAttempts(), 0);
}

TEST(SealFonts, ANameDifferingByATrailingSpaceIsAnOrdinaryName) {
  SealFonts fonts;
  GfxFont font;
  EXPECT_FALSE(fonts.Select({std::string(kPrivateSealFaceName) + " ", false, false, false}, 20, font));
  EXPECT_EQ(font.GetNative(), nullptr);
  EXPECT_EQ(fonts.LoadAttempts(), 0);
}

TEST(SealFonts, InstalledFamiliesAreFoundByExactAndLocalisedName) {
  for (const char* name : {"AR PL SungtiL GB", "文鼎ＰＬ简报宋", "DejaVu Sans"}) {
    GfxFont font;
    EXPECT_FALSE(SealFonts::Shared().Select({name, false, false, false}, 20, font));
    EXPECT_NE(font.GetNative(), nullptr) << name;
    EXPECT_GT(renderInk(textSeal(name, kTextLine)), 100) << name;
  }
  GfxFontFamily family;
  EXPECT_FALSE(family.CreateFromName("宋体"));  // no alias is invented
  EXPECT_EQ(LastStatus(), GfxStatus::FontFamilyNotFound);
}

TEST(SealFonts, BoldIsSynthesisedOnlyForTheItemThatAsksForIt) {
  const int regular = renderInk(textSeal(kPrivateSealFaceName, kTextLine, false));
  const int bold = renderInk(textSeal(kPrivateSealFaceName, kTextLine, true));
  EXPECT_GT(bold, regular * 5 / 4);
  // A bold ring first, then the same regular line: the line is unchanged.
  SealDocument both = textSeal(kPrivateSealFaceName, kTextLine, false);
  both.Text[1] = textSeal(kPrivateSealFaceName, kTextRingTop, true).Text[0];
  SealDocument ringOnly = both;
  ringOnly.Text[0].TypeStyle = 0;
  EXPECT_NEAR(renderInk(both) - renderInk(ringOnly), regular, 1);  // sums of alpha, rounded
}

TEST(SealFonts, RealBoldFacesAreUsedWhenTheFamilyHasThem) {
  GfxFontFamily dejavu;
  ASSERT_TRUE(dejavu.CreateFromName("DejaVu Sans"));
  EXPECT_TRUE(dejavu.IsStyleAvailable(FontStyleBold));
  const int regular = renderInk(textSeal("DejaVu Sans", kTextLine, false));
  const int bold = renderInk(textSeal("DejaVu Sans", kTextLine, true));
  EXPECT_GT(bold, regular);
}

TEST(SealFonts, UnderlineAddsAStrokeUnderTheText) {
  SealDocument plain = textSeal(kPrivateSealFaceName, kTextLine);
  SealDocument underlined = plain;
  underlined.Text[0].Font.Underline = true;
  SealRenderer r;
  ASSERT_TRUE(r.RenderSeal(underlined));
  // Some row below the glyphs is inked across most of the text's width.
  int longestRun = 0;
  for (int y = 100; y < 300; ++y) {
    int run = 0;
    for (int x = 0; x < 300; ++x) {
      run = (test::Pixel(r.SealBitmap(), x, y) >> 24) > 128 ? run + 1 : 0;
      longestRun = std::max(longestRun, run);
    }
  }
  EXPECT_GT(longestRun, 100);
  EXPECT_GT(renderInk(underlined), renderInk(plain));
}

TEST(SealFonts, CharactersTheFontLacksKeepTheirPlace) {
  // U+20000 is outside the seal font: it takes one place (the missing
  // glyph's), not two, so "印" sits where it sits after one other character.
  SealDocument lacking = textSeal(kPrivateSealFaceName, kTextLine), present = lacking;
  lacking.Text[0].szText = "𠀀印";
  present.Text[0].szText = "\xEF\xBF\xBF印";  // U+FFFF, also missing: the same single place
  SealRenderer a, b;
  ASSERT_TRUE(a.RenderSeal(lacking));
  ASSERT_TRUE(b.RenderSeal(present));
  EXPECT_EQ(ink(a), ink(b));
  EXPECT_GT(ink(a), 100);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(FontCollection, FamilyListNeedsRoomForOneAndLeavesTheListAlone) {
  GfxPrivateFontCollection fonts;
  ASSERT_TRUE(fonts.Create());
  std::vector<GfxFontFamily> families(3);
  EXPECT_EQ(fonts.GetFamilyList(0, families), 0);
  EXPECT_EQ(LastStatus(), GfxStatus::InvalidParameter);
  EXPECT_EQ(families.size(), 3u);
  EXPECT_EQ(fonts.GetFamilyList(1, families), 0);  // nothing added yet
  ASSERT_TRUE(fonts.AddFontFile(PrivateSealFontPath()));
  EXPECT_EQ(fonts.GetFamilyList(1, families), 1);
  EXPECT_EQ(families[0].GetFamilyName(), "AR PL SungtiL GB");
  EXPECT_FALSE(fonts.AddFontFile("/nonexistent.ttf"));
  EXPECT_FALSE(fonts.AddMemoryFont(ByteArray{1, 2, 3}));
  EXPECT_EQ(fonts.GetFamilyCount(), 1);
}

TEST(FontCollection, MemoryFontsKeepTheirOwnCopy) {
  ByteArray bytes;
  ASSERT_TRUE(ReadFileBytes(PrivateSealFontPath().c_str(), &bytes, size_t(64) << 20));
  GfxPrivateFontCollection fonts;
  fonts.Create();
  ASSERT_TRUE(fonts.AddMemoryFont(bytes));
  std::fill(bytes.begin(), bytes.end(), 0);
  bytes.clear();
  bytes.shrink_to_fit();
  std::vector<GfxFontFamily> families;
  ASSERT_EQ(fonts.GetFamilyList(1, families), 1);
  GfxFont font;
  ASSERT_TRUE(font.Create(families[0], 30, FontStyleBold, 2));
  GfxBitmap bitmap;
  bitmap.CreateBlank(100, 50);
  GfxGraphics g;
  g.FromImage(bitmap);
  GfxSolidBrush brush;
  brush.Create(0xFF000000);
  GfxStringFormat format;
  format.Create();
  EXPECT_TRUE(g.DrawString("印A", font, GfxRectF{0, 0, 100, 50}, format, brush));
}

}  // namespace
}  // namespace korvane
