// Our deflate of image rows, checked by zlib's inflater, and the PNG
// container around it checked chunk by chunk.
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "document/seal_document.h"
#include "drawing/codecs/encoders.h"
#include "drawing/codecs/picture_decoder.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/png_writer.h"
#include "drawing/codecs/row_deflate.h"
#include "render/seal_renderer.h"
#include "support/test_pictures.h"

namespace korvane {
namespace {

std::vector<uint8_t> inflated(const std::vector<uint8_t>& stream, size_t expectedSize, int* status) {
  std::vector<uint8_t> out(expectedSize + 1);
  uLongf size = out.size();
  *status = uncompress(out.data(), &size, stream.data(), stream.size());
  out.resize(size);
  return out;
}

void expectRoundTrip(const std::vector<uint8_t>& data, size_t rowBytes, const char* what) {
  std::vector<uint8_t> stream;
  ASSERT_TRUE(DeflateRows(data.data(), data.size(), rowBytes, stream)) << what;
  int status = 0;
  const std::vector<uint8_t> back = inflated(stream, data.size(), &status);
  EXPECT_EQ(status, Z_OK) << what;
  EXPECT_TRUE(back == data) << what;
  // Rows handed over one at a time inflate to the same bytes, and give the
  // same stream byte for byte where no row is filtered (filtered rows are
  // coded as a picture's there).
  if (data.size() % rowBytes == 0) {
    std::vector<uint8_t> streamed;
    size_t asked = 0;
    ASSERT_TRUE(DeflateRows(data.size() / rowBytes, rowBytes, [&](size_t row, uint8_t* destination) {
      EXPECT_EQ(row, asked++);
      std::memcpy(destination, data.data() + row * rowBytes, rowBytes);
    }, streamed)) << what;
    EXPECT_EQ(asked, data.size() / rowBytes) << what;
    int streamedStatus = 0;
    EXPECT_TRUE(inflated(streamed, data.size(), &streamedStatus) == data) << what;
    EXPECT_EQ(streamedStatus, Z_OK) << what;
    bool filtered = false;
    for (size_t row = 0; row < data.size(); row += rowBytes) filtered = filtered || data[row] != 0;
    if (!filtered) {
      EXPECT_TRUE(streamed == stream) << what;
    }
  }
  // libdeflate's inflater is the stricter about codes.
  std::vector<uint8_t> again(data.size() + 1);
  size_t size = 0;
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  EXPECT_EQ(libdeflate_zlib_decompress(d, stream.data(), stream.size(), again.data(), again.size(), &size),
            LIBDEFLATE_SUCCESS)
      << what;
  libdeflate_free_decompressor(d);
  again.resize(size);
  EXPECT_TRUE(again == data) << what;
}

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed, int alphabet = 256) {
  std::mt19937 random(seed);
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) b = uint8_t(random() % uint32_t(alphabet));
  return v;
}

// Rows of a seal-like picture: empty, solid ink and edge pixels.
std::vector<uint8_t> sealLikeRows(int width, int height) {
  const size_t rowBytes = size_t(width) * 4 + 1;
  std::vector<uint8_t> rows(rowBytes * size_t(height), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - width / 2.0, y - height / 2.0) - width * 0.4;
      const double coverage = std::clamp(4 - std::fabs(d), 0.0, 1.0);
      if (coverage <= 0) continue;
      uint8_t* p = &rows[size_t(y) * rowBytes + 1 + size_t(x) * 4];
      p[0] = 0xD2, p[1] = 0x1E, p[2] = 0x22, p[3] = uint8_t(std::lround(coverage * 255));
    }
  return rows;
}

