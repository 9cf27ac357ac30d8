// Reading CSV text as RFC 4180 writes it: fields separated by commas,
// records by line breaks (CR LF or LF), fields in double quotes may hold
// commas, line breaks and doubled quotes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

using CsvRecord = std::vector<std::string>;

// What one record may hold: a hostile file must not turn 64 MiB of commas
// into millions of strings, nor one cell into a text that costs minutes.
inline constexpr size_t kMaxCsvCellBytes = size_t(64) << 10;
inline constexpr size_t kMaxCsvCells = 1024;

// Hands each record to `onRecord` with its 1-based number, as it is read;
// a blank line is a record of one empty field. `onRecord` returns false to
// stop (ParseCsv then returns false, `error` as it left it). False, with the
// record and the reason in `error`, for a quoted field left open, text
// after a closing quote, a cell or a record over the bounds above. A UTF-8
// byte-order mark at the start is skipped; a final line break ends the
// last record without making an empty one.
bool ParseCsv(std::string_view text, const std::function<bool(CsvRecord& record, size_t number)>& onRecord,
              std::string* error);

// Every record at once, for small texts.
bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, std::string* error);

}  // namespace korvane
