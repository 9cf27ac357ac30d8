// The seal's drawing, a one-page PDF, placed on the pages of a document
// through qpdf. Kept apart from the rest of the program: qpdf's headers
// need C++17 under clang (./dev fuzz), ours C++20.
#pragma once

#include <string>

#include "stamp/stamp_options.h"

namespace korvane {

// Why the bytes cannot be a document to stamp (too large, no PDF header in
// the first KiB), or nothing when they may be.
std::string PdfInputProblem(const std::string& bytes);

// Places page 1 of `sealPdf`, `sealSizeMm` across, on the document `pdf`
// as `options` ask, into `out` (empty on failure).
StampResult PlaceSealOnPages(const std::string& pdf, const std::string& sealPdf, double sealSizeMm,
                             const StampOptions& options, std::string* out);

}  // namespace korvane
