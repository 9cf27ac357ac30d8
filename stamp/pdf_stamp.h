// Stamping a PDF: the seal's own vector drawing placed on pages at its true
// size, once in the file (one form object however many pages carry it),
// its ink multiplied with the page so that text beneath stays readable.
// Everything else in the document is kept as it was.
#pragma once

#include <string>

#include "document/seal_document.h"
#include "render/render_caches.h"
#include "stamp/stamp_options.h"

namespace korvane {

// The seal's size on the page, in millimetres across its outer edge.
double StampSealSize(const SealDocument& seal, const StampOptions& options);

// Stamps the PDF document `pdf` (its bytes) into `out`. Nothing is written
// anywhere; `out` is empty on failure.
StampResult StampPdf(const std::string& pdf, const SealDocument& seal, const StampOptions& options,
                     std::string* out, RenderCaches* caches = nullptr);

}  // namespace korvane
