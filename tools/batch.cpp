#include "tools/batch.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "base/csv.h"
#include "base/file_io.h"
#include "drawing/gfx_status.h"

namespace korvane {

bool ReadBatchRows(std::string_view csv, std::vector<BatchRow>* rows, std::string* error) {
  rows->clear();
  bool header = true;
  int outputColumn = -1;
  std::array<int, kTextCount> textColumns;
  textColumns.fill(-1);
  auto onRecord = [&](CsvRecord& record, size_t number) {
    if (header) {
      header = false;
      for (size_t c = 0; c < record.size(); ++c) {
        if (record[c] == "output") outputColumn = int(c);
        for (int t = 0; t < kTextCount; ++t)
          if (record[c] == "text" + std::to_string(t + 1)) textColumns[size_t(t)] = int(c);
      }
      if (outputColumn < 0) {
        *error = "the header row has no \"output\" column";
        return false;
      }
      return true;
    }
    if (record.size() == 1 && record[0].empty()) return true;  // a blank line
    if (rows->size() >= kMaxBatchRows) {
      *error = "more than " + std::to_string(kMaxBatchRows) + " rows: split the file";
      return false;
    }
    BatchRow row;
    row.number = number - 1;
    auto cell = [&record](int column) -> std::string* {
      return column >= 0 && size_t(column) < record.size() ? &record[size_t(column)] : nullptr;
    };
    if (std::string* output = cell(outputColumn)) row.output = std::move(*output);
    for (int t = 0; t < kTextCount; ++t) {
      std::string* words = cell(textColumns[size_t(t)]);
      if (words && !words->empty()) row.texts[size_t(t)] = std::move(*words);
    }
    rows->push_back(std::move(row));
    return true;
  };
  if (!ParseCsv(csv, onRecord, error)) return false;
  if (header) {
    *error = "the file is empty: a header row naming an \"output\" column is needed";
    return false;
  }
  return true;
}

namespace {

constexpr size_t kBatchMaskBytes = size_t(4) << 20;

// Why a row's output cannot be written, or "" when it can. `claimed` holds
// the identity of every file the run reads or writes so far, with what
// claims it.
std::string checkOutput(const BatchRow& row, std::map<std::string, std::string>* claimed) {
  if (row.output.empty()) return "no output file named";
  if (row.output.find('\0') != std::string::npos) return "the output name holds a NUL byte";
  if (!OutputKindOfExtension(row.output))
    return "the output '" + row.output + "' must end in .png, .svg or .pdf (its extension picks the format)";
  const auto [it, added] = claimed->emplace(FileIdentity(row.output), "row " + std::to_string(row.number));
  if (!added) return "the output '" + row.output + "' is the same file as " + it->second + "'s, so it is not written";
  return {};
}

}  // namespace

std::vector<BatchFailure> RunBatch(const SealDocument& design, const std::vector<BatchRow>& rows,
                                   const PrintOptions& options, unsigned threads,
                                   const std::function<void(size_t done, size_t total)>& progress,
                                   const std::vector<std::string>& inputs, RenderCaches* caches) {
  // What a seal frees is kept for the next one, for the rest of the
  // process: the allocator would give back the top of each thread's heap
  // after nearly every seal and fault it in again (1,000 start-up seals:
  // 20,000 -> 10,500 page faults).
  ::mallopt(M_TRIM_THRESHOLD, 32 << 20);
  RenderCaches batchCaches;
  RenderCaches& shared = caches ? *caches : batchCaches;
  std::vector<BatchFailure> failures;
  // Every output is checked in row order before anything is written, so a
  // clash is reported the same way on every run instead of racing.
  std::map<std::string, std::string> claimed;
  for (const std::string& input : inputs) claimed.emplace(FileIdentity(input), "'" + input + "', an input of this run");
  std::vector<bool> refused(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string why = checkOutput(rows[i], &claimed);
    if (why.empty()) continue;
    refused[i] = true;
    failures.push_back({rows[i].number, std::move(why)});
  }

  // Outputs are made durable a group at a time, not each on its own: the
  // workers do not queue up for the disk.
  FileBatch files;
  auto cannotWrite = [](const std::string& output, int error) {
    return "cannot write '" + output + "': " + (error ? std::strerror(error) : "write failed");
  };
  std::mutex mutex;
  std::atomic<size_t> next{0};
  size_t done = failures.size();
  if (progress && done) progress(done, rows.size());
  auto renderRow = [&](const BatchRow& row) -> std::string {
    SealDocument doc = design;
    for (int t = 0; t < kTextCount; ++t)
      if (row.texts[size_t(t)]) doc.Text[size_t(t)].szText = *row.texts[size_t(t)];
    std::string bytes, error;
    if (!EncodeSeal(doc, *OutputKindOfExtension(row.output), options, &bytes, &error, &shared)) return error;
    errno = 0;
    if (!files.Write(row.output, bytes)) return cannotWrite(row.output, errno);
    return {};
  };
  auto work = [&] {
    // The seals of a batch share their frames and fixed words, not their
    // new words: a small budget of kept masks keeps the hits at a fraction
    // of the memory (1,000 start-up seals: 62 -> 34 MB at the peak, 10,500
    // -> 3,600 page faults, the same instructions within 0.1 %).
    const size_t budget = SetThreadMaskBudget(kBatchMaskBytes);
    for (size_t i = next++; i < rows.size(); i = next++) {
      if (refused[i]) continue;
      std::string error;
      // Whatever a row runs into is that row's failure: a worker must not
      // take the rows after it down with it.
      try {
        error = renderRow(rows[i]);
      } catch (const std::bad_alloc&) {
        error = "out of memory";
      } catch (const std::exception& e) {
        error = e.what();
      } catch (...) {
        error = "the seal could not be made";
      }
      try {
        std::lock_guard lock(mutex);
        if (!error.empty()) failures.push_back({rows[i].number, std::move(error)});
        ++done;
        if (progress) progress(done, rows.size());
      } catch (...) {
        // A report that cannot be made (no memory for it) is dropped; the
        // row's file, when written, stays written.
      }
    }
    TrimThreadScratch();  // a worker that is done keeps no coverage masks
    SetThreadMaskBudget(budget);
  };
  const unsigned count = std::max(1u, std::min<unsigned>(threads, unsigned(std::max<size_t>(rows.size(), 1))));
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < count; ++t) {
    try {
      pool.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer workers: this thread does the rest
    }
  }
  work();
  for (std::thread& t : pool) t.join();
  std::map<std::string, size_t> rowOfOutput;
  for (const BatchRow& row : rows) rowOfOutput.emplace(row.output, row.number);
  for (const auto& [output, error] : files.Finish()) failures.push_back({rowOfOutput[output], cannotWrite(output, error)});
  std::sort(failures.begin(), failures.end(), [](const BatchFailure& a, const BatchFailure& b) { return a.row < b.row; });
  return failures;
}

}  // namespace korvane
