// Template files: exact bytes, reading in place, encodings, safe writes.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <dlfcn.h>
#include <iconv.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "document/template_format.h"
#include "document/text_number.h"
#include "document/text_encoding.h"
#include "support/temp_dir.h"

// The converter as the system gives it, unless a test has it fail to open
// (this definition stands in for the C library's in this test program).
namespace {
std::atomic<bool> g_converterMissing{false};
}
extern "C" iconv_t iconv_open(const char* to, const char* from) {
  if (g_converterMissing) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
  }
  using Open = iconv_t (*)(const char*, const char*);
  static const auto real = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, "iconv_open"));
  return real(to, from);
}

namespace korvane {
namespace {

// The start-up seal's template, member by member.
const char kStartupTemplate[] =
    R"({"Width":"400","Height":"400","BackColor":"-1","Text":{"1":{"FaceName":"图章专用字体","FontSize":"40","Bold":"真","Italic":"假","Underline":"假","Width":"190","Height":"190","TextColor":"2236114","Spacing":"8","OffsetX":"0","OffsetY":"0","TypeStyle":"1","szText":"Velmora科技"})"
    R"(,"2":{"FaceName":"图章专用字体","FontSize":"40","Bold":"真","Italic":"假","Underline":"假","Width":"190","Height":"190","TextColor":"16777215","Spacing":"3","OffsetX":"0","OffsetY":"110","TypeStyle":"3","szText":"Tessiro"})"
    R"(,"3":{"FaceName":"图章专用字体","FontSize":"25","Bold":"真","Italic":"假","Underline":"假","Width":"190","Height":"190","TextColor":"2236114","Spacing":"5","OffsetX":"0","OffsetY":"10","TypeStyle":"2","szText":"WWW.EXAMPLE.COM"})"
    R"(,"4":{"FaceName":"图章专用字体","FontSize":"30","Bold":"真","Italic":"假","Underline":"假","Width":"160","Height":"160","TextColor":"2236114","Spacing":"0","OffsetX":"0","OffsetY":"280","TypeStyle":"3","szText":"By Tolvane"}})"
    R"(,"Frame":{"ClipX":"0","ClipY":"165","ClipWidth":"400","ClipHeight":"70","ClipRound":"0","Item":{"1":{"Type":"1","LineWidth":"5","LineColor":"2236114","Width":"265","Height":"265","FillColor":"-1","Round":"0"})"
    R"(,"2":{"Type":"1","LineWidth":"3","LineColor":"2236114","Width":"250","Height":"250","FillColor":"-1","Round":"0"})"
    R"(,"3":{"Type":"1","LineWidth":"2","LineColor":"2236114","Width":"145","Height":"145","FillColor":"-1","Round":"0"})"
    R"(,"4":{"Type":"1","LineWidth":"3","LineColor":"2236114","Width":"130","Height":"130","FillColor":"-1","Round":"0"})"
    R"(,"5":{"Type":"0","LineWidth":"0","LineColor":"0","Width":"0","Height":"0","FillColor":"0","Round":"0"}}})"
    R"(,"Shape":{"1":{"Type":"0","LineWidth":"0","OffsetX":"0","OffsetY":"0","Width":"0","Height":"0","Color":"0","Round":"0","szFile":""})"
    R"(,"2":{"Type":"0","LineWidth":"0","OffsetX":"0","OffsetY":"0","Width":"0","Height":"0","Color":"0","Round":"0","szFile":""})"
    R"(,"3":{"Type":"5","LineWidth":"3","OffsetX":"0","OffsetY":"0","Width":"310","Height":"70","Color":"2236114","Round":"10","szFile":""})"
    R"(,"4":{"Type":"4","LineWidth":"3","OffsetX":"0","OffsetY":"0","Width":"300","Height":"60","Color":"2236114","Round":"3","szFile":""})"
    R"(,"5":{"Type":"0","LineWidth":"0","OffsetX":"0","OffsetY":"0","Width":"0","Height":"0","Color":"0","Round":"0","szFile":""}}})";

std::string readBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

bool sameDocument(const SealDocument& a, const SealDocument& b) { return TemplateText(a) == TemplateText(b); }

TEST(TemplateFile, StartupSealIsWrittenByteForByte) {
  test::TempDir dir;
  const auto path = dir / "公司.qsx_tzl";
  ASSERT_TRUE(WriteTemplate(StartupSealDocument(), path.string()));
  const std::string bytes = readBytes(path);
  EXPECT_EQ(bytes, Utf8ToGb18030(kStartupTemplate));
  EXPECT_EQ(Gb18030ToUtf8(bytes), kStartupTemplate);
  // GBK bytes for 图章专用字体, 真 and 假, no BOM, no line break.
  EXPECT_NE(bytes.find("\xCD\xBC\xD5\xC2\xD7\xA8\xD3\xC3\xD7\xD6\xCC\xE5"), std::string::npos);
  EXPECT_NE(bytes.find("\"Bold\":\"\xD5\xE6\""), std::string::npos);
  EXPECT_NE(bytes.find("\"Italic\":\"\xBC\xD9\""), std::string::npos);
  EXPECT_EQ(bytes.front(), '{');
  EXPECT_EQ(bytes.find('\n'), std::string::npos);
  EXPECT_EQ(bytes.find("\\u"), std::string::npos);
}

TEST(TemplateFile, RoundTripRestoresEveryField) {
  SealDocument doc = StartupSealDocument();
  doc.Text[1].szText = "it's \"quoted\" \\ 图章";
  doc.Text[2].Font = {"AR PL SungtiL GB", false, true, true};
  doc.Shape[0].Type = kFigurePicture;
  doc.Shape[0].szFile = "C:\\图片\\印章.png";
  doc.Shape[4].Type = kFigureSolidStar;  // the fifth figure is saved too
  doc.Shape[4].OffsetX = -12;
  doc.Frame.Item[4] = {2, 100, 50, 7, 3, 255, -1};
  doc.BackColor = 0xFFFFFF;
  test::TempDir dir;
  ASSERT_TRUE(WriteTemplate(doc, (dir / "t.qsx_tzl").string()));
  SealDocument back = CreateSealDocument();
  ASSERT_TRUE(ReadTemplateFile(back, (dir / "t.qsx_tzl").string()));
  EXPECT_TRUE(sameDocument(doc, back));
  EXPECT_EQ(back.Shape[0].szFile, "C:\\图片\\印章.png");
  EXPECT_EQ(back.Text[1].szText, doc.Text[1].szText);
}

// Members added later are written only when set, after the members every
// reader knows, and read back; a file without them reads as their defaults.
TEST(TemplateFile, NewMembersAreWrittenOnlyWhenSetAndReadBack) {
  SealDocument doc = StartupSealDocument();
  doc.SizeMM = 40.5;
  doc.Text[0].TypeStyle = kTextEllipseTop;
  doc.Text[0].Sweep = 240;
  doc.Text[2].Stretch = 65;
  doc.Frame.Item[0].Type = kFrameEllipse;
  const std::string text = TemplateText(doc);
  EXPECT_NE(text.find("\"BackColor\":\"-1\",\"SizeMM\":\"40.5\",\"Text\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"szText\":\"Velmora科技\",\"Sweep\":\"240\"}"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Stretch\":\"65\"}"), std::string::npos) << text;
  EXPECT_EQ(text.find("\"Stretch\":\"100\""), std::string::npos) << text;
  SealDocument back = CreateSealDocument();
  ASSERT_TRUE(ReadTemplateText(back, text));
  EXPECT_EQ(TemplateText(back), text);
  EXPECT_DOUBLE_EQ(back.SizeMM, 40.5);
  EXPECT_EQ(back.Text[0].Sweep, 240);
  EXPECT_EQ(back.Text[2].Stretch, 65);
  EXPECT_EQ(back.Text[1].Stretch, 100);
  // A file that does not name them gives the defaults, whatever was there.
  ASSERT_TRUE(ReadTemplateText(back, kStartupTemplate));
  EXPECT_EQ(back.SizeMM, 0);
  EXPECT_EQ(back.Text[0].Sweep, 0);
  EXPECT_EQ(back.Text[2].Stretch, 100);
  EXPECT_EQ(TemplateText(back), kStartupTemplate);
  EXPECT_EQ(Utf8ToGb18030(kStartupTemplate)->size(), 2243u);
}

TEST(TemplateRead, MillimetresAreAPlainDecimalOrNothing) {
  const std::pair<const char*, double> cases[] = {
      {"42", 42}, {"40.5", 40.5}, {"４２", 42}, {" 38 ", 38}, {"-3", 0}, {"1e3", 0}, {"abc", 0}, {"20000", 0}, {"", 0}};
  for (const auto& [text, mm] : cases) EXPECT_DOUBLE_EQ(TextToMillimetres(text), mm) << text;
  EXPECT_EQ(MillimetresText(42), "42");
  EXPECT_EQ(MillimetresText(40.25), "40.25");
  EXPECT_EQ(MillimetresText(1.0 / 3), "0.333");
}

TEST(TemplateFile, CharactersOutsideGbkSurvive) {
  SealDocument doc = StartupSealDocument();
  doc.Text[0].szText = "𠀀😀€";
  test::TempDir dir;
  ASSERT_TRUE(WriteTemplate(doc, (dir / "t.qsx_tzl").string()));
  SealDocument back = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateFile(back, (dir / "t.qsx_tzl").string()));
  EXPECT_EQ(back.Text[0].szText, "𠀀😀€");
}

TEST(TemplateRead, OnlyWidthChangesOnlyTheWidth) {
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateText(doc, R"({"Width":"300"})"));
  SealDocument expected = StartupSealDocument();
  expected.Width = 300;
  EXPECT_TRUE(sameDocument(doc, expected));
}

