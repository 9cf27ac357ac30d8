#include "tools/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/app_paths.h"
#include "base/file_io.h"
#include "document/template_format.h"
#include "drawing/gfx_status.h"

namespace korvane {

int CommandUsageError(const char* program, const char* usage, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n%s", program, message.c_str(), usage);
  return 2;
}

int CommandFailure(const char* program, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  return 1;
}

bool ReadCommandNumber(const std::string& text, double* value) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || errno != 0 || !end || *end != '\0' || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool AnswerHelpOrVersion(const std::string& arg, const char* program, const char* usage, int* status) {
  if (arg == "-h" || arg == "--help") {
    std::fputs(usage, stdout);
  } else if (arg == "--version") {
    std::printf("%s %s\n", program, KorvaneVersion());
  } else {
    return false;
  }
  *status = 0;
  return true;
}

bool ReadTextArgument(const std::string& value, std::pair<int, std::string>* text) {
  if (value.find('=') != 1 || value[0] < '1' || value[0] > '4') return false;
  *text = {value[0] - '1', value.substr(2)};
  return true;
}

std::string ErrnoReason(int err, const char* otherwise) { return err ? std::strerror(err) : otherwise; }

bool LoadTemplateArgument(const std::string& path, SealDocument& doc, std::string* reason) {
  ByteArray bytes;
  errno = 0;
  if (!ReadFileBytes(path, &bytes, kMaxTemplateBytes)) {
    *reason = "cannot read '" + path + "': " + ErrnoReason(errno, "not a regular file of at most 16 MiB");
    return false;
  }
  if (!ReadTemplateBytes(doc, std::string(bytes.begin(), bytes.end()))) {
    *reason = "cannot load '" + path + "': not a template (the file is not JSON)";
    return false;
  }
  return true;
}

GraphicsSession::GraphicsSession() { StartGraphics(); }
GraphicsSession::~GraphicsSession() { StopGraphics(); }

}  // namespace korvane
