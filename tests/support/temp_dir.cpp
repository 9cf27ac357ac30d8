#include "support/temp_dir.h"

#include <cstdlib>
#include <string>

namespace korvane::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
  if (char* made = mkdtemp(pattern.data())) m_path = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
}

}  // namespace korvane::test
