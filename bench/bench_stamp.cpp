// Stamping PDF documents made by the tests' own maker: every page of a
// 100-page document, and one page of a 2,000-page one against qpdf reading
// and writing the same file unchanged (what any stamp costs at least).
#include <benchmark/benchmark.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include "document/presets.h"
#include "drawing/gfx_status.h"
#include "stamp/pdf_stamp.h"
#include "stamp/test_documents.h"

namespace korvane {
namespace {

const std::string& document(size_t pages) {
  static std::string hundred, twoThousand;
  std::string& made = pages == 100 ? hundred : twoThousand;
  if (made.empty()) made = test::TextPdf(std::vector<test::TestPage>(pages));
  return made;
}

SealDocument companySeal() {
  SealDocument seal = StartupSealDocument();
  LoadPreset(seal, "company-42");
  return seal;
}

void stampBench(benchmark::State& state, size_t pages, const StampOptions& options) {
  StartGraphics();
  const std::string& pdf = document(pages);
  const SealDocument seal = companySeal();
  RenderCaches caches;
  std::string out;
  for (auto _ : state) {
    if (StampPdf(pdf, seal, options, &out, &caches).failure != StampFailure::None) state.SkipWithError("refused");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["added KB"] = double(out.size() - pdf.size()) / 1024;
}

void BM_StampEveryPageOf100(benchmark::State& state) {
  StampOptions options;
  options.allPages = true;
  stampBench(state, 100, options);
}
BENCHMARK(BM_StampEveryPageOf100)->Unit(benchmark::kMillisecond);

void BM_StampPageOneOf2000(benchmark::State& state) {
  StampOptions options;
  options.pages = {1};
  stampBench(state, 2000, options);
}
BENCHMARK(BM_StampPageOneOf2000)->Unit(benchmark::kMillisecond);

// The reference: qpdf reading the 2,000-page file and writing it unchanged.
void BM_QpdfRewrite2000(benchmark::State& state) {
  const std::string& pdf = document(2000);
  for (auto _ : state) {
    QPDF doc;
    doc.setSuppressWarnings(true);
    doc.processMemoryFile("in", pdf.data(), pdf.size());
    QPDFWriter writer(doc);
    writer.setOutputMemory();
    writer.write();
    benchmark::DoNotOptimize(writer.getBufferSharedPointer()->getSize());
  }
}
BENCHMARK(BM_QpdfRewrite2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane
