// UTF-8 read as Unicode defines it: ill-formed bytes become U+FFFD, one per
// byte, and never decode to a character a check on the bytes missed.
#include <gtest/gtest.h>

#include "base/utf8.h"

namespace korvane {
namespace {

constexpr char32_t R = 0xFFFD;

TEST(Utf8, IllFormedSequencesBecomeReplacementCharacters) {
  struct Case {
    const char* bytes;
    std::u32string decoded;
  } cases[] = {
      {"/", U"/"},
      {"\xC0\xAF", {R, R}},                    // overlong "/"
      {"\xE0\x80\xAF", {R, R, R}},             // overlong "/" in three bytes
      {"\xF0\x80\x80\xAF", {R, R, R, R}},      // and in four
      {"\xC1\xBF", {R, R}},                    // overlong U+007F
      {"\xE0\x9F\xBF", {R, R, R}},             // overlong U+07FF
      {"\xF0\x8F\xBF\xBF", {R, R, R, R}},      // overlong U+FFFF
      {"\xED\xA0\x80", {R, R, R}},             // U+D800, a surrogate
      {"\xED\xBF\xBF", {R, R, R}},             // U+DFFF
      {"\xF4\x90\x80\x80", {R, R, R, R}},      // U+110000
      {"\xF7\xBF\xBF\xBF", {R, R, R, R}},      // U+1FFFFF
      {"\xF8\x88\x80\x80\x80", {R, R, R, R, R}},
      {"\xFE\xFF", {R, R}},
      {"\x80", {R}},
      {"\xE4\xB8", {R, R}},                    // cut short
      // Unicode's own example of ill-formed subsequences, one U+FFFD a byte.
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", {U'a', R, R, R, R, R, R, U'b', R, U'c', R, R, U'd'}},
      // The edges of what is well-formed.
      {"\xC2\x80", {0x80}},
      {"\xDF\xBF", {0x7FF}},
      {"\xE0\xA0\x80", {0x800}},
      {"\xED\x9F\xBF", {0xD7FF}},
      {"\xEE\x80\x80", {0xE000}},
      {"\xEF\xBF\xBF", {0xFFFF}},
      {"\xF0\x90\x80\x80", {0x10000}},
      {"\xF4\x8F\xBF\xBF", {0x10FFFF}},
      {"\xE5\x8D\xB0", {U'印'}},
  };
  for (const Case& c : cases) {
    const std::vector<char32_t> got = DecodeUtf8(c.bytes);
    EXPECT_EQ(std::u32string(got.begin(), got.end()), c.decoded) << testing::PrintToString(std::string(c.bytes));
    EXPECT_EQ(CountUtf8(c.bytes), c.decoded.size()) << testing::PrintToString(std::string(c.bytes));
  }
}

TEST(Utf8, EveryScalarValueRoundTrips) {
  for (char32_t cp = 0; cp <= 0x10FFFF; cp += (cp < 0x20000 ? 1 : 97)) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const std::vector<char32_t> back = DecodeUtf8(EncodeUtf8(cp));
    ASSERT_EQ(back, std::vector<char32_t>{cp}) << uint32_t(cp);
  }
}

}  // namespace
}  // namespace korvane