TEST(TemplateRead, APartialTemplateKeepsTheSealRenderable) {
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateText(doc, R"({"Width":"300","Text":{}})"));
  EXPECT_EQ(doc.Height, 400);
  EXPECT_EQ(doc.BackColor, kNoColor);
  ASSERT_TRUE(ReadTemplateText(doc, R"({"Height":"","BackColor":"16777215"})"));
  EXPECT_EQ(doc.Width, 300);
  EXPECT_EQ(doc.Height, 0);  // present but empty reads as 0
  EXPECT_EQ(doc.BackColor, kWhite);
}

TEST(TemplateRead, MissingMembersOfAPresentItemReadAsEmpty) {
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateText(doc, R"({"Text":{"2":{"FontSize":"12","szText":"新"}}})"));
  const SealText& t = doc.Text[1];
  EXPECT_EQ(t.FontSize, 12);
  EXPECT_EQ(t.szText, "新");
  EXPECT_EQ(t.Font.FaceName, "");
  EXPECT_FALSE(t.Font.Bold);
  EXPECT_EQ(t.TypeStyle, 0);
  // Other items and sections are untouched.
  EXPECT_EQ(doc.Text[0].szText, "Velmora科技");
  EXPECT_EQ(doc.Frame.Item[0].Width, 265);
}

