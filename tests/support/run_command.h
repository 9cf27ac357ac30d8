// Runs a shell command the way a user's shell would, for tests of whole
// programs: its exit status and what it printed (standard error too).
#pragma once

#include <string>

namespace korvane::test {

struct CommandRun {
  int status;          // the exit status; -1 when it did not exit
  std::string output;  // standard output and standard error together
};

CommandRun RunCommand(const std::string& command);

}  // namespace korvane::test
