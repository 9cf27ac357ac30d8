// The editor's redraw: render, compose on the checkerboard, hand over to
// the panel. Runs the real window on Qt's offscreen platform.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>

#include <QLineEdit>

#include "editor/accordion.h"
#include "document/template_store.h"
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

// A keystroke in the font-size box of "文字2": the handler stores the size,
// renders, composes and hands the canvas to the panel, all before it
// returns.
// Argument: the zoom in per cent; zoomed around the seal's centre, so that
// the render fills the panel.
void BM_FontSizeKeystrokeToPreview(benchmark::State& state) {
  MainWindow window;
  if (state.range(0) != 100) window.Preview().ZoomAt(state.range(0) / 100.0, 332, 332);
  auto* accordion = window.findChild<Accordion*>(QStringLiteral("Accordion_Main"));
  emit accordion->ItemClicked(kPageText, 1);
  auto* size = window.findChild<QLineEdit*>(QStringLiteral("EditBox_Text_FontSize"));
  const QString sizes[] = {QStringLiteral("36"), QStringLiteral("40")};
  int i = 0;
  for (auto _ : state) size->setText(sizes[i++ & 1]);
}
BENCHMARK(BM_FontSizeKeystrokeToPreview)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

// The template page of a folder of 500 templates, built as the window
// starts: names only, the pictures follow from their own thread.
void BM_ListFiveHundredTemplates(benchmark::State& state) {
  char pattern[] = "/tmp/korvane-bench-XXXXXX";
  if (!mkdtemp(pattern)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string folder = std::string(pattern) + "/图章模板/";
  TemplateStore store(folder);
  SealDocument doc = CreateSealDocument();
  ApplyStartupSeal(doc);
  for (int i = 0; i < 500; ++i) store.Save(doc, "模板" + std::to_string(1000 + i));
  MainWindow window(BannerAddressList{}, store);
  for (auto _ : state) window.RefreshTemplateList();
  window.FinishTemplatePictures();
  std::filesystem::remove_all(pattern);
}
BENCHMARK(BM_ListFiveHundredTemplates)->Unit(benchmark::kMillisecond);

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
