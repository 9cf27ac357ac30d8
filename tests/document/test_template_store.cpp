// The template folder: beside the program when a writable one is there,
// else the user's data folder by the XDG rules; a template saved through
// the store is listed and reads back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "base/app_paths.h"
#include "base/file_io.h"
#include "document/template_format.h"
#include "document/template_store.h"
#include "support/temp_dir.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable while it lives, then puts back what was there.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (m_old)
      ::setenv(m_name, m_old->c_str(), 1);
    else
      ::unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

TEST(TemplateStore, TheUsersTemplatesLiveInTheDataFolderTheXdgRulesName) {
  if (fs::exists(ProgramFolder() + "/图章模板")) GTEST_SKIP() << "a template folder beside the program decides";
  test::TempDir dir;
  {
    ScopedEnvironment xdg("XDG_DATA_HOME", (dir / "data").string());
    EXPECT_EQ(DefaultTemplateFolder(), (dir / "data" / "korvane" / "图章模板/").string());
    const TemplateStore store;
    ASSERT_TRUE(store.Save(StartupSealDocument(), "公司"));  // the folders are made
    EXPECT_EQ(store.ListNames(), std::vector<std::string>{"公司"});
    SealDocument back = CreateSealDocument();
    ASSERT_TRUE(store.Load(back, "公司"));
    EXPECT_EQ(back, StartupSealDocument());
  }
  {
    // A relative XDG_DATA_HOME is ignored, as the rules say: HOME decides.
    ScopedEnvironment xdg("XDG_DATA_HOME", "relative/data");
    ScopedEnvironment home("HOME", (dir / "home").string());
    EXPECT_EQ(UserDataFolder(), (dir / "home" / ".local/share/korvane").string());
  }
}

}  // namespace
}  // namespace korvane