TEST(RowDeflate, ZlibInflatesEveryKindOfInput) {
  expectRoundTrip({}, 1, "nothing");
  expectRoundTrip({0}, 1, "one byte");
  expectRoundTrip({0, 1, 2, 3, 4}, 5, "one pixel");
  expectRoundTrip(std::vector<uint8_t>(3 << 20, 0), 4097, "three megabytes of zeros");
  expectRoundTrip(sealLikeRows(300, 200), 1201, "a ring");
  // All literals, in more blocks than one.
  expectRoundTrip(randomBytes(300000, 1), 1001, "random bytes");
  // Few symbols: short matches at every distance the hash finds.
  expectRoundTrip(randomBytes(200000, 2, 4), 801, "four symbols");
  // Rows wider than the window: the row above is out of reach.
  std::vector<uint8_t> wide = randomBytes(40001, 3, 3);
  for (int i = 0; i < 3; ++i) wide.insert(wide.end(), wide.begin(), wide.begin() + 40001);
  expectRoundTrip(wide, 40001, "rows beyond the window");
}

// The encoder keeps its working memory between encodes: an encode made
// inside another's row fill, or after the memory was let go, or on another
// thread, gives the stream it gives alone.
TEST(RowDeflate, KeptWorkingMemoryNeverChangesTheStream) {
  const std::vector<uint8_t> ring = sealLikeRows(300, 200), noise = randomBytes(120000, 9, 5);
  std::vector<uint8_t> ringAlone, noiseAlone;
  ASSERT_TRUE(DeflateRows(ring.data(), ring.size(), 1201, ringAlone));
  ASSERT_TRUE(DeflateRows(noise.data(), noise.size(), 1201, noiseAlone));

  std::vector<uint8_t> outer, inner;
  ASSERT_TRUE(DeflateRows(ring.size() / 1201, 1201, [&](size_t row, uint8_t* destination) {
    if (row == 100) {
      EXPECT_TRUE(DeflateRows(noise.data(), noise.size(), 1201, inner));
    }
    std::memcpy(destination, ring.data() + row * 1201, 1201);
  }, outer));
  EXPECT_TRUE(outer == ringAlone);
  EXPECT_TRUE(inner == noiseAlone);

  // Where the last encode left "cdZW" in its hash heads, this input has it
  // only inside a run's match, never looked up: at position 100 a fresh
  // encoder finds nothing to match, and so must one that ran before.
  auto filler = [](std::vector<uint8_t>& v, size_t to) {
    while (v.size() < to) v.push_back(uint8_t(100 + v.size() * 37 % 97));
  };
  std::vector<uint8_t> before, after;
  filler(before, 22);
  before.insert(before.end(), {'c', 'd', 'Z', 'W'});
  filler(before, 80);
  for (int i = 0; i < 6; ++i) after.insert(after.end(), {'a', 'b', 'c', 'd'});
  after.insert(after.end(), {'Z', 'W'});
  filler(after, 100);
  after.insert(after.end(), {'c', 'd', 'Z', 'W'});
  filler(after, 200);
  std::vector<uint8_t> afterFresh, afterAnother, ignored;
  TrimDeflateScratch();
  ASSERT_TRUE(DeflateRows(after.data(), after.size(), 40000, afterFresh));
  ASSERT_TRUE(DeflateRows(before.data(), before.size(), 40000, ignored));
  ASSERT_TRUE(DeflateRows(after.data(), after.size(), 40000, afterAnother));
  EXPECT_TRUE(afterAnother == afterFresh);

  std::vector<uint8_t> again;
  std::thread other([&] { EXPECT_TRUE(DeflateRows(ring.data(), ring.size(), 1201, again) && again == ringAlone); });
  other.join();
}

TEST(RowDeflate, RepeatsAtTheWindowsEdgeAndJustBeyondIt) {
  for (size_t period : {size_t(32768), size_t(32769)}) {
    std::vector<uint8_t> data = randomBytes(period, 4);
    data.insert(data.end(), data.begin(), data.end());
    std::vector<uint8_t> stream;
    ASSERT_TRUE(DeflateRows(data.data(), data.size(), 1, stream));
    int status = 0;
    EXPECT_TRUE(inflated(stream, data.size(), &status) == data) << period;
    EXPECT_EQ(status, Z_OK) << period;
    // In reach, the repeat costs next to nothing; one byte further, it is new data.
    if (period == 32768) EXPECT_LT(stream.size(), period + 2000);
    else EXPECT_GT(stream.size(), 2 * period);
  }
}

// Symbol counts in Fibonacci proportion make Huffman codes far longer
// than deflate's 15 bits; they are cut down and the code stays complete.
TEST(RowDeflate, HuffmanCodesAreLimitedAndComplete) {
  std::vector<uint32_t> fibonacci = {1, 1};
  while (fibonacci.size() < 40) fibonacci.push_back(fibonacci[fibonacci.size() - 1] + fibonacci[fibonacci.size() - 2]);
  for (int limit : {7, 15}) {
    std::vector<uint8_t> lengths(fibonacci.size());
    HuffmanCodeLengths(fibonacci.data(), int(fibonacci.size()), limit, lengths.data());
    double kraft = 0;
    for (uint8_t l : lengths) {
      EXPECT_GE(l, 1);
      EXPECT_LE(l, limit);
      kraft += std::ldexp(1.0, -l);
    }
    EXPECT_EQ(kraft, 1.0) << limit;
    EXPECT_EQ(lengths.back(), 1) << "the commonest symbol keeps the shortest code";
    EXPECT_EQ(lengths.front(), limit);
  }
  // Unlimited, the same counts make a code 39 bits deep.
  std::vector<uint8_t> lengths(fibonacci.size());
  HuffmanCodeLengths(fibonacci.data(), int(fibonacci.size()), 63, lengths.data());
  EXPECT_EQ(*std::max_element(lengths.begin(), lengths.end()), 39);

  const uint32_t some[5] = {0, 7, 0, 0, 0}, none[3] = {};
  uint8_t l5[5], l3[3] = {9, 9, 9};
  HuffmanCodeLengths(some, 5, 15, l5);
  EXPECT_EQ(std::vector<uint8_t>(l5, l5 + 5), (std::vector<uint8_t>{0, 1, 0, 0, 0}));
  HuffmanCodeLengths(none, 3, 15, l3);
  EXPECT_EQ(std::vector<uint8_t>(l3, l3 + 3), (std::vector<uint8_t>{0, 0, 0}));
}

// The same kind of counts as literals in a stream.
TEST(RowDeflate, SkewedLiteralsRoundTrip) {
  std::vector<uint8_t> data;
  uint32_t a = 1, b = 1;
  for (int symbol = 0; symbol < 24; ++symbol) {
    for (uint32_t k = 0; k < a; ++k) data.push_back(uint8_t(symbol * 10));
    const uint32_t c = a + b;
    a = b, b = c;
  }
  std::shuffle(data.begin(), data.end(), std::mt19937(5));
  expectRoundTrip(data, data.size(), "fibonacci counts");
}

// Rows as a PNG holds them: filter byte 0, then straight RGBA.
std::vector<uint8_t> straightRows(cairo_surface_t* s) {
  cairo_surface_flush(s);
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  const size_t rowBytes = size_t(w) * 4 + 1;
  std::vector<uint8_t> rows(rowBytes * size_t(h), 0);
  for (int y = 0; y < h; ++y) {
    const auto* line = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                                         size_t(y) * size_t(cairo_image_surface_get_stride(s)));
    for (int x = 0; x < w; ++x) {
      const ARGB c = UnpremultiplyPixel(line[x]);
      uint8_t* p = &rows[size_t(y) * rowBytes + 1 + size_t(x) * 4];
      p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c), p[3] = uint8_t(c >> 24);
    }
  }
  return rows;
}

// Within 15% of zlib's smallest output on seal rows.
TEST(RowDeflate, SealRowsCompressNearlyAsWellAsZlibsBest) {
  SealRenderer renderer;
  ASSERT_TRUE(renderer.RenderSeal(StartupSealDocument()));
  const std::vector<uint8_t> rows = straightRows(renderer.SealBitmap().GetNative());
  std::vector<uint8_t> ours;
  ASSERT_TRUE(DeflateRows(rows.data(), rows.size(), size_t(renderer.SealBitmap().GetWidth()) * 4 + 1, ours));
  std::vector<uint8_t> best(compressBound(rows.size()));
  uLongf bestSize = best.size();
  ASSERT_EQ(compress2(best.data(), &bestSize, rows.data(), rows.size(), 9), Z_OK);
  EXPECT_LE(double(ours.size()), 1.15 * double(bestSize)) << ours.size() << " against " << bestSize;
  int status = 0;
  EXPECT_TRUE(inflated(ours, rows.size(), &status) == rows);
}

uint32_t read32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8 |
         uint8_t(b[at + 3]);
}

// As pngcheck reads a file: signature, then chunks with good CRCs in the
// order IHDR, pHYs, IDAT..., IEND, nothing after, and IDAT data that
// inflates to exactly the rows; libpng reads the same straight pixels.
void expectSoundPng(cairo_surface_t* surface, double dpi, size_t expectedIdatChunks, bool expectRaw) {
  MemoryStream stream;
  ASSERT_TRUE(EncodePng(surface, stream, dpi));
  const std::string png(stream.Data().begin(), stream.Data().end());
  ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  std::vector<std::string> order;
  std::vector<uint8_t> idat;
  size_t idatChunks = 0, at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = read32(png, at);
    ASSERT_LE(at + 12 + length, png.size());
    const std::string type = png.substr(at + 4, 4);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), uInt(length + 4));
    EXPECT_EQ(read32(png, at + 8 + length), uint32_t(crc)) << type;
    if (type == "IDAT") {
      idat.insert(idat.end(), png.begin() + long(at + 8), png.begin() + long(at + 8 + length));
      ++idatChunks;
    }
    if (order.empty() || order.back() != type) order.push_back(type);
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  const std::vector<std::string> expected = dpi > 0 ? std::vector<std::string>{"IHDR", "pHYs", "IDAT", "IEND"}
                                                    : std::vector<std::string>{"IHDR", "IDAT", "IEND"};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(idatChunks, expectedIdatChunks);
  EXPECT_EQ(read32(png, png.size() - 12), 0u);  // IEND is empty

  const std::vector<uint8_t> rows = straightRows(surface);
  int status = 0;
  const std::vector<uint8_t> stored = inflated(idat, rows.size(), &status);
  EXPECT_EQ(status, Z_OK);
  ASSERT_EQ(stored.size(), rows.size());
  // A seal's rows go raw; rows of noise, like a photo's, carry filters.
  size_t filtered = 0;
  for (size_t at = 0; at < stored.size(); at += rows.size() / size_t(cairo_image_surface_get_height(surface))) {
    EXPECT_LE(stored[at], 4);
    filtered += stored[at] != 0;
  }
  if (expectRaw) {
    EXPECT_TRUE(stored == rows);
  } else {
    EXPECT_GT(filtered, 0u);
  }

  const test::RgbaPixels pixels = test::DecodePngRgba(png.data(), png.size());
  ASSERT_FALSE(pixels.bytes.empty());
  const size_t rowBytes = size_t(pixels.width) * 4 + 1;
  int differing = 0;
  for (size_t y = 0; y < pixels.height; ++y)
    differing += std::memcmp(&pixels.bytes[y * (rowBytes - 1)], &rows[y * rowBytes + 1], rowBytes - 1) != 0;
  EXPECT_EQ(differing, 0);
}

TEST(PngContainer, SealChunksCrcsOrderAndRowsAreSound) {
  SealRenderer renderer;
  ASSERT_TRUE(renderer.RenderSeal(StartupSealDocument()));
  expectSoundPng(renderer.SealBitmap().GetNative(), 0, 1, true);
}

// Noise does not compress: its data is split over IDAT chunks of 256 KiB.
TEST(PngContainer, NoiseSpreadOverSeveralIdatChunksIsSound) {
  CairoSurfacePtr noise = CreateArgbSurface(300, 400);
  ASSERT_TRUE(noise);
  std::mt19937 random(6);
  auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(noise.get()));
  for (int i = 0; i < 300 * 400; ++i) {
    const uint32_t a = random() % 256, r = random() % (a + 1), g = random() % (a + 1), b = random() % (a + 1);
    data[i] = a << 24 | r << 16 | g << 8 | b;
  }
  cairo_surface_mark_dirty(noise.get());
  expectSoundPng(noise.get(), 300, 2, false);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// Shading with sensor noise, as photos have: its rows are filtered, the
