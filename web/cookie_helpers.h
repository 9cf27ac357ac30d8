// Small text functions for urls, header text and cookies. Texts are UTF-8;
// positions are byte positions; searches that find nothing give the empty
// text. To trim is to remove ASCII spaces and ideographic spaces (U+3000)
// at both ends; tabs and line breaks stay.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/file_io.h"

namespace korvane {

// ASCII letters in lower case; other bytes (UTF-8 included) as they are.
std::string LowerAscii(std::string_view text);

std::string TrimSpaces(std::string_view text);
// Every ASCII and ideographic space, wherever it stands.
std::string RemoveSpaces(std::string_view text);

// The text between the first `left` (from byte `start`, 0-based) and the
// next `right` after it. "#引号" in a marker stands for a double quote.
std::string TextBetween(std::string_view text, std::string left, std::string right, size_t start = 0,
                        bool ignoreCase = false);
// Everything after the first colon, trimmed; empty without a colon.
std::string TextAfterColon(std::string_view text);

// The host of a url in lower case, with or without its port.
std::string UrlHost(std::string_view url, bool keepPort);
// The port named after the host, else 443 for https and 80 for the rest.
int32_t UrlPort(std::string_view url);
// Path, query and the rest from the first "/" after the host; "/" when
// there is none. Letter case is kept.
std::string UrlObject(std::string_view url);

// The name of a cookie item (before its "="), trimmed.
std::string CookieName(std::string_view item);
bool CookieListHasName(std::string_view list, std::string_view name);
// The received cookies, then each sent one the response did not set again;
// "=deleted" cookies dropped; duplicates collapsed; joined by "; ".
std::string MergeCookies(std::string_view sent, std::string_view received);
// The pieces in order of first appearance, each once.
std::string JoinDistinct(std::string_view text, std::string_view separator);

// A UTF-8 body as text: invalid sequences become U+FFFD; the text ends at
// the first NUL.
std::string Utf8ToText(const ByteArray& bytes);

}  // namespace korvane
