// Template files are GB18030 on disk (the same bytes as GBK for every GBK
// character); text in memory is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Undecodable bytes become U+FFFD, so a damaged file still loads.
std::string Gb18030ToUtf8(std::string_view bytes);
// Every Unicode character has a GB18030 form; invalid UTF-8 becomes "?".
std::string Utf8ToGb18030(std::string_view text);

}  // namespace korvane
