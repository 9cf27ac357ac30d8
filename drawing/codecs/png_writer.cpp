#include "drawing/codecs/png_writer.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <libdeflate.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "drawing/codecs/pixels.h"
#include "drawing/codecs/row_deflate.h"

namespace korvane {

namespace {

void put32(std::string& out, uint32_t v) {
  const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  out.append(b, 4);
}

void chunk(std::string& out, const char type[4], const uint8_t* data, size_t size) {
  put32(out, uint32_t(size));
  const size_t typeAt = out.size();
  out.append(type, 4);
  out.append(reinterpret_cast<const char*>(data), size);
  put32(out, uint32_t(libdeflate_crc32(0, out.data() + typeAt, size + 4)));
}

// Straight RGBA bytes of one row of premultiplied ARGB pixels; returns how
// many pixels equal the one before them. Runs of one colour (empty or solid
// ink, most of a seal) are converted once.
// The first pixel from `x` on that is not `p` (or `width`).
inline int runEnd(const uint32_t* src, int x, int width, uint32_t p) {
#ifdef __SSE2__
  const __m128i wanted = _mm_set1_epi32(int(p));
  for (; x + 8 <= width; x += 8) {  // eight at a time while they agree
    const __m128i a = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)), wanted);
    const __m128i b = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x + 4)), wanted);
    if (_mm_movemask_epi8(_mm_and_si128(a, b)) != 0xFFFF) break;
  }
  for (; x + 4 <= width; x += 4) {
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
    const int equal = _mm_movemask_epi8(_mm_cmpeq_epi32(four, wanted));
    if (equal != 0xFFFF) return x + std::countr_one(unsigned(equal)) / 4;
  }
#endif
  while (x < width && src[x] == p) ++x;
  return x;
}

// A pixel's straight R, G, B, A bytes in memory order. The table's row for
// alpha 0 is all zeros and its row for 255 is each value itself, so every
// pixel takes the same path: an edge's mix of solid and anti-aliased
// pixels left no branch to guess.
inline uint32_t straightBytes(uint32_t p, const UnpremultiplyTable& table) {
  const uint32_t a = p >> 24;
  const uint8_t* un = table.value[a];
  uint32_t bytes = un[(p >> 16) & 0xFF] | uint32_t(un[(p >> 8) & 0xFF]) << 8 | uint32_t(un[p & 0xFF]) << 16 | a << 24;
  if constexpr (std::endian::native == std::endian::big) bytes = __builtin_bswap32(bytes);
  return bytes;
}

size_t straightRow(const uint32_t* src, int width, uint8_t* dst, const UnpremultiplyTable& table) {
  size_t same = 0;
  for (int x = 0; x < width;) {
    const uint32_t p = src[x];
    // An edge pixel rarely repeats: look one ahead before scanning a run.
    if (x + 1 == width || src[x + 1] != p) {
      const uint32_t bytes = straightBytes(p, table);
      std::memcpy(dst, &bytes, 4);
      dst += 4;
      ++x;
      continue;
    }
    const int end = runEnd(src, x + 2, width, p);
    same += size_t(end - x - 1);
    if (p == 0) {  // empty: the most common run by far
      std::memset(dst, 0, size_t(end - x) * 4);
      dst += size_t(end - x) * 4;
      x = end;
      continue;
    }
    const uint32_t bytes = straightBytes(p, table);
#ifdef __SSE2__
    const __m128i four = _mm_set1_epi32(int(bytes));
    for (; x + 4 <= end; x += 4, dst += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), four);
#endif
    for (; x < end; ++x, dst += 4) std::memcpy(dst, &bytes, 4);
  }
  return same;
}

inline int paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The sum of a filtered row's bytes read as signed, in magnitude.
uint64_t magnitudeSum(const uint8_t* v, size_t n) {
  uint64_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum += uint64_t(std::abs(int(int8_t(v[i]))));
  return sum;
}

}  // namespace

// Each filter has a loop of its own, which the compiler can vectorise; the
// first of equal sums wins.
void FilterPngRow(const uint8_t* row, const uint8_t* prior, size_t n, uint8_t* dst, uint8_t* scratch) {
  constexpr size_t kBpp = 4;
  const size_t head = std::min(n, kBpp);
  uint64_t bestSum = magnitudeSum(row, n);
  int best = 0;
  auto consider = [&](int filter) {
    const uint64_t sum = magnitudeSum(scratch, n);
    if (sum < bestSum) bestSum = sum, best = filter, std::memcpy(dst + 1, scratch, n);
  };
  // Sub
  std::memcpy(scratch, row, head);
  for (size_t i = kBpp; i < n; ++i) scratch[i] = uint8_t(row[i] - row[i - kBpp]);
  consider(1);
  // Without a row above, Up is no filter and Paeth is Sub: their sums
  // equal ones already counted, and only a smaller sum wins.
  if (prior) {
    // Up
    for (size_t i = 0; i < n; ++i) scratch[i] = uint8_t(row[i] - prior[i]);
    consider(2);
  }
  // Average
  for (size_t i = 0; i < head; ++i) scratch[i] = uint8_t(row[i] - (prior ? prior[i] : 0) / 2);
  if (prior)
    for (size_t i = kBpp; i < n; ++i) scratch[i] = uint8_t(row[i] - (row[i - kBpp] + prior[i]) / 2);
  else
    for (size_t i = kBpp; i < n; ++i) scratch[i] = uint8_t(row[i] - row[i - kBpp] / 2);
  consider(3);
  if (prior) {
    // Paeth
    for (size_t i = 0; i < head; ++i) scratch[i] = uint8_t(row[i] - paeth(0, prior[i], 0));
    for (size_t i = kBpp; i < n; ++i) scratch[i] = uint8_t(row[i] - paeth(row[i - kBpp], prior[i], prior[i - kBpp]));
    consider(4);
  }
  dst[0] = uint8_t(best);
  if (best == 0) std::memcpy(dst + 1, row, n);
}

