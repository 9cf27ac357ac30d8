#include "drawing/codecs/encoders.h"

#include <cstdio>

namespace korvane {

int32_t ListEncoders(std::vector<EncoderInfo>& list) {
  EncoderInfo png;
  png.Clsid = kPngEncoderClsid;
  png.FormatID = kImageFormatPNG;
  png.CodecName = "Built-in PNG Codec";
  png.FormatDescription = "PNG";
  png.FilenameExtension = "*.PNG";
  png.MimeType = "image/png";
  png.Flags = 0x10007;  // built in; encoder, decoder, bitmap
  png.Version = 1;
  png.SigCount = 1;
  png.SigSize = 8;
  png.SigPattern = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  png.SigMask.assign(8, 0xFF);
  list.assign(1, png);
  return static_cast<int32_t>(list.size());
}

std::string FindEncoder(const std::string& formatGuid) {
  std::vector<EncoderInfo> list;
  ListEncoders(list);
  for (const EncoderInfo& e : list)
    if (e.FormatID == formatGuid) return e.Clsid;
  return {};
}

// Data1..Data3 are little-endian integers; Data4 is bytes as written.
std::string GuidToText(const std::array<uint8_t, 16>& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3], g[2],
                g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
  return buf;
}

std::array<uint8_t, 16> TextToGuid(const std::string& t) {
  std::array<uint8_t, 16> g{};
  if (t.size() != 38 || t.front() != '{' || t.back() != '}' || t[9] != '-' || t[14] != '-' || t[19] != '-' ||
      t[24] != '-')
    return g;
  uint8_t bytes[16];
  int n = 0;
  for (size_t i = 1; i < 37 && n < 16;) {
    if (t[i] == '-') {
      ++i;
      continue;
    }
    auto hex = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    const int hi = hex(t[i]), lo = hex(t[i + 1]);
    if (hi < 0 || lo < 0) return {};
    bytes[n++] = static_cast<uint8_t>(hi * 16 + lo);
    i += 2;
  }
  if (n != 16) return {};
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g[order[i]] = bytes[i];
  return g;
}

}  // namespace korvane
