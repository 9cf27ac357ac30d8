#include "editor/colour_text.h"

#include <cstdint>
#include <cstdio>

#include "document/text_encoding.h"

namespace korvane {

std::string ColourText(SealColor colour) {
  char buf[32];
  if (colour < 0)
    std::snprintf(buf, sizeof buf, "FFFFFFFF%08X", uint32_t(colour));
  else
    std::snprintf(buf, sizeof buf, "%06X", uint32_t(colour));
  return buf;
}

SealColor ReadColourText(std::string_view utf8) {
  const std::string bytes = Utf8ToGb18030(utf8).value_or(std::string());
  const size_t first = bytes.size() > 16 ? bytes.size() - 16 : 0;
  uint64_t value = 0;
  for (size_t i = first; i < bytes.size(); ++i) {
    const int c = static_cast<unsigned char>(bytes[i]);
    const int digit = c < 'A' ? c - '0' : c < 'a' ? c - 'A' + 10 : c - 'a' + 10;
    value = value * 16 + uint64_t(int64_t(digit));
  }
  return SealColor(uint32_t(value));
}

}  // namespace korvane
