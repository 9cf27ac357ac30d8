#include "base/csv.h"

namespace korvane {

bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, std::string* error) {
  records->clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  CsvRecord record;
  std::string field;
  bool quoted = false;      // inside a quoted field
  bool wasQuoted = false;   // the current field was quoted and has closed
  bool any = false;         // the current record has started
  auto endField = [&] {
    record.push_back(std::move(field));
    field.clear();
    wasQuoted = false;
  };
  auto endRecord = [&] {
    endField();
    records->push_back(std::move(record));
    record.clear();
    any = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
          wasQuoted = true;
        }
      } else {
        field += c;
      }
      continue;
    }
    if (c == ',') {
      endField();
      any = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endRecord();
    } else if (c == '"' && field.empty() && !wasQuoted) {
      quoted = true;
      any = true;
    } else if (wasQuoted) {
      *error = "record " + std::to_string(records->size() + 1) + ": text after a closing quote";
      return false;
    } else {
      field += c;
      any = true;
    }
  }
  if (quoted) {
    *error = "record " + std::to_string(records->size() + 1) + ": a quoted field is not closed";
    return false;
  }
  if (any || !field.empty() || !record.empty()) endRecord();
  return true;
}

}  // namespace korvane
