// The editor's redraw: render, compose on the checkerboard, hand over to
// the panel. Runs the real window on Qt's offscreen platform.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

#include "editor/main_window.h"

namespace korvane {
namespace {

void BM_RedrawPreview(benchmark::State& state) {
  MainWindow window;
  for (auto _ : state) window.RedrawPreview();
}
BENCHMARK(BM_RedrawPreview)->Unit(benchmark::kMillisecond);

// The compose step alone: the checkerboard over the whole canvas and the
// seal drawn on it (what RedrawPreview adds to the render).
void BM_ComposePreview(benchmark::State& state) {
  MainWindow window;
  SealPreview& preview = window.Preview();
  auto& canvas = const_cast<GfxDibCanvas&>(preview.Canvas());
  const GfxBitmap& seal = preview.Renderer().SealBitmap();
  for (auto _ : state) {
    canvas.FillRectangle(preview.CheckerBrush(), 0.0f, 0.0f, float(canvas.GetWidth()), float(canvas.GetHeight()));
    canvas.DrawImageI(seal, 132, 132);
  }
}
BENCHMARK(BM_ComposePreview)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
