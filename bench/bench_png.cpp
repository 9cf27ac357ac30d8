// PNG encoding of a seal that carries a photo, against the reference a
// photo encoder would give: every row filtered by the minimum-sum rule and
// the whole compressed by libdeflate at level 1.
#include <benchmark/benchmark.h>

#include <libdeflate.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "document/seal_document.h"
#include "drawing/codecs/encoders.h"
#include "drawing/codecs/memory_stream.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/png_writer.h"
#include "drawing/gfx/gfx_graphics.h"
#include "drawing/gfx/gfx_image.h"
#include "render/seal_renderer.h"

namespace korvane {
namespace {

// A 300 x 300 picture with what photos have: smooth shading, edges and
// sensor noise.
std::string writePhoto() {
  const std::string path = "/tmp/korvane-bench-photo.png";
  GfxBitmap photo;
  photo.CreateBlank(300, 300);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 300; ++x) {
      const double shade = 120 + 70 * std::sin(x / 23.0) * std::cos(y / 31.0) + (x > 150 && y > 120 ? 40 : 0);
      auto channel = [&](double scale) { return uint32_t(std::clamp(int(shade * scale) + noise(random), 0, 255)); };
      photo.SetPixel(x, y, 0xFF000000u | channel(1.0) << 16 | channel(0.8) << 8 | channel(0.6));
    }
  std::string format = kImageFormatPNG;
  photo.SaveToFile(path, format);
  return path;
}

struct PhotoSeal {
  PhotoSeal() {
    path = writePhoto();
    SealDocument doc = StartupSealDocument();
    SealFigure& f = doc.Shape[0];
    f.Type = kFigurePicture;
    f.Width = f.Height = 300;
    f.szFile = path;
    renderer.RenderSeal(doc);
  }
  ~PhotoSeal() { std::remove(path.c_str()); }
  std::string path;
  SealRenderer renderer;
};

void BM_EncodePhotoSealPng(benchmark::State& state) {
  PhotoSeal seal;
  size_t size = 0;
  for (auto _ : state) {
    std::string png;
    EncodePng(seal.renderer.SealBitmap().GetNative(), &png);
    size = png.size();
  }
  state.counters["bytes"] = double(size);
}
BENCHMARK(BM_EncodePhotoSealPng)->Unit(benchmark::kMillisecond);

// The reference: straight RGBA rows, each filtered by the minimum-sum rule
// (by the writer's own filter code, so that the two differ in compressing
// only), compressed whole by libdeflate level 1 (the PNG container's few
// dozen bytes are left out, and so is unpremultiplying).
void BM_EncodePhotoSealLibdeflate1(benchmark::State& state) {
  PhotoSeal seal;
  const GfxBitmap& bitmap = seal.renderer.SealBitmap();
  const size_t width = size_t(bitmap.GetWidth()), height = size_t(bitmap.GetHeight()), n = width * 4;
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(1);
  size_t size = 0;
  // Straight pixels made once, outside the timing: the reference is timed
  // for filtering and compressing only.
  std::vector<uint8_t> straight(n * height);
  for (size_t y = 0; y < height; ++y)
    for (size_t x = 0; x < width; ++x) {
      ARGB c = 0;
      bitmap.GetPixel(int(x), int(y), &c);
      uint8_t* p = &straight[y * n + x * 4];
      p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c), p[3] = uint8_t(c >> 24);
    }
  for (auto _ : state) {
    std::vector<uint8_t> filtered((n + 1) * height), scratch(n);
    for (size_t y = 0; y < height; ++y)
      FilterPngRow(&straight[y * n], y ? &straight[(y - 1) * n] : nullptr, n, &filtered[y * (n + 1)], scratch.data());
    std::vector<uint8_t> compressed(libdeflate_zlib_compress_bound(compressor, filtered.size()));
    size = libdeflate_zlib_compress(compressor, filtered.data(), filtered.size(), compressed.data(), compressed.size());
    benchmark::DoNotOptimize(compressed.data());
  }
  libdeflate_free_compressor(compressor);
  state.counters["bytes"] = double(size);
}
BENCHMARK(BM_EncodePhotoSealLibdeflate1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane
