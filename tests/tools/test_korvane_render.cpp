// korvane-render as a user runs it: exit codes, messages and its output.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "document/template_format.h"
#include "drawing/gfx/gfx_image.h"
#include "support/image_compare.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

struct ToolRun {
  int status;
  std::string output;  // stdout and stderr together
};

ToolRun run(const std::string& args) {
  const test::CommandRun r = test::RunCommand(std::string(KORVANE_RENDER_EXE) + " " + args);
  return {r.status, r.output};
}

TEST(KorvaneRender, WritesTheStartupSealAsA400SquarePngWithAlpha) {
  test::TempDir dir;
  const std::string out = (dir / "seal.png").string();
  const ToolRun r = run("-o " + out);
  ASSERT_EQ(r.status, 0) << r.output;
  GfxBitmap png;
  ASSERT_TRUE(png.CreateFromFile(out));
  EXPECT_EQ(png.GetWidth(), 400u);
  EXPECT_EQ(png.GetHeight(), 400u);
  EXPECT_EQ(test::Pixel(png, 0, 0), 0u);  // transparent corner
}

TEST(KorvaneRender, UnwritableOutputIsAOneLineErrorNamingTheFile) {
  const ToolRun r = run("-o /nonexistent-dir/seal.png");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("/nonexistent-dir/seal.png"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << r.output;
}

TEST(KorvaneRender, UsageErrorsExitTwoWithTheUsage) {
  for (const char* args : {"--bogus", "-o"}) {
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.output.find("usage: korvane-render"), std::string::npos) << r.output;
  }
}

