#include "tools/batch.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "base/csv.h"
#include "base/file_io.h"

namespace korvane {

bool ReadBatchRows(std::string_view csv, std::vector<BatchRow>* rows, std::string* error) {
  std::vector<CsvRecord> records;
  if (!ParseCsv(csv, &records, error)) return false;
  if (records.empty()) {
    *error = "the file is empty: a header row naming an \"output\" column is needed";
    return false;
  }
  const CsvRecord& header = records[0];
  int outputColumn = -1;
  std::array<int, kTextCount> textColumns;
  textColumns.fill(-1);
  for (size_t c = 0; c < header.size(); ++c) {
    if (header[c] == "output") outputColumn = int(c);
    for (int t = 0; t < kTextCount; ++t)
      if (header[c] == "text" + std::to_string(t + 1)) textColumns[size_t(t)] = int(c);
  }
  if (outputColumn < 0) {
    *error = "the header row has no \"output\" column";
    return false;
  }
  rows->clear();
  for (size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    if (record.size() == 1 && record[0].empty()) continue;  // a blank line
    BatchRow row;
    row.number = r;
    auto cell = [&record](int column) -> std::string {
      return column >= 0 && size_t(column) < record.size() ? record[size_t(column)] : std::string();
    };
    row.output = cell(outputColumn);
    for (int t = 0; t < kTextCount; ++t) {
      const std::string words = cell(textColumns[size_t(t)]);
      if (!words.empty()) row.texts[size_t(t)] = words;
    }
    rows->push_back(std::move(row));
  }
  return true;
}

std::vector<BatchFailure> RunBatch(const SealDocument& design, const std::vector<BatchRow>& rows,
                                   const PrintOptions& options, unsigned threads,
                                   const std::function<void(size_t done, size_t total)>& progress) {
  std::vector<BatchFailure> failures;
  std::mutex mutex;
  std::atomic<size_t> next{0};
  size_t done = 0;
  auto work = [&] {
    for (size_t i = next++; i < rows.size(); i = next++) {
      const BatchRow& row = rows[i];
      SealDocument doc = design;
      for (int t = 0; t < kTextCount; ++t)
        if (row.texts[size_t(t)]) doc.Text[size_t(t)].szText = *row.texts[size_t(t)];
      std::string bytes, error;
      bool ok = !row.output.empty();
      if (!ok) error = "no output file named";
      if (ok) ok = EncodeSeal(doc, OutputKindForPath(row.output), options, &bytes, &error);
      if (ok) {
        errno = 0;
        ok = WriteFileAtomically(row.output, bytes);
        if (!ok) error = "cannot write '" + row.output + "': " + (errno ? std::strerror(errno) : "write failed");
      }
      std::lock_guard lock(mutex);
      if (!ok) failures.push_back({row.number, error});
      ++done;
      if (progress) progress(done, rows.size());
    }
  };
  const unsigned count = std::max(1u, std::min<unsigned>(threads, unsigned(std::max<size_t>(rows.size(), 1))));
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < count; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  std::sort(failures.begin(), failures.end(), [](const BatchFailure& a, const BatchFailure& b) { return a.row < b.row; });
  return failures;
}

}  // namespace korvane
