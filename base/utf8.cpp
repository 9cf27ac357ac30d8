#include "base/utf8.h"

namespace korvane {

namespace {

// Length of the sequence starting at s[i] and its code point; 0 when the
// bytes there are not a well-formed sequence. Well-formed follows Unicode's
// table 3-7: no overlong forms, no surrogates, nothing beyond U+10FFFF, so
// "C0 AF" is never a "/" that slipped past a check on the bytes.
int sequence(std::string_view s, size_t i, char32_t* cp) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    *cp = b;
    return 1;
  }
  int len;
  unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + size_t(len) > s.size()) return 0;
  char32_t c = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
  for (int k = 1; k < len; ++k) {
    const auto t = static_cast<unsigned char>(s[i + size_t(k)]);
    if (k == 1 ? (t < lo || t > hi) : (t & 0xC0) != 0x80) return 0;
    c = (c << 6) | (t & 0x3F);
  }
  *cp = c;
  return len;
}

}  // namespace

std::vector<char32_t> DecodeUtf8(std::string_view s) {
  std::vector<char32_t> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    const int len = sequence(s, i, &cp);
    out.push_back(len ? cp : char32_t(0xFFFD));
    i += len ? size_t(len) : 1;
  }
  return out;
}

size_t CountUtf8(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) {
    char32_t cp = 0;
    const int len = sequence(s, i, &cp);
    i += len ? size_t(len) : 1;
  }
  return n;
}

std::string EncodeUtf8(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6)), out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12)), out += char(0x80 | ((cp >> 6) & 0x3F)), out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18)), out += char(0x80 | ((cp >> 12) & 0x3F)), out += char(0x80 | ((cp >> 6) & 0x3F)),
        out += char(0x80 | (cp & 0x3F));
  }
  return out;
}

}  // namespace korvane