TEST(KorvaneRender, HelpPrintsUsage) {
  const ToolRun r = run("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output.rfind("usage: korvane-render", 0), 0u) << r.output;
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

void writeFile(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

TEST(KorvaneRender, RendersATemplateFile) {
  test::TempDir dir;
  writeFile(dir / "公司.qsx_tzl", R"({"Width":"300","Height":"200","BackColor":"255"})");
  const ToolRun r = run("-t " + (dir / "公司.qsx_tzl").string() + " -o " + (dir / "out.png").string());
  ASSERT_EQ(r.status, 0) << r.output;
  GfxBitmap png;
  ASSERT_TRUE(png.CreateFromFile((dir / "out.png").string()));
  EXPECT_EQ(png.GetWidth(), 300u);
  EXPECT_EQ(png.GetHeight(), 200u);
  EXPECT_EQ(test::Pixel(png, 0, 0), 0xFFFF0000u);  // BackColor 255 is red
}

TEST(KorvaneRender, UnreadableOrBrokenTemplatesAreErrorsAndWriteNothing) {
  test::TempDir dir;
  writeFile(dir / "broken.qsx_tzl", "{\"Width\":");
  for (const std::string& in : {(dir / "absent.qsx_tzl").string(), (dir / "broken.qsx_tzl").string()}) {
    const ToolRun r = run("-t " + in + " -o " + (dir / "out.png").string());
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(in), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.png"));
  }
}

TEST(KorvaneRender, WritesTemplatesOfTheStartupSealAndOfALoadedOne) {
  test::TempDir dir;
  const ToolRun first = run("--write-template " + (dir / "start.qsx_tzl").string());
  ASSERT_EQ(first.status, 0) << first.output;
  const ToolRun copy =
      run("-t " + (dir / "start.qsx_tzl").string() + " --write-template " + (dir / "copy.qsx_tzl").string());
  ASSERT_EQ(copy.status, 0) << copy.output;
  std::ifstream a(dir / "start.qsx_tzl", std::ios::binary), b(dir / "copy.qsx_tzl", std::ios::binary);
  const std::string bytesA((std::istreambuf_iterator<char>(a)), {}), bytesB((std::istreambuf_iterator<char>(b)), {});
  EXPECT_EQ(bytesA, bytesB);
  EXPECT_EQ(bytesA.rfind(R"({"Width":"400","Height":"400","BackColor":"-1","Text":{"1":)", 0), 0u);
}

TEST(KorvaneRender, OversizedSealIsAnError) {
  test::TempDir dir;
  writeFile(dir / "big.qsx_tzl", R"({"Width":"20000","Height":"10"})");
  const ToolRun r = run("-t " + (dir / "big.qsx_tzl").string() + " -o " + (dir / "out.png").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("20000 x 10"), std::string::npos) << r.output;
}

TEST(KorvaneRender, ASealThatCannotRenderWritesNoTemplateEither) {
  test::TempDir dir;
  writeFile(dir / "big.qsx_tzl", R"({"Width":"20000","Height":"10"})");
  const ToolRun r = run("-t " + (dir / "big.qsx_tzl").string() + " -o " + (dir / "out.png").string() +
                        " --write-template " + (dir / "out.qsx_tzl").string());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_FALSE(std::filesystem::exists(dir / "out.png"));
  EXPECT_FALSE(std::filesystem::exists(dir / "out.qsx_tzl"));
}

TEST(KorvaneRender, EmptyFileNamesAreUsageErrors) {
  for (const char* args : {"-t ''", "-o ''", "--write-template ''"}) {
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 2) << args << r.output;
  }
}

TEST(KorvaneRender, DashWritesThePngToStandardOutput) {
  const std::string cmd = std::string(KORVANE_RENDER_EXE) + " -o -";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  ByteArray bytes;
  std::array<uint8_t, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) bytes.insert(bytes.end(), buf.data(), buf.data() + n);
  EXPECT_EQ(pclose(p), 0);
  GfxBitmap png;
  ASSERT_TRUE(png.CreateFromBytes(bytes));
  EXPECT_EQ(png.GetWidth(), 400u);
}

TEST(KorvaneRender, AFifoTargetIsWrittenThroughNotReplaced) {
  test::TempDir dir;
  const auto fifo = dir / "out.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // The reader is a shell that opens the FIFO first, then the tool writes.
  const std::string cmd = "cat " + fifo.string() + " > " + (dir / "got.png").string() + " & sleep 0.2; " +
                          KORVANE_RENDER_EXE + " -o " + fifo.string() + "; status=$?; wait; exit $status";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  GfxBitmap png;
  EXPECT_TRUE(png.CreateFromFile((dir / "got.png").string()));
}

TEST(KorvaneRender, AWriteErrorOnStandardOutputIsReported) {
  const std::string cmd = std::string(KORVANE_RENDER_EXE) + " --help 2>&1 >/dev/full";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::array<char, 4096> buf{};
  const std::string said(buf.data(), fread(buf.data(), 1, buf.size(), p));
  const int status = pclose(p);
  EXPECT_EQ(WEXITSTATUS(status), 1) << said;
  EXPECT_NE(said.find("standard output"), std::string::npos) << said;
}

// ---- print and batch ----

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST(KorvaneRender, WritesSvgPdfAndAPhysicallySizedPngTogether) {
  test::TempDir dir;
  const ToolRun r = run("--svg " + (dir / "s.svg").string() + " --pdf " + (dir / "s.pdf").string() + " -o " +
                        (dir / "s.png").string() + " --size-mm 42 --dpi 600");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(slurp(dir / "s.svg").rfind("<?xml", 0), 0u);
  EXPECT_EQ(slurp(dir / "s.pdf").rfind("%PDF-", 0), 0u);
  GfxBitmap png;
  ASSERT_TRUE(png.CreateFromFile((dir / "s.png").string()));
  EXPECT_EQ(png.GetWidth(), 1470u);
}

TEST(KorvaneRender, PrintOptionsAreCheckedAsUsage) {
  for (const char* args : {"--size-mm 0", "--size-mm -4", "--size-mm abc", "--dpi 71", "--dpi 2401", "--dpi 3e",
                           "--text 5=x", "--text 1", "--text x=1", "--svg ''"}) {
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 2) << args << r.output;
  }
}

TEST(KorvaneRender, ASizeBeyondTheLimitWritesNothing) {
  test::TempDir dir;
  const ToolRun r = run("-o " + (dir / "big.png").string() + " --svg " + (dir / "big.svg").string() +
                        " --size-mm 1000 --dpi 2400");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("16384"), std::string::npos) << r.output;
  EXPECT_FALSE(std::filesystem::exists(dir / "big.png"));
  EXPECT_FALSE(std::filesystem::exists(dir / "big.svg"));
}

