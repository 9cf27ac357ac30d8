// Rendering and PNG encoding of seals.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include <libdeflate.h>
#include <string>

#include "document/seal_document.h"
#include "document/template_format.h"
#include "drawing/codecs/encoders.h"
#include "drawing/gfx/gfx_graphics.h"
#include "drawing/codecs/picture_decoder.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/png_writer.h"
#include "base/utf8.h"
#include "document/presets.h"
#include "render/seal_renderer.h"

namespace korvane {
namespace {

void BM_RenderStartupSeal(benchmark::State& state) {
  const SealDocument doc = StartupSealDocument();
  SealRenderer renderer;
  for (auto _ : state) benchmark::DoNotOptimize(renderer.RenderSeal(doc));
}
BENCHMARK(BM_RenderStartupSeal)->Unit(benchmark::kMillisecond);

// The start-up seal drawn `factor` times larger (a 400 x 400 seal times 5
// is 2000 x 2000, times 8 is 3200 x 3200, times 16 is 6400 x 6400).
SealDocument largeSeal(int k) {
  SealDocument doc = StartupSealDocument();
  doc.Width = doc.Height = 400 * k;
  doc.Frame.ClipY *= k, doc.Frame.ClipWidth *= k, doc.Frame.ClipHeight *= k;
  for (SealFrame& f : doc.Frame.Item) f.Width *= k, f.Height *= k, f.LineWidth *= k;
  for (SealFigure& f : doc.Shape) f.Width *= k, f.Height *= k, f.LineWidth *= k, f.Round *= k;
  for (SealText& t : doc.Text)
    t.Width *= k, t.Height *= k, t.FontSize *= k, t.Spacing *= k, t.OffsetY *= k;
  return doc;
}

void BM_RenderLargeSeal(benchmark::State& state) {
  const SealDocument doc = largeSeal(int(state.range(0)));
  SealRenderer renderer;
  for (auto _ : state) benchmark::DoNotOptimize(renderer.RenderSeal(doc));
  state.counters["ms_per_megapixel"] = benchmark::Counter(
      double(doc.Width) * doc.Height / 1e6 * double(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
// Real time: a large clear runs on two threads.
BENCHMARK(BM_RenderLargeSeal)->Arg(2)->Arg(5)->Arg(7)->Arg(8)->Arg(10)->Arg(12)->Arg(16)->UseRealTime()->Unit(benchmark::kMillisecond);

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

// What any PNG of the start-up seal costs at the least: its rows copied
// once, as a stored (uncompressed) PNG holds them, with their Adler-32 and
// CRC-32. The encode is compared with this in the same run.
void BM_StartupSealStoredPngLimit(benchmark::State& state) {
  SealRenderer renderer;
  renderer.RenderSeal(StartupSealDocument());
  const GfxBitmap& seal = renderer.SealBitmap();
  const int width = int(seal.GetWidth()), height = int(seal.GetHeight());
  std::vector<ARGB> pixels(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) seal.GetPixel(x, y, &pixels[size_t(y) * size_t(width) + size_t(x)]);
  const size_t rowBytes = size_t(width) * 4 + 1;
  std::vector<uint8_t> rows(rowBytes * size_t(height));
  for (auto _ : state) {
    for (int y = 0; y < height; ++y) {
      rows[size_t(y) * rowBytes] = 0;
      std::memcpy(&rows[size_t(y) * rowBytes + 1], &pixels[size_t(y) * size_t(width)], rowBytes - 1);
    }
    benchmark::DoNotOptimize(libdeflate_adler32(1, rows.data(), rows.size()));
    benchmark::DoNotOptimize(libdeflate_crc32(0, rows.data(), rows.size()));
  }
}
BENCHMARK(BM_StartupSealStoredPngLimit)->Unit(benchmark::kMillisecond);

// A seal printed large: 1600, 3200 and 6400 pixels a side. The cost a
// megapixel should stay flat: rows stream through the deflater's window.
void BM_EncodeLargeSealPng(benchmark::State& state) {
  SealRenderer renderer;
  renderer.RenderSeal(largeSeal(int(state.range(0))));
  size_t size = 0;
  for (auto _ : state) {
    MemoryStream out;
    EncodePng(renderer.SealBitmap().GetNative(), out);
    size = out.GetSize();
  }
  state.counters["bytes"] = double(size);
  const double megapixels = double(renderer.RenderWidth()) * renderer.RenderHeight() / 1e6;
  state.counters["per_megapixel"] = benchmark::Counter(megapixels * double(state.iterations()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EncodeLargeSealPng)->Arg(4)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);

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

namespace korvane {
namespace {

// Four rings of 40 characters each, mixed Chinese and Latin.
void BM_RenderFourLongRings(benchmark::State& state) {
  SealDocument doc = StartupSealDocument();
  const char* texts[4] = {"国际贸易有限责任公司ABCDEFGHIJ印章测试文字0123456789科技发展",
                          "WWW.EXAMPLE.COM上海市浦东新区世纪大道一百号ABCDEFGHIJKLMN",
                          "合同专用章财务专用章发票专用章ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                          "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd"};
  for (int i = 0; i < 4; ++i) {
    SealText& t = doc.Text[i];
    t.szText = texts[i];
    t.TypeStyle = i % 2 ? kTextRingBottom : kTextRingTop;
    t.FontSize = 20;
    t.Spacing = 1;
    t.Width = t.Height = 300 - 40 * i;
  }
  SealRenderer renderer;
  for (auto _ : state) benchmark::DoNotOptimize(renderer.RenderSeal(doc));
}
BENCHMARK(BM_RenderFourLongRings)->Unit(benchmark::kMillisecond);

// One ring of N characters, its words different at every render, and its
// size too when the second argument is 1 (so that no coverage is reused,
// not even that of a ring which wraps round and is filled a glyph or two
// at a time): the cost of laying out and filling the ring. With a fixed
// size, a glyph that comes back at the same place may be reused.
void BM_RingOfNCharacters(benchmark::State& state) {
  static const char* const kCharacters[] = {"印", "章", "科", "技", "A", "B", "C", "D"};
  const int n = int(state.range(0));
  SealDocument doc = CreateSealDocument();
  doc.Width = doc.Height = 400;
  doc.BackColor = kNoColor;
  SealText& t = doc.Text[0];
  t.Font.FaceName = kPrivateSealFaceName;
  t.FontSize = 20;
  t.TextColor = kSealRed;
  t.TypeStyle = kTextRingTop;
  SealRenderer renderer;
  uint32_t v = 0;
  for (auto _ : state) {
    ++v;
    t.Width = t.Height = state.range(1) ? 360 - int(v % 97) : 300;
    std::string words;
    for (int i = 0; i < n; ++i) words += kCharacters[(v * 2654435761u + uint32_t(i) * 40503u) >> 7 & 7];
    t.szText = words;
    benchmark::DoNotOptimize(renderer.RenderSeal(doc));
  }
  state.counters["per_character"] = benchmark::Counter(double(n) * double(state.iterations()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RingOfNCharacters)
    ->ArgsProduct({{16, 32, 48, 56, 64, 128, 256}, {1}})
    ->Args({64, 0})
    ->Args({256, 0})
    ->Unit(benchmark::kMillisecond);

void BM_TemplateWrite(benchmark::State& state) {
  const SealDocument doc = StartupSealDocument();
  const std::string path = "/tmp/korvane-bench.qsx_tzl";
  for (auto _ : state) benchmark::DoNotOptimize(WriteTemplate(doc, path));
  std::remove(path.c_str());
}
BENCHMARK(BM_TemplateWrite)->Unit(benchmark::kMicrosecond);

void BM_TemplateText(benchmark::State& state) {
  const SealDocument doc = StartupSealDocument();
  for (auto _ : state) benchmark::DoNotOptimize(TemplateText(doc));
}
BENCHMARK(BM_TemplateText)->Unit(benchmark::kMicrosecond);

void BM_TemplateRead(benchmark::State& state) {
  const std::string text = TemplateText(StartupSealDocument());
  SealDocument doc = CreateSealDocument();
  for (auto _ : state) benchmark::DoNotOptimize(ReadTemplateText(doc, text));
}
BENCHMARK(BM_TemplateRead)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// Renders the same seal again and again; the time per glyph drawn.
void renderPerGlyph(benchmark::State& state, const SealDocument& doc, double scale = 1) {
  SealRenderer renderer;
  for (auto _ : state) benchmark::DoNotOptimize(renderer.RenderSealScaled(doc, scale));
  size_t glyphs = 0;
  for (const SealText& t : doc.Text) glyphs += t.TypeStyle ? CountUtf8(t.szText) : 0;
  state.counters["per_glyph"] = benchmark::Counter(double(glyphs) * double(state.iterations()),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The invoice preset (an ellipse ring, a condensed line and a narrow
// number) against the start-up seal, per glyph drawn.
void BM_RenderInvoicePresetPerGlyph(benchmark::State& state) {
  SealDocument doc = StartupSealDocument();
  if (!LoadPreset(doc, "invoice")) {
    state.SkipWithError("no invoice preset beside the program");
    return;
  }
  renderPerGlyph(state, doc);
}
BENCHMARK(BM_RenderInvoicePresetPerGlyph)->Unit(benchmark::kMillisecond);

// The same at the start-up seal's glyph size: drawn at 20 pixels a
// millimetre, the invoice's glyphs are 91 to 105 pixels high against the
// start-up seal's 40; at 0.4 of its pixels they are 36 to 42.
void BM_RenderInvoicePresetPerGlyphAtStartupGlyphSize(benchmark::State& state) {
  SealDocument doc = StartupSealDocument();
  if (!LoadPreset(doc, "invoice")) {
    state.SkipWithError("no invoice preset beside the program");
    return;
  }
  renderPerGlyph(state, doc, 0.4);
}
BENCHMARK(BM_RenderInvoicePresetPerGlyphAtStartupGlyphSize)->Unit(benchmark::kMillisecond);

void BM_RenderStartupSealPerGlyph(benchmark::State& state) { renderPerGlyph(state, StartupSealDocument()); }
BENCHMARK(BM_RenderStartupSealPerGlyph)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane
