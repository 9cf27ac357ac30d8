#include "base/csv.h"

namespace korvane {

bool ParseCsv(std::string_view text, const std::function<bool(CsvRecord& record, size_t number)>& onRecord,
              std::string* error) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  CsvRecord record;
  std::string field;
  size_t number = 1;
  bool quoted = false;     // inside a quoted field
  bool wasQuoted = false;  // the current field was quoted and has closed
  bool any = false;        // the current record has started
  auto fail = [&](const char* reason) {
    *error = "record " + std::to_string(number) + ": " + reason;
    return false;
  };
  auto endField = [&] {
    if (record.size() >= kMaxCsvCells) return false;
    record.push_back(std::move(field));
    field.clear();
    wasQuoted = false;
    return true;
  };
  auto endRecord = [&] {
    if (!endField()) return fail("more than 1024 cells");
    if (!onRecord(record, number)) return false;
    // The record's cells are handed over one record at a time and never
    // kept here: memory follows the longest record, not the file.
    record.clear();
    ++number;
    any = false;
    return true;
  };
  auto append = [&](std::string_view bytes) {
    if (field.size() + bytes.size() > kMaxCsvCellBytes) return fail("a cell of more than 64 KiB");
    field.append(bytes);
    return true;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      // Everything up to the next quote belongs to the field.
      const size_t quote = text.find('"', i);
      const size_t end = quote == std::string_view::npos ? text.size() : quote;
      if (!append(text.substr(i, end - i))) return false;
      i = end;
      if (end == text.size()) break;
      if (i + 1 < text.size() && text[i + 1] == '"') {
        if (!append("\"")) return false;
        ++i;
      } else {
        quoted = false;
        wasQuoted = true;
      }
      continue;
    }
    if (c == ',') {
      if (!endField()) return fail("more than 1024 cells");
      any = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (!endRecord()) return false;
    } else if (c == '"' && field.empty() && !wasQuoted) {
      quoted = true;
      any = true;
    } else if (wasQuoted) {
      return fail("text after a closing quote");
    } else {
      // Plain text runs to the next comma, line break or quote (a quote
      // inside unquoted text is text).
      size_t end = i + 1;
      while (end < text.size() && text[end] != ',' && text[end] != '\n' && text[end] != '\r' && text[end] != '"') ++end;
      if (!append(text.substr(i, end - i))) return false;
      any = true;
      i = end - 1;
    }
  }
  if (quoted) return fail("a quoted field is not closed");
  if (any || !field.empty() || !record.empty()) return endRecord();
  return true;
}

bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, std::string* error) {
  records->clear();
  return ParseCsv(
      text,
      [records](CsvRecord& record, size_t) {
        records->push_back(std::move(record));
        return true;
      },
      error);
}

}  // namespace korvane
