// Picture files made by the tests themselves: JPEG and PNG bytes of a
// pattern given as a function of the pixel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/file_io.h"

namespace korvane::test {

// 0xRRGGBB of the pixel at (x, y).
using PicturePattern = std::function<uint32_t(int x, int y)>;

ByteArray EncodeJpeg(int width, int height, const PicturePattern& pattern, int quality = 95);
// Opaque RGB, or RGBA with the pattern's top byte as alpha; interlaced
// (Adam7) when asked.
ByteArray EncodePng(int width, int height, const PicturePattern& pattern, bool alpha = false, bool interlaced = false);

// libpng's reading of PNG bytes as straight RGBA, four bytes a pixel, rows
// downward; empty when it cannot read them.
struct RgbaPixels {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> bytes;
};
RgbaPixels DecodePngRgba(const void* data, size_t size);

// Writes the bytes to a file; false when it cannot.
bool WriteBytes(const std::string& path, const ByteArray& bytes);

}  // namespace korvane::test
