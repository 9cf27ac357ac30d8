// Rendering and PNG encoding of seals.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "document/seal_document.h"
#include "drawing/encoders.h"
#include "drawing/gfx_graphics.h"
#include "drawing/image_codecs.h"
#include "render/seal_renderer.h"

namespace korvane {
namespace {

void BM_RenderStartupSeal(benchmark::State& state) {
  const SealDocument doc = StartupSealDocument();
  SealRenderer renderer;
  for (auto _ : state) benchmark::DoNotOptimize(renderer.RenderSeal(doc));
}
BENCHMARK(BM_RenderStartupSeal)->Unit(benchmark::kMillisecond);

void BM_RenderLargeSeal(benchmark::State& state) {
  SealDocument doc = StartupSealDocument();
  // The start-up seal scaled by five: 2000 x 2000.
  doc.Width = doc.Height = 2000;
  doc.Frame.ClipY *= 5, doc.Frame.ClipWidth *= 5, doc.Frame.ClipHeight *= 5;
  for (SealFrame& f : doc.Frame.Item) f.Width *= 5, f.Height *= 5, f.LineWidth *= 5;
  for (SealFigure& f : doc.Shape) f.Width *= 5, f.Height *= 5, f.LineWidth *= 5, f.Round *= 5;
  for (SealText& t : doc.Text)
    t.Width *= 5, t.Height *= 5, t.FontSize *= 5, t.Spacing *= 5, t.OffsetY *= 5;
  SealRenderer renderer;
  for (auto _ : state) benchmark::DoNotOptimize(renderer.RenderSeal(doc));
}
BENCHMARK(BM_RenderLargeSeal)->Unit(benchmark::kMillisecond);

void BM_EncodeStartupSealPng(benchmark::State& state) {
  SealRenderer renderer;
  renderer.RenderSeal(StartupSealDocument());
  size_t size = 0;
  for (auto _ : state) {
    MemoryStream out;
    EncodePng(renderer.SealBitmap().GetNative(), out);
    size = out.GetSize();
  }
  state.counters["bytes"] = double(size);
}
BENCHMARK(BM_EncodeStartupSealPng)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// A 1000 x 1000 picture figure, read from disk and stretched on every render.
void BM_RenderPictureFigure(benchmark::State& state) {
  const std::string path = "/tmp/korvane-bench-picture.png";
  {
    GfxBitmap picture;
    picture.CreateBlank(1000, 1000);
    GfxGraphics g;
    g.FromImage(picture);
    g.SetSmoothingMode(SmoothingModeHighQuality);
    GfxSolidBrush brush;
    brush.Create(0xFFD21E22);
    for (int i = 0; i < 20; ++i) g.FillEllipseI(brush, i * 45, i * 45, 120, 120);
    std::string format = kImageFormatPNG;
    picture.SaveToFile(path, format);
  }
  SealDocument doc = StartupSealDocument();
  SealFigure& f = doc.Shape[0];
  f.Type = kFigurePicture;
  f.Width = 120;
  f.Height = 120;
  f.szFile = path;
  SealRenderer renderer;
  for (auto _ : state) benchmark::DoNotOptimize(renderer.RenderSeal(doc));
  std::remove(path.c_str());
}
BENCHMARK(BM_RenderPictureFigure)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane
