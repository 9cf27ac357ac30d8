// Many seals from one design: one row of a CSV file per seal, each with its
// output file and, optionally, the words of its four texts.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/seal_document.h"
#include "render/seal_output.h"

namespace korvane {

struct BatchRow {
  size_t number = 0;  // the data row, from 1 (the header is row 0)
  std::string output;
  std::array<std::optional<std::string>, kTextCount> texts;  // a cell given and not empty
};

// More rows than this is a file to split, not a batch to hold in memory.
inline constexpr size_t kMaxBatchRows = 1000000;

// A header row names the columns: "output" (required) and any of "text1" to
// "text4"; other columns are ignored. Blank lines are skipped without being
// kept. Records and cells are bounded as ParseCsv bounds them.
bool ReadBatchRows(std::string_view csv, std::vector<BatchRow>* rows, std::string* error);

struct BatchFailure {
  size_t row = 0;
  std::string message;
};

// Renders every row on `threads` workers, each with its own copy of the
// design and its own drawing objects, and writes each output atomically.
// Before any worker starts, each row's output is checked: it must be named,
// hold no NUL byte, end in .png, .svg or .pdf (which picks the format), not
// be one of `inputs` (the run's own files, compared as files, not as
// spellings), and not be the file of an earlier row; a row that fails a
// check is reported and not written. Paths with "../" or absolute ones are
// written where they say. A failing row, including one whose worker ran out
// of memory, does not stop the others. `progress` (when set) is told how
// many rows are done, from the workers, under a lock. The workers share
// `caches` (or caches of the batch's own): a picture is decoded once.
std::vector<BatchFailure> RunBatch(const SealDocument& design, const std::vector<BatchRow>& rows,
                                   const PrintOptions& options, unsigned threads,
                                   const std::function<void(size_t done, size_t total)>& progress = {},
                                   const std::vector<std::string>& inputs = {}, RenderCaches* caches = nullptr);

}  // namespace korvane