TEST(KorvaneRender, TextReplacesTheWordsEvenBeyondGbk) {
  test::TempDir dir;
  ASSERT_EQ(run("-o " + (dir / "a.png").string()).status, 0);
  // "4=" leaves text 4 without words.
  const ToolRun r = run("--text '1=北京𠀀某某科技😀有限公司' --text 4= -o " + (dir / "b.png").string() +
                        " --write-template " + (dir / "b.qsx_tzl").string());
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(slurp(dir / "a.png"), slurp(dir / "b.png"));
  SealDocument written = CreateSealDocument();
  ASSERT_TRUE(ReadTemplateFile(written, (dir / "b.qsx_tzl").string()));
  EXPECT_EQ(written.Text[0].szText, "北京𠀀某某科技😀有限公司");
  EXPECT_EQ(written.Text[3].szText, "");
}

TEST(KorvaneRender, ABatchWritesEveryGoodRowAndNamesTheBadOnes) {
  test::TempDir dir;
  const std::string d = dir.path().string();
  writeFile(dir / "rows.csv",
            "text1,output,text3,notes\n"
            "\"北京, 某某科技\"," + d + "/a.png,,\"two\nlines\"\n"
            "\"说 \"\"好\"\"\"," + d + "/no-such-dir/b.png,,\n"
            "上海某某," + d + "/c.svg,WWW.C.CN,\n"
            "\n"
            "," + d + "/d.pdf,,\n");
  const ToolRun r = run("--batch " + (dir / "rows.csv").string());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("row 2 of"), std::string::npos) << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
  GfxBitmap a;
  ASSERT_TRUE(a.CreateFromFile(d + "/a.png"));
  EXPECT_EQ(a.GetWidth(), 400u);
  EXPECT_EQ(slurp(dir / "c.svg").rfind("<?xml", 0), 0u);
  EXPECT_EQ(slurp(dir / "d.pdf").rfind("%PDF-", 0), 0u);
  // Each row's own words: the design's for the empty cells.
  EXPECT_NE(slurp(dir / "a.png"), slurp(dir / "d.pdf"));
}

TEST(KorvaneRender, ABatchWithoutAnOutputColumnOrWithAnOpenQuoteIsRefused) {
  test::TempDir dir;
  writeFile(dir / "none.csv", "text1\nx\n");
  writeFile(dir / "open.csv", "output\n\"a.png\n");
  for (const char* file : {"none.csv", "open.csv"}) {
    const ToolRun r = run("--batch " + (dir / file).string());
    EXPECT_EQ(r.status, 1) << file << r.output;
  }
}

