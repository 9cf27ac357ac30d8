// korvane-render as a user runs it: exit codes, messages and its output.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "drawing/gfx_image.h"
#include "support/image_compare.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

struct ToolRun {
  int status;
  std::string output;  // stdout and stderr together
};

ToolRun run(const std::string& args) {
  const std::string cmd = std::string(KORVANE_RENDER_EXE) + " " + args + " 2>&1";
  ToolRun r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.output.append(buf.data(), n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
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
