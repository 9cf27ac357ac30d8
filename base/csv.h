// Reading CSV text as RFC 4180 writes it: fields separated by commas,
// records by line breaks (CR LF or LF), fields in double quotes may hold
// commas, line breaks and doubled quotes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

using CsvRecord = std::vector<std::string>;

// False, with the 1-based record and the reason in `error`, for a quoted
// field left open or text after a closing quote. A UTF-8 byte-order mark
// at the start is skipped; a final line break ends the last record without
// making an empty one.
bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, std::string* error);

}  // namespace korvane
