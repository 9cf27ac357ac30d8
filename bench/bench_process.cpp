// Whole processes started cold, as a user or a script starts them:
// korvane-render writing the start-up seal, against a program that does
// nothing but is linked to the same libraries. Each reports the child's
// CPU time and page faults per run (the machines here are shared: wall
// time alone says little).
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/file_io.h"

extern char** environ;

namespace korvane {
namespace {

void runProcesses(benchmark::State& state, const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  rusage before{};
  getrusage(RUSAGE_CHILDREN, &before);
  for (auto _ : state) {
    pid_t child = 0;
    if (posix_spawn(&child, args[0], nullptr, nullptr, args.data(), environ) != 0) {
      state.SkipWithError("cannot start the program");
      return;
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the program failed");
  }
  rusage after{};
  getrusage(RUSAGE_CHILDREN, &after);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  const double runs = double(state.iterations());
  state.counters["cpu_ms"] = (seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                              seconds(before.ru_stime)) * 1000 / runs;
  state.counters["page_faults"] = double(after.ru_minflt - before.ru_minflt + after.ru_majflt - before.ru_majflt) / runs;
}

void BM_ColdEmptyLinkedProgram(benchmark::State& state) {
  runProcesses(state, {ProgramFolder() + "/korvane-empty-linked"});
}
BENCHMARK(BM_ColdEmptyLinkedProgram)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ColdRenderStartupSeal(benchmark::State& state) {
  const std::string out = "/tmp/korvane-bench-cold-" + std::to_string(::getpid()) + ".png";
  runProcesses(state, {ProgramFolder() + "/korvane-render", "-o", out});
  std::remove(out.c_str());
}
BENCHMARK(BM_ColdRenderStartupSeal)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace korvane
