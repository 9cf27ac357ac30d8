// Any bytes as a PDF document to stamp: never a crash, an exception out of
// the stamper, a hang or unbounded memory (./dev fuzz runs with limits on
// time and memory per input); a stamp that succeeds is a PDF qpdf reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "drawing/gfx_status.h"
#include "drawing/text/font_config.h"
#include "stamp/pdf_stamp.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  korvane::StartGraphics();
  std::atexit([] {
    korvane::StopGraphics();
    korvane::ReleaseFontConfiguration();
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  // A ring alone: the document is what is under test, not the seal.
  static const SealDocument seal = [] {
    SealDocument doc = CreateSealDocument();
    doc.Width = doc.Height = 100;
    doc.Frame.Item[0].Type = kFrameCircle;
    doc.Frame.Item[0].Width = doc.Frame.Item[0].Height = 90;
    doc.Frame.Item[0].LineWidth = 4;
    doc.Frame.Item[0].LineColor = 0x2222D2;
    return doc;
  }();
  const std::string pdf(reinterpret_cast<const char*>(data), size);
  StampOptions options;
  options.allPages = size % 2 == 0;
  options.crossPage = size % 3 == 0 && !options.allPages;
  std::string out;
  const StampResult result = StampPdf(pdf, seal, options, &out);
  if ((result.failure == StampFailure::None) != !out.empty()) __builtin_trap();
  return 0;
}
