#include "stamp/pdf_stamp.h"

#include "render/seal_output.h"
#include "stamp/pdf_pages.h"

namespace korvane {

double StampSealSize(const SealDocument& seal, const StampOptions& options) {
  if (options.sizeMm > 0) return options.sizeMm;
  if (seal.SizeMM > 0) return seal.SizeMM;
  return SealOuterExtent(seal) * 25.4 / 96.0;
}

StampResult StampPdf(const std::string& pdf, const SealDocument& seal, const StampOptions& options, std::string* out,
                     RenderCaches* caches) {
  out->clear();
  StampResult refused;
  refused.failure = StampFailure::Input;
  // Said before the seal is drawn for nothing.
  refused.message = PdfInputProblem(pdf);
  if (!refused.message.empty()) return refused;
  // The seal's own drawing, a vector page as large as its outer edge.
  const double sizeMm = StampSealSize(seal, options);
  PrintOptions print;
  print.sizeMm = sizeMm;
  print.cropMm = 0;
  std::string sealPdf, error;
  if (!EncodeSeal(seal, OutputKind::Pdf, print, &sealPdf, &error, caches)) {
    refused.failure = StampFailure::Seal;
    refused.message = "cannot draw the seal: " + error;
    return refused;
  }
  return PlaceSealOnPages(pdf, sealPdf, sizeMm, options, out);
}

}  // namespace korvane
