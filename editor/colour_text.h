// Colours as the panels show and read them: hexadecimal digits of the
// COLORREF value (blue, green, red), upper case, at least six of them.
#pragma once

#include <string>
#include <string_view>

#include "document/seal_document.h"

namespace korvane {

inline constexpr const char kTransparentText[] = "透明";

// 0x221ED2 -> "221ED2", 0xFF -> "0000FF"; a negative value shows its 64-bit
// form: -2 -> "FFFFFFFFFFFFFFFE".
std::string ColourText(SealColor colour);

// Every character counts as a hexadecimal digit, without a test that it is
// one: below 'A' it is its code minus '0', below 'a' its code minus 'A' plus
// 10, otherwise its code minus 'a' plus 10. The last 16 characters (bytes of
// the text as the program keeps it, GB18030) make a 64-bit value whose low
// 32 bits are the colour.
SealColor ReadColourText(std::string_view utf8);

}  // namespace korvane
