// Many seals from one design: 1,000 rows of the start-up seal to PNG files,
// written atomically as korvane-render --batch writes them.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "tools/batch.h"

namespace korvane {
namespace {

void BM_Batch1000Png(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() / ("korvane-bench-batch-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::vector<BatchRow> rows(1000);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].number = i + 1;
    rows[i].output = (dir / ("seal" + std::to_string(i) + ".png")).string();
    rows[i].texts[0] = "北京某某科技有限公司" + std::to_string(i);
  }
  const SealDocument design = StartupSealDocument();
  for (auto _ : state) {
    const auto failures = RunBatch(design, rows, PrintOptions{}, unsigned(state.range(0)));
    if (!failures.empty()) state.SkipWithError(failures[0].message.c_str());
  }
  state.counters["seals_per_second"] =
      benchmark::Counter(double(rows.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Batch1000Png)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace korvane