TEST(KorvaneRender, ABatchNeverReplacesItsInputsNorWritesOneFileTwice) {
  test::TempDir dir;
  const std::string d = dir.path().string();
  writeFile(dir / "notes.txt", "keep me");
  std::string rows = "output,text1\n";
  rows += d + "/rows.csv,a\n";                 // 1: the CSV itself
  rows += d + "/./t.qsx_tzl,b\n";              // 2: the template, spelt otherwise
  rows += d + "/same.png,c\n";                 // 3
  rows += d + "/sub/../same.png,d\n";          // 4: row 3's file
  rows += d + "/notes.txt";                    // 5: a NUL byte cuts no name short
  rows += std::string(1, '\0') + ".png,e\n";
  rows += d + "/notes.txt,f\n";                // 6: not an output's extension
  rows += d + "/ok.svg,g\n";                   // 7
  rows += d + "/pic.png,h\n";                  // 8: the picture the design draws
  writeFile(dir / "rows.csv", rows);
  std::filesystem::create_directory(dir / "sub");
  // The design's picture figure reads pic.png.
  writeFile(dir / "pic.png", slurp(std::filesystem::path(KORVANE_TEST_SOURCE_DIR) / "render" / "figures" / "picture_stretched.png"));
  writeFile(dir / "t.qsx_tzl", "{\"Shape\":{\"1\":{\"Type\":\"1\",\"Width\":\"50\",\"Height\":\"50\",\"szFile\":\"" + d + "/pic.png\"}}}");
  const std::string csvBefore = slurp(dir / "rows.csv"), templateBefore = slurp(dir / "t.qsx_tzl"),
                    pictureBefore = slurp(dir / "pic.png");
  for (int round = 0; round < 3; ++round) {
    const ToolRun r = run("-t " + d + "/t.qsx_tzl --batch " + d + "/rows.csv");
    EXPECT_EQ(r.status, 1) << r.output;
    for (const char* row : {"row 1 of", "row 2 of", "row 4 of", "row 5 of", "row 6 of", "row 8 of"})
      EXPECT_NE(r.output.find(row), std::string::npos) << row << "\n" << r.output;
    EXPECT_EQ(r.output.find("row 3 of"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("same file as row 3"), std::string::npos) << r.output;
    EXPECT_EQ(slurp(dir / "rows.csv"), csvBefore);
    EXPECT_EQ(slurp(dir / "t.qsx_tzl"), templateBefore);
    EXPECT_EQ(slurp(dir / "pic.png"), pictureBefore);
    EXPECT_EQ(slurp(dir / "notes.txt"), "keep me");
    // Row 3's seal, always: its words are c, not d.
    EXPECT_TRUE(std::filesystem::exists(dir / "same.png"));
    EXPECT_TRUE(std::filesystem::exists(dir / "ok.svg"));
  }
}

TEST(KorvaneRender, OneFileNamedTwiceOrOverAnInputIsAUsageErrorAndWritesNothing) {
  test::TempDir dir;
  const std::string d = dir.path().string();
  writeFile(dir / "t.qsx_tzl", "{\"Width\":\"300\"}");
  const std::string before = slurp(dir / "t.qsx_tzl");
  std::filesystem::create_symlink(dir / "f", dir / "link");
  for (const std::string& args : {"-o " + d + "/f --pdf " + d + "/f", "-o " + d + "/f --pdf " + d + "/./f",
                                 "-o " + d + "/f --svg " + d + "/link",
                                 "-t " + d + "/t.qsx_tzl -o " + d + "/t.qsx_tzl",
                                 "-t " + d + "/t.qsx_tzl --write-template " + d + "/../" +
                                     dir.path().filename().string() + "/t.qsx_tzl",
                                 std::string("-o - --svg -")}) {
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.output;
    EXPECT_NE(r.output.find("usage: korvane-render"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("<?xml"), std::string::npos) << args;
    EXPECT_FALSE(std::filesystem::exists(dir / "f")) << args;
    EXPECT_EQ(slurp(dir / "t.qsx_tzl"), before) << args;
  }
}

TEST(KorvaneRender, AVectorPageThatWouldComeOutBlankIsRefused) {
  test::TempDir dir;
  const std::string d = dir.path().string();
  writeFile(dir / "wide.qsx_tzl", "{\"Width\":\"8388474\",\"Height\":\"400\"}");
  for (const std::string& args : {"-t " + d + "/wide.qsx_tzl --svg " + d + "/x.svg",
                                 "-t " + d + "/wide.qsx_tzl --pdf " + d + "/x.pdf",
                                 "--size-mm 1e-300 --pdf " + d + "/x.pdf", "--size-mm 1e-300 --svg " + d + "/x.svg"}) {
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 1) << args << "\n" << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.svg")) << args;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.pdf")) << args;
  }
  // Small but real: a seal of 2 mm is drawn.
  EXPECT_EQ(run("--size-mm 2 --pdf " + d + "/x.pdf").status, 0);
}

