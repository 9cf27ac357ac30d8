// Template files are GB18030 on disk (the same bytes as GBK for every GBK
// character); text in memory is UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// Undecodable bytes become U+FFFD, so a damaged file still loads. Null only
// when the system's converter cannot be had: an empty text is not the same
// as a failed conversion, and must never be written as one.
std::optional<std::string> Gb18030ToUtf8(std::string_view bytes);
// Every Unicode character has a GB18030 form; invalid UTF-8 becomes "?".
std::optional<std::string> Utf8ToGb18030(std::string_view text);

}  // namespace korvane