TEST(TemplateRead, OnlyTheChineseTrueIsTrue) {
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateText(doc, R"({"Text":{"1":{"Bold":"true","Italic":"真","Underline":true}}})"));
  EXPECT_FALSE(doc.Text[0].Font.Bold);
  EXPECT_TRUE(doc.Text[0].Font.Italic);
  EXPECT_FALSE(doc.Text[0].Font.Underline);
}

TEST(TemplateRead, ElementsZeroAndSixAreIgnored) {
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateText(doc, R"({"Shape":{"0":{"Type":"2"},"6":{"Type":"3"},"5":{"Type":"7","Width":"9"}}})"));
  EXPECT_EQ(doc.Shape[0].Type, 0);
  EXPECT_EQ(doc.Shape[2].Type, 5);
  EXPECT_EQ(doc.Shape[4].Type, 7);
  EXPECT_EQ(doc.Shape[4].Width, 9);
}

TEST(TemplateRead, NumbersAreAcceptedInPlaceOfStrings) {
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateText(
      doc, R"({"Width":300,"Height":250.7,"BackColor":-1,"Frame":{"ClipY":1e2,"Item":{"1":{"Width":99}}}})"));
  EXPECT_EQ(doc.Width, 300);
  EXPECT_EQ(doc.Height, 250);
  EXPECT_EQ(doc.BackColor, -1);
  EXPECT_EQ(doc.Frame.ClipY, 100);
  EXPECT_EQ(doc.Frame.Item[0].Width, 99);
  EXPECT_EQ(doc.Frame.Item[0].Type, 0);
}

TEST(TemplateRead, UnknownMembersAndNonObjectSectionsAreHarmless) {
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateText(doc, R"({"Width":"5","Extra":{"a":1},"Text":"oops","Shape":[1,2]})"));
  EXPECT_EQ(doc.Width, 5);
  EXPECT_EQ(doc.Text[0].szText, "Velmora科技");
}

TEST(TemplateRead, DamagedOrEmptyTextLeavesTheModelUntouched) {
  for (const std::string text : {"", "{", "{\"Width\":\"300\"", "null", "garbage", "[1,2"}) {
    SealDocument doc = StartupSealDocument();
    EXPECT_FALSE(ReadTemplateText(doc, text)) << text;
    EXPECT_TRUE(sameDocument(doc, StartupSealDocument())) << text;
  }
}

TEST(TemplateRead, GbkBytesLoadTheRightCharacters) {
  // {"Text":{"1":{"szText":"印章","FaceName":"宋体"}}} in GBK.
  const std::string bytes =
      "{\"Text\":{\"1\":{\"szText\":\"\xD3\xA1\xD5\xC2\",\"FaceName\":\"\xCB\xCE\xCC\xE5\"}}}";
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateBytes(doc, bytes));
  EXPECT_EQ(doc.Text[0].szText, "印章");
  EXPECT_EQ(doc.Text[0].Font.FaceName, "宋体");
}

