#include "drawing/raster/solid_over.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {

namespace {

// x * y / 255, rounded: pixman's MUL_UN8.
inline uint32_t mul8(uint32_t x, uint32_t y) {
  const uint32_t t = x * y + 0x80;
  return (t + (t >> 8)) >> 8;
}

inline uint32_t overOne(uint32_t source, uint32_t coverage, uint32_t pixel) {
  const uint32_t alpha = mul8(source >> 24, coverage), keep = 255 - alpha;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t c = mul8((source >> shift) & 0xFF, coverage) + mul8((pixel >> shift) & 0xFF, keep);
    out |= (c > 255 ? 255 : c) << shift;
  }
  return out;
}

#if defined(__SSE2__)
// Sixteen-bit lanes: x * y / 255 rounded, as pixman's SSE2 code does it.
inline __m128i mul8x8(__m128i x, __m128i y) {
  return _mm_mulhi_epu16(_mm_adds_epu16(_mm_mullo_epi16(x, y), _mm_set1_epi16(0x80)), _mm_set1_epi16(0x101));
}
#endif

}  // namespace

uint32_t SolidPatternPixel(cairo_pattern_t* solid) {
  // Cairo keeps a colour as 16-bit premultiplied channels, each rounded
  // from the double, and pixman takes their high bytes.
  double r, g, b, a;
  if (cairo_pattern_get_rgba(solid, &r, &g, &b, &a) != CAIRO_STATUS_SUCCESS) return 0;
  auto channel = [](double d) { return uint32_t(uint16_t(d * 65535.0 + 0.5)) >> 8; };
  return channel(a) << 24 | channel(r * a) << 16 | channel(g * a) << 8 | channel(b * a);
}

void SolidOver(uint32_t* pixels, const uint8_t* coverage, int count, uint32_t source) {
  const bool opaque = (source >> 24) == 0xFF;
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i solid4 = _mm_set1_epi32(int(source));
  const __m128i src = _mm_unpacklo_epi8(solid4, zero);  // two pixels, 16 bits a channel
  const __m128i srcAlpha = _mm_shufflelo_epi16(_mm_shufflehi_epi16(src, 0xFF), 0xFF);
  const __m128i ff = _mm_set1_epi16(0xFF);
  for (; i + 4 <= count; i += 4) {
    uint32_t m;
    std::memcpy(&m, coverage + i, 4);
    if (m == 0) continue;
    __m128i* at = reinterpret_cast<__m128i*>(pixels + i);
    if (m == 0xFFFFFFFFu && opaque) {
      _mm_storeu_si128(at, solid4);
      continue;
    }
    const __m128i d = _mm_loadu_si128(at);
    __m128i mm = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(m)), zero);  // m0 m1 m2 m3 in 16 bits
    mm = _mm_unpacklo_epi16(mm, mm);                                    // m0 m0 m1 m1 m2 m2 m3 m3
    const __m128i mLow = _mm_unpacklo_epi32(mm, mm), mHigh = _mm_unpackhi_epi32(mm, mm);
    // An opaque colour's alpha times the coverage is the coverage itself.
    auto two = [&](__m128i dest, __m128i mask) {
      const __m128i s = mul8x8(src, mask), keep = _mm_xor_si128(opaque ? mask : mul8x8(srcAlpha, mask), ff);
      return _mm_adds_epu16(s, mul8x8(dest, keep));
    };
    const __m128i low = two(_mm_unpacklo_epi8(d, zero), mLow), high = two(_mm_unpackhi_epi8(d, zero), mHigh);
    _mm_storeu_si128(at, _mm_packus_epi16(low, high));
  }
#endif
  for (; i < count; ++i) {
    const uint32_t m = coverage[i];
    if (m == 0) continue;
    pixels[i] = m == 255 && opaque ? source : overOne(source, m, pixels[i]);
  }
}

}  // namespace korvane
