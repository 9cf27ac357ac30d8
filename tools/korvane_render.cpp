// korvane-render: renders a seal to a PNG from the command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "document/seal_document.h"
#include "drawing/encoders.h"
#include "render/seal_renderer.h"

namespace {

const char kUsage[] =
    "usage: korvane-render [-o OUT.png]\n"
    "\n"
    "Renders the start-up seal and writes it as a PNG with alpha.\n"
    "\n"
    "  -o OUT.png   where to write the picture (default: seal.png)\n"
    "  -h, --help   show this text\n";

int usageError(const char* message) {
  std::fprintf(stderr, "korvane-render: %s\n%s", message, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string output = "seal.png";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "-o") {
      if (i + 1 >= argc) return usageError("-o needs a file name");
      output = argv[++i];
    } else {
      return usageError(("unknown argument '" + arg + "'").c_str());
    }
  }

  korvane::StartGraphics();
  const korvane::SealDocument doc = korvane::StartupSealDocument();
  korvane::SealRenderer renderer;
  if (!renderer.RenderSeal(doc)) {
    std::fprintf(stderr, "korvane-render: cannot render a %d x %d seal\n", doc.Width, doc.Height);
    korvane::StopGraphics();
    return 1;
  }
  std::string format = korvane::kImageFormatPNG;
  errno = 0;
  const bool saved = renderer.SealBitmap().SaveToFile(output, format);
  const int err = errno;
  korvane::StopGraphics();
  if (!saved) {
    std::fprintf(stderr, "korvane-render: cannot write '%s': %s\n", output.c_str(),
                 err ? std::strerror(err) : "encoding failed");
    return 1;
  }
  return 0;
}