TEST(TemplateRead, StopsAtTheFirstZeroByte) {
  SealDocument doc = StartupSealDocument();
  const char bytes[] = "{\"Width\":\"7\"}\0garbage";
  ASSERT_TRUE(ReadTemplateBytes(doc, std::string(bytes, sizeof bytes - 1)));
  EXPECT_EQ(doc.Width, 7);
}

TEST(TemplateFile, MissingFileReadsAsFailureAndChangesNothing) {
  SealDocument doc = StartupSealDocument();
  EXPECT_FALSE(ReadTemplateFile(doc, "/nonexistent/x.qsx_tzl"));
  EXPECT_TRUE(sameDocument(doc, StartupSealDocument()));
}

TEST(TemplateFile, AWriteThatFailsHalfWayKeepsTheOldTemplate) {
  test::TempDir dir;
  const auto path = dir / "keep.qsx_tzl";
  writeBytes(path, "old");
  SealDocument big = StartupSealDocument();
  big.Text[0].szText = std::string(20000, 'x');
  // A file size limit stops the write part way, as a full disk would.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(WriteTemplate(big, path.string()) ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(readBytes(path), "old");
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);  // no temporary left behind
  ASSERT_TRUE(WriteTemplate(StartupSealDocument(), path.string()));
  EXPECT_EQ(Gb18030ToUtf8(readBytes(path)), kStartupTemplate);
}

TEST(TemplateFile, AConverterThatCannotBeOpenedIsAFailedWriteNotAnEmptyFile) {
  test::TempDir dir;
  const auto path = dir / "seal.qsx_tzl";
  { std::ofstream(path, std::ios::binary) << "old"; }
  struct Missing {
    Missing() { g_converterMissing = true; }
    ~Missing() { g_converterMissing = false; }
  };
  {
    Missing missing;
    EXPECT_FALSE(WriteTemplate(StartupSealDocument(), path.string()));
    EXPECT_FALSE(WriteTemplate(StartupSealDocument(), (dir / "new.qsx_tzl").string()));
    SealDocument doc = StartupSealDocument();
    EXPECT_FALSE(ReadTemplateBytes(doc, "{\"Width\":\"300\"}"));
    EXPECT_EQ(doc.Width, 400);
  }
  EXPECT_EQ(readBytes(path), "old");
  EXPECT_FALSE(std::filesystem::exists(dir / "new.qsx_tzl"));
}

TEST(TemplateFile, AFifoIsRefusedWithoutBlocking) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo.qsx_tzl").c_str(), 0600), 0);
  SealDocument doc = StartupSealDocument();
  EXPECT_FALSE(ReadTemplateFile(doc, (dir / "fifo.qsx_tzl").string()));
  EXPECT_TRUE(sameDocument(doc, StartupSealDocument()));
}

TEST(TemplateRead, ANumberBeyondTheDoubleRangeIsReadNotRefused) {
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateText(doc, R"({"Width":1e400,"Height":"300","BackColor":-1e999})"));
  EXPECT_EQ(doc.Height, 300);
  // Saturated at the largest double, then read through its "%.13g" text.
  EXPECT_EQ(doc.Width, 1);
  EXPECT_EQ(doc.BackColor, -1);
}

TEST(TemplateRead, ManyMembersLoadInLinearTime) {
  std::string text = R"({"Width":"321")";
  for (int i = 0; i < 200000; ++i) text += ",\"m" + std::to_string(i) + "\":\"" + std::to_string(i) + "\"";
  text += ",\"Width\":\"322\"}";  // a repeated key replaces the value
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateText(doc, text));
  EXPECT_EQ(doc.Width, 322);
}

TEST(TextEncoding, UndecodableBytesBecomeReplacementCharacters) {
  EXPECT_EQ(Gb18030ToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Gb18030ToUtf8("\xD3"), "\xEF\xBF\xBD");  // cut short
  EXPECT_EQ(Utf8ToGb18030("印"), "\xD3\xA1");
}

TEST(TextEncoding, TheCodePage936EuroByteIsTheEuroSign) {
  EXPECT_EQ(Gb18030ToUtf8("\x80" "5"), "€5");
  EXPECT_EQ(Gb18030ToUtf8("\x81\x80"), "亐");  // 0x80 as a trail byte is GB18030's own
  SealDocument doc = StartupSealDocument();
  ASSERT_TRUE(ReadTemplateBytes(doc, "{\"Text\":{\"1\":{\"szText\":\"\x80" "100\"}}}"));
  EXPECT_EQ(doc.Text[0].szText, "€100");
}

}  // namespace
}  // namespace korvane
