// UTF-8 text as code points: one character is one code point, so a
// character beyond the basic plane stays whole.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Invalid bytes become U+FFFD, one per byte.
std::vector<char32_t> DecodeUtf8(std::string_view text);
std::string EncodeUtf8(char32_t codePoint);
size_t CountUtf8(std::string_view text);

}  // namespace korvane
