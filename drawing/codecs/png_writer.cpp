#include "drawing/codecs/png_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <libdeflate.h>

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

struct RawRows {
  std::unique_ptr<uint8_t[]> bytes;
  size_t size = 0;
};

RawRows& keptRawRows() {
  thread_local RawRows kept;
  return kept;
}

}  // namespace

void TrimEncoderBuffers() { keptRawRows() = RawRows(); }

// The PNG container is written here around our own deflate of the rows
// (row_deflate.h), made for seal pixels: the start-up seal in 0.9 ms and
// 30,475 bytes, where libdeflate took 1.9 ms for 29,118 and zlib's best
// 27,418 in 30 ms. Rows carry no filter: the seal's flat colours and
// empty areas compress best raw.
bool EncodePng(cairo_surface_t* surface, std::string* out, double dpi) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return false;
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* pixels = cairo_image_surface_get_data(surface);
  if (!pixels || width < 1 || height < 1) return false;

  // Filter byte 0, then straight RGBA, for every row.
  const size_t rowBytes = size_t(width) * 4 + 1;
  // Written whole before it is read: not zeroed first. Kept for the next
  // encode up to a size (a batch writes seal after seal of one size): a
  // fresh buffer is fresh memory, faulted in page by page (3200 x 3200:
  // 41 MB, 40 -> 25 ms an encode).
  constexpr size_t kKeptRawBytes = size_t(64) << 20;
  RawRows& kept = keptRawRows();
  RawRows fresh;
  const size_t rawSize = rowBytes * size_t(height);
  RawRows& rawRows = rawSize <= kKeptRawBytes ? kept : fresh;
  if (rawRows.size < rawSize) {
    rawRows.bytes.reset(new (std::nothrow) uint8_t[rawSize]);
    rawRows.size = rawRows.bytes ? rawSize : 0;
    if (!rawRows.bytes) return false;
  }
  uint8_t* const raw = rawRows.bytes.get();
  const UnpremultiplyTable& table = UnpremultiplyTableOnce();
  for (int y = 0; y < height; ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(pixels + size_t(y) * size_t(stride));
    uint8_t* dst = raw + size_t(y) * rowBytes;
    *dst++ = 0;
    for (int x = 0; x < width; ++x, dst += 4) {
      const ARGB c = Unpremultiply(src[x], table);
      dst[0] = uint8_t(c >> 16), dst[1] = uint8_t(c >> 8), dst[2] = uint8_t(c), dst[3] = uint8_t(c >> 24);
    }
  }
  std::vector<uint8_t> deflated;
  if (!DeflateRows(raw, rawSize, rowBytes, deflated)) return false;
  const size_t deflatedSize = deflated.size();

  std::string& png = *out;
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
