// The install: `cmake --install` into a fresh prefix, the installed programs
// run from another folder (the font and presets found under share/, the
// templates in the user's data folder), and the desktop files valid.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

using ShellRun = test::CommandRun;
ShellRun shell(const std::string& command) { return test::RunCommand(command); }

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

TEST(Install, TheInstalledProgramsRunFromAnywhereWithTheirDataUnderShare) {
  test::TempDir dir;
  const fs::path prefix = dir / "prefix", home = dir / "home", work = dir / "work";
  fs::create_directories(home);
  fs::create_directories(work);
  const ShellRun install = shell("cmake --install " + quoted(KORVANE_BUILD_DIR) + " --prefix " + quoted(prefix));
  ASSERT_EQ(install.status, 0) << install.output;

  const std::string env = "cd " + quoted(work) + " && env -u XDG_DATA_HOME HOME=" + quoted(home) + " ";
  const std::string render = env + quoted(prefix / "bin" / "korvane-render");
  const ShellRun paths = shell(render + " --print-paths");
  ASSERT_EQ(paths.status, 0) << paths.output;
  const std::string share = (prefix / "bin" / ".." / "share" / "korvane").string();
  EXPECT_NE(paths.output.find("templates\t" + (home / ".local/share/korvane/图章模板/").string()), std::string::npos)
      << paths.output;
  EXPECT_NE(paths.output.find("presets\t" + share + "/预设/"), std::string::npos) << paths.output;
  EXPECT_NE(paths.output.find("seal font\t" + share + "/字体/图章专用字体.ttf"), std::string::npos) << paths.output;

  EXPECT_EQ(shell(render + " --preset invoice -o seal.png").status, 0);
  EXPECT_TRUE(fs::exists(work / "seal.png"));
  EXPECT_NE(shell(render + " --list-presets").output.find("company-42\t42 mm"), std::string::npos);
  EXPECT_EQ(shell(render + " --version").output, "korvane-render 1.0.0\n");
  // The installed stamper finds the presets too.
  const std::string stamp = env + quoted(prefix / "bin" / "korvane-stamp");
  EXPECT_EQ(shell(render + " --pdf page.pdf --size-mm 100").status, 0);
  EXPECT_EQ(shell(stamp + " page.pdf -o stamped.pdf --preset company-40 --at 50,50").status, 0);
  EXPECT_TRUE(fs::exists(work / "stamped.pdf"));
  EXPECT_EQ(shell(env + "QT_QPA_PLATFORM=offscreen " + quoted(prefix / "bin" / "korvane") + " --version").output,
            "korvane 1.0.0\n");
  // XDG_DATA_HOME, when set, decides; a folder beside the program, when
  // there, keeps a portable setup's templates.
  EXPECT_NE(shell("cd " + quoted(work) + " && XDG_DATA_HOME=" + quoted(dir / "data") + " " +
                  quoted(prefix / "bin" / "korvane-render") + " --print-paths")
                .output.find("templates\t" + (dir / "data" / "korvane" / "图章模板/").string()),
            std::string::npos);
  fs::create_directories(prefix / "bin" / "图章模板");
  EXPECT_NE(shell(render + " --print-paths").output.find("templates\t" + (prefix / "bin" / "图章模板/").string()),
            std::string::npos);

  const fs::path data = prefix / "share";
  for (const std::string& check :
       {"desktop-file-validate " + quoted(data / "applications" / "net.tolvane.Korvane.desktop"),
        "appstreamcli validate --no-net " + quoted(data / "metainfo" / "net.tolvane.Korvane.metainfo.xml"),
        "xmllint --noout " + quoted(data / "mime" / "packages" / "korvane.xml"),
        "man -l " + quoted(data / "man" / "man1" / "korvane.1.gz") + " > /dev/null",
        "man -l " + quoted(data / "man" / "man1" / "korvane-render.1.gz") + " > /dev/null",
        "man -l " + quoted(data / "man" / "man1" / "korvane-stamp.1.gz") + " > /dev/null",
        "bash -n " + quoted(data / "bash-completion" / "completions" / "korvane-render"),
        "bash -n " + quoted(data / "bash-completion" / "completions" / "korvane-stamp")}) {
    const ShellRun r = shell(check);
    EXPECT_EQ(r.status, 0) << check << "\n" << r.output;
  }
}

}  // namespace
}  // namespace korvane
