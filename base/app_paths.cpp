#include "base/app_paths.h"

#include <sys/stat.h>

#include <cstdlib>

#include "base/file_io.h"
#include "korvane_version.h"

namespace korvane {

const char* KorvaneVersion() { return KORVANE_VERSION; }

std::string ProgramDataPath(const std::string& relative) {
  const std::string beside = ProgramFolder() + "/" + relative;
  const std::string installed = ProgramFolder() + "/../share/korvane/" + relative;
  struct stat st;
  if (::stat(beside.c_str(), &st) == 0) return beside;
  if (::stat(installed.c_str(), &st) == 0) return installed;
  return beside;
}

std::string UserDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  // The rules take only an absolute path; anything else means the default.
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/korvane";
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] == '/' ? home : "") + "/.local/share/korvane";
}

}  // namespace korvane
