// Text typed into a numeric field (or read from a template) to an integer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

// Maps full-width forms (U+FF01..U+FF5E, ideographic space) to ASCII.
std::string FullWidthToHalfWidth(std::string_view utf8);

// Full-width to half-width, then blanks, an optional sign and decimal digits
// up to the first other character; no digits gives 0. Values beyond the
// 32-bit range saturate rather than wrap.
int32_t TextToInt(std::string_view utf8);

// A length in millimetres: full-width forms mapped, then a plain decimal
// ("42", "40.5"); anything else, or a value outside 0 to 10,000, gives 0.
double TextToMillimetres(std::string_view utf8);
// Millimetres as text, to a thousandth, without trailing zeros.
std::string MillimetresText(double mm);

}  // namespace korvane
