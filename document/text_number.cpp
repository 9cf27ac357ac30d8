#include "document/text_number.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace korvane {

std::string FullWidthToHalfWidth(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    // Full-width forms are three-byte sequences EF BC 81..EF BD 9E; the
    // ideographic space is E3 80 80.
    if (b0 == 0xEF && i + 2 < s.size()) {
      const auto b1 = static_cast<unsigned char>(s[i + 1]);
      const auto b2 = static_cast<unsigned char>(s[i + 2]);
      const unsigned cp = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
      if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80 && cp >= 0xFF01 && cp <= 0xFF5E) {
        out.push_back(static_cast<char>(cp - 0xFF01 + 0x21));
        i += 3;
        continue;
      }
    } else if (b0 == 0xE3 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80 &&
               static_cast<unsigned char>(s[i + 2]) == 0x80) {
      out.push_back(' ');
      i += 3;
      continue;
    }
    out.push_back(s[i]);
    ++i;
  }
  return out;
}

int32_t TextToInt(std::string_view utf8) {
  const std::string s = FullWidthToHalfWidth(utf8);
  size_t i = 0;
  auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
  while (i < s.size() && isBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so INT32_MIN is representable.
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  int64_t value = 0;
  bool saturated = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (saturated) continue;
    value = value * 10 - (s[i] - '0');
    if (value < kMin) saturated = true;
  }
  if (negative) return saturated ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(value);
  if (saturated || -value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(-value);
}

double TextToMillimetres(std::string_view utf8) {
  const std::string s = FullWidthToHalfWidth(utf8);
  size_t begin = 0, end = s.size();
  while (begin < end && s[begin] == ' ') ++begin;
  while (end > begin && s[end - 1] == ' ') --end;
  for (size_t i = begin; i < end; ++i)
    if (!((s[i] >= '0' && s[i] <= '9') || s[i] == '.')) return 0;
  double value = 0;
  const auto [at, error] = std::from_chars(s.data() + begin, s.data() + end, value);
  if (error != std::errc() || at != s.data() + end || !std::isfinite(value) || value < 0 || value > 10000) return 0;
  return value;
}

std::string MillimetresText(double mm) {
  char text[32];
  const auto [at, error] = std::to_chars(text, text + sizeof text, std::round(mm * 1000) / 1000, std::chars_format::fixed, 3);
  if (error != std::errc()) return "0";
  std::string out(text, at);
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out;
}

}  // namespace korvane
