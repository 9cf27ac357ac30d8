#include "tools/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