// The PNG container is written here around our own deflate of the rows
// (row_deflate.h), made for seal pixels: the start-up seal in 0.34 ms and
// 30,443 bytes, where libdeflate takes 1.36 ms for 29,763 at level 1 and
// 1.27 ms for 28,114 at level 6, and zlib's best 27,418 in 19 ms (the same
// rows, one machine). A seal's rows carry no filter: its flat colours and
// empty areas compress best raw. A row that is mostly not runs of one
// colour carries a picture: it gets the filter that suits it, as photo
// encoders do. Rows are made as the deflater reaches them, so no copy of
// the image is held.
bool EncodePng(cairo_surface_t* surface, std::string* out, double dpi) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return false;
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* pixels = cairo_image_surface_get_data(surface);
  if (!pixels || width < 1 || height < 1) return false;

  const size_t rowBytes = size_t(width) * 4 + 1;  // filter byte, then RGBA
  const UnpremultiplyTable& table = UnpremultiplyTableOnce();
  auto source = [&](size_t y) { return reinterpret_cast<const uint32_t*>(pixels + y * size_t(stride)); };
  // A picture's rows are filtered against the row above, kept straight.
  std::vector<uint8_t> rows;
  size_t straightOf = SIZE_MAX;  // which row `current` holds
  uint8_t *current = nullptr, *prior = nullptr, *scratch = nullptr;
  auto fillRow = [&](size_t y, uint8_t* dst) {
    const size_t same = straightRow(source(y), width, dst + 1, table);
    dst[0] = 0;
    if (same * 2 >= size_t(width)) return;
    if (rows.empty()) {
      rows.resize(3 * (rowBytes - 1));
      current = rows.data(), prior = current + rowBytes - 1, scratch = prior + rowBytes - 1;
    }
    if (y > 0) {
      if (straightOf == y - 1) std::swap(current, prior);
      else straightRow(source(y - 1), width, prior, table);
    }
    std::memcpy(current, dst + 1, rowBytes - 1);
    straightOf = y;
    FilterPngRow(current, y > 0 ? prior : nullptr, rowBytes - 1, dst, scratch);
  };
  std::vector<uint8_t> deflated;
  try {
    if (!DeflateRows(size_t(height), rowBytes, fillRow, deflated)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  const size_t deflatedSize = deflated.size();
  std::string& png = *out;
  // Its whole size at once: growing it would copy it, into fresh memory.
  const size_t idatChunks = deflatedSize / (256 * 1024) + 1;
  png.clear();
  png.reserve(8 + 25 + 21 + 12 * idatChunks + deflatedSize + 12);
  png.assign("\x89PNG\r\n\x1A\n", 8);
  uint8_t ihdr[13] = {};
  for (int i = 0; i < 4; ++i) ihdr[i] = uint8_t(uint32_t(width) >> (24 - 8 * i)), ihdr[4 + i] = uint8_t(uint32_t(height) >> (24 - 8 * i));
  ihdr[8] = 8;  // bits per channel
  ihdr[9] = 6;  // RGBA
  chunk(png, "IHDR", ihdr, sizeof ihdr);
  if (dpi > 0) {
    const uint32_t ppm = PixelsPerMetre(dpi);
    uint8_t phys[9] = {};
    for (int i = 0; i < 4; ++i) phys[i] = phys[4 + i] = uint8_t(ppm >> (24 - 8 * i));
    phys[8] = 1;  // the unit is the metre
    chunk(png, "pHYs", phys, sizeof phys);
  }
  // IDAT chunks of at most 256 KiB, as encoders usually write them.
  constexpr size_t kIdatMax = 256 * 1024;
  for (size_t at = 0; at < deflatedSize; at += kIdatMax)
    chunk(png, "IDAT", deflated.data() + at, std::min(kIdatMax, deflatedSize - at));
  chunk(png, "IEND", nullptr, 0);
  return true;
}

bool EncodePng(cairo_surface_t* surface, MemoryStream& out, double dpi) {
  std::string png;
  if (!EncodePng(surface, &png, dpi)) return false;
  out.Write(png.data(), png.size());
  return true;
}

uint32_t PixelsPerMetre(double dpi) { return uint32_t(std::lround(dpi / 0.0254)); }

}  // namespace korvane
