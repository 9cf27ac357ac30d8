// Any bytes as a batch file: reading must never crash or hang, must keep
// within its bounds, and must agree with the whole-file reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/csv.h"
#include "tools/batch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<korvane::CsvRecord> records;
  std::string error;
  const bool parsed = korvane::ParseCsv(text, &records, &error);
  size_t streamed = 0;
  std::string streamError;
  const bool streamParsed = korvane::ParseCsv(
      text,
      [&](korvane::CsvRecord& record, size_t number) {
        if (number != ++streamed || record.size() > korvane::kMaxCsvCells) __builtin_trap();
        for (const std::string& cell : record)
          if (cell.size() > korvane::kMaxCsvCellBytes) __builtin_trap();
        return true;
      },
      &streamError);
  if (parsed != streamParsed || (parsed && streamed != records.size())) __builtin_trap();
  std::vector<korvane::BatchRow> rows;
  korvane::ReadBatchRows(text, &rows, &error);
  for (const korvane::BatchRow& row : rows)
    if (row.number == 0) __builtin_trap();
  return 0;
}
