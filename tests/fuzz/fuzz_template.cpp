// Any bytes as a template file: reading must never crash, and the seal it
// loads must write back and render without crashing or hanging.
#include <cstddef>
#include <cstdint>
#include <string>

#include <cstdlib>


#include "document/template_format.h"
#include "render/seal_renderer.h"
#include "drawing/text/font_config.h"

// Fontconfig's process-wide state is released at exit, so that leak
// checking reports only our own leaks.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit([] { korvane::ReleaseFontConfiguration(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::SealDocument doc = korvane::StartupSealDocument();
  korvane::ReadTemplateBytes(doc, std::string(reinterpret_cast<const char*>(data), size));
  const std::string text = korvane::TemplateText(doc);
  korvane::SealDocument again = korvane::StartupSealDocument();
  if (!korvane::ReadTemplateText(again, text) || korvane::TemplateText(again) != text) __builtin_trap();
  // Keep bitmaps small enough for the fuzzer's memory limit; large sizes
  // are covered by the renderer's own tests.
  if (doc.Width <= 1024 && doc.Height <= 1024) {
    for (korvane::SealFigure& f : doc.Shape) f.szFile.clear();
    korvane::SealRenderer renderer;
    renderer.RenderSeal(doc);
  }
  return 0;
}