// A template naming an installed font looks it up through Fontconfig; the
// program releases Fontconfig's configuration as it ends, so under the
// sanitizer build its leak check sees only the program's own memory.
TEST(KorvaneRender, ATemplateNamingAnInstalledFontEndsCleanly) {
  test::TempDir dir;
  SealDocument doc = StartupSealDocument();
  doc.Text[2].Font.FaceName = "DejaVu Sans";
  ASSERT_TRUE(WriteTemplate(doc, (dir / "t.qsx_tzl").string()));
  const ToolRun r = run("-t " + (dir / "t.qsx_tzl").string() + " -o " + (dir / "s.png").string());
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "");
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// A batch killed at any moment leaves each output complete (a PNG that
// reads whole) or absent; finished normally, it leaves no temporary file.
TEST(KorvaneRender, ABatchKilledAtAnyMomentLeavesEachOutputCompleteOrAbsent) {
  for (int delayMs : {30, 80, 160, -1}) {
    test::TempDir dir;
    std::string rows = "output,text1\n";
    for (int i = 0; i < 400; ++i) rows += (dir / ("s" + std::to_string(i) + ".png")).string() + ",印章" + std::to_string(i) + "\n";
    writeFile(dir / "rows.csv", rows);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      execl(KORVANE_RENDER_EXE, KORVANE_RENDER_EXE, "--batch", (dir / "rows.csv").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (delayMs >= 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    size_t complete = 0, temporaries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".korvane-", 0) == 0) {
        ++temporaries;
        continue;
      }
      if (name == "rows.csv") continue;
      GfxBitmap png;
      ASSERT_TRUE(png.CreateFromFile(entry.path().string())) << name << " after " << delayMs << " ms";
      EXPECT_EQ(png.GetWidth(), 400u) << name;
      ++complete;
    }
    if (delayMs < 0) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      EXPECT_EQ(complete, 400u);
      EXPECT_EQ(temporaries, 0u);
    }
  }
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

struct PngHeader {
  uint32_t width = 0, height = 0, pixelsPerMetre = 0;
};

PngHeader pngHeader(const std::string& bytes) {
  auto be32 = [&](size_t at) {
    return at + 4 <= bytes.size() ? uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
                                        uint32_t(uint8_t(bytes[at + 2])) << 8 | uint32_t(uint8_t(bytes[at + 3]))
                                  : 0;
  };
  PngHeader h{be32(16), be32(20), 0};
  const size_t phys = bytes.find("pHYs");
  if (phys != std::string::npos) h.pixelsPerMetre = be32(phys + 4);
  return h;
}

// A design with a size of its own is made that size (300 dpi unless told);
// --size-mm overrides it; --crop trims the image to the seal's outer edge
// (plus a margin), so that the image is as wide as the seal.
TEST(KorvaneRender, ASealsOwnSizeAndTheCropDecideTheImage) {
  test::TempDir dir;
  const std::string out = (dir / "s.png").string();
  const struct {
    const char* args;
    uint32_t width, height, pixelsPerMetre;
  } cases[] = {
      {"--preset invoice", 496, 378, 11811},             // 42 x 32 mm of seal area at 300 dpi
      {"--preset invoice --crop", 472, 354, 11811},      // 40 x 30 mm: the ellipse's outer edge
      {"--preset invoice --crop 1", 496, 378, 11811},    // and a millimetre round it
      {"--preset invoice --crop --dpi 600", 945, 709, 23622},
      {"--preset invoice --size-mm 20 --crop --dpi 300", 236, 177, 11811},
      {"--preset invoice --size-mm 20 --crop", 76, 57, 0},  // --size-mm alone: 96 dpi, as always
      {"--preset company-42 --crop", 496, 496, 11811},   // 42 mm
      {"", 400, 400, 0},                                  // the start-up seal has no size
  };
  for (const auto& c : cases) {
    const ToolRun r = run(std::string(c.args) + " -o " + out);
    ASSERT_EQ(r.status, 0) << c.args << ": " << r.output;
    const PngHeader h = pngHeader(slurp(out));
    EXPECT_EQ(h.width, c.width) << c.args;
    EXPECT_EQ(h.height, c.height) << c.args;
    EXPECT_EQ(h.pixelsPerMetre, c.pixelsPerMetre) << c.args;
  }
  // A page cropped the same way: 40 x 30 mm in points.
  const std::string pdf = (dir / "s.pdf").string();
  ASSERT_EQ(run("--preset invoice --crop --pdf " + pdf).status, 0);
  EXPECT_NE(slurp(pdf).find("/MediaBox [ 0 0 113.385827 85.03937 ]"), std::string::npos);
  EXPECT_EQ(run("--preset nothing-like-it -o " + out).status, 1);
  EXPECT_EQ(run("--preset invoice -t x.qsx_tzl -o " + out).status, 2);
  EXPECT_EQ(run("--crop -3 -o " + out).status, 2);
  const ToolRun list = run("--list-presets");
  EXPECT_NE(list.output.find("invoice\t40 mm\n"), std::string::npos) << list.output;
}

}  // namespace
}  // namespace korvane