// file is far smaller than the same rows raw, and the pixels come back.
TEST(PngContainer, APhotosRowsAreFilteredAndCompressLikeAPhotoEncoders) {
  CairoSurfacePtr photo = CreateArgbSurface(300, 200);
  ASSERT_TRUE(photo);
  std::mt19937 random(11);
  auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(photo.get()));
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) {
      auto channel = [&](int v) { return uint32_t(std::clamp(v + int(random() % 7) - 3, 0, 255)); };
      data[y * 300 + x] = 0xFF000000u | channel(x * 255 / 300) << 16 | channel(y) << 8 | channel((x + y) / 2);
    }
  cairo_surface_mark_dirty(photo.get());
  expectSoundPng(photo.get(), 0, 1, false);

  MemoryStream png;
  ASSERT_TRUE(EncodePng(photo.get(), png));
  const std::vector<uint8_t> raw = straightRows(photo.get());
  std::vector<uint8_t> unfiltered;
  ASSERT_TRUE(DeflateRows(raw.data(), raw.size(), 300 * 4 + 1, unfiltered));
  EXPECT_LT(double(png.GetSize()), 0.8 * double(unfiltered.size()));
}

// A seal that carries a photo, against what a photo encoder would make of
// it: every row filtered by the minimum-sum rule and compressed by
// libdeflate at level 1. The seal's rows and the photo's are coded apart,
// each as suits it, and the whole comes out no larger.
TEST(PngContainer, ASealWithAPhotoIsNoLargerThanAPhotoEncoderMakesIt) {
  CairoSurfacePtr seal = CreateArgbSurface(400, 400);
  ASSERT_TRUE(seal);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> noise(-6, 6);
  auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(seal.get()));
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x) {
      uint32_t& p = data[y * 400 + x];
      const double d = std::hypot(x - 199.5, y - 199.5) - 185;
      if (const double ink = std::clamp(4 - std::fabs(d), 0.0, 1.0); ink > 0) {
        const uint32_t a = uint32_t(std::lround(ink * 255));
        p = a << 24 | (a * 0xD2 / 255) << 16 | (a * 0x1E / 255) << 8 | (a * 0x22 / 255);
      }
      if (x >= 50 && x < 350 && y >= 50 && y < 350) {
        const double shade = 120 + 70 * std::sin(x / 23.0) * std::cos(y / 31.0) + (x > 200 && y > 170 ? 40 : 0);
        auto channel = [&](double scale) { return uint32_t(std::clamp(int(shade * scale) + noise(random), 0, 255)); };
        p = 0xFF000000u | channel(1.0) << 16 | channel(0.8) << 8 | channel(0.6);
      }
    }
  cairo_surface_mark_dirty(seal.get());
  std::string png;
  ASSERT_TRUE(EncodePng(seal.get(), &png));
  size_t idat = 0;
  for (size_t at = 8; at + 12 <= png.size();) {
    const size_t length = size_t(uint8_t(png[at])) << 24 | size_t(uint8_t(png[at + 1])) << 16 |
                          size_t(uint8_t(png[at + 2])) << 8 | size_t(uint8_t(png[at + 3]));
    if (png.compare(at + 4, 4, "IDAT") == 0) idat += length;
    at += 12 + length;
  }

  const std::vector<uint8_t> raw = straightRows(seal.get());
  const size_t n = 400 * 4;
  std::vector<uint8_t> filtered((n + 1) * 400), scratch(n);
  for (size_t y = 0; y < 400; ++y)
    FilterPngRow(&raw[y * (n + 1) + 1], y ? &raw[(y - 1) * (n + 1) + 1] : nullptr, n, &filtered[y * (n + 1)],
                 scratch.data());
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(1);
  std::vector<uint8_t> reference(libdeflate_zlib_compress_bound(compressor, filtered.size()));
  const size_t referenceSize =
      libdeflate_zlib_compress(compressor, filtered.data(), filtered.size(), reference.data(), reference.size());
  libdeflate_free_compressor(compressor);
  ASSERT_GT(referenceSize, 0u);
  EXPECT_LE(idat, referenceSize);
}

}  // namespace
}  // namespace korvane
