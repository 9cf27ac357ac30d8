#include "support/run_command.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace korvane::test {

CommandRun RunCommand(const std::string& command) {
  CommandRun r{-1, {}};
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.output.append(buf.data(), n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace korvane::test
