// korvane-render: renders a seal to a PNG, or converts templates, from the
// command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "document/seal_document.h"
#include "document/template_format.h"
#include "drawing/encoders.h"
#include "drawing/memory_stream.h"
#include "render/seal_renderer.h"

namespace {

const char kUsage[] =
    "usage: korvane-render [-t TEMPLATE] [-o OUT.png] [--write-template OUT.qsx_tzl]\n"
    "\n"
    "Renders a seal and writes it as a PNG with alpha. The seal is the start-up\n"
    "seal, or a template file loaded over it.\n"
    "\n"
    "  -t TEMPLATE                 load this template (.qsx_tzl) first\n"
    "  -o OUT.png                  write the picture here (default: seal.png,\n"
    "                              unless only --write-template is asked for)\n"
    "  --write-template OUT        write the seal as a template file\n"
    "  -h, --help                  show this text\n";

int usageError(const std::string& message) {
  std::fprintf(stderr, "korvane-render: %s\n%s", message.c_str(), kUsage);
  return 2;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "korvane-render: %s\n", message.c_str());
  return 1;
}

std::string reason(int err, const char* otherwise) { return err ? std::strerror(err) : otherwise; }

struct GraphicsSession {
  GraphicsSession() { korvane::StartGraphics(); }
  ~GraphicsSession() { korvane::StopGraphics(); }
};

}  // namespace

int main(int argc, char** argv) {
  std::string output, templateIn, templateOut;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "-o" || arg == "-t" || arg == "--write-template") {
      if (i + 1 >= argc) return usageError(arg + " needs a file name");
      std::string& target = arg == "-o" ? output : arg == "-t" ? templateIn : templateOut;
      target = argv[++i];
    } else {
      return usageError("unknown argument '" + arg + "'");
    }
  }
  if (output.empty() && templateOut.empty()) output = "seal.png";

  korvane::SealDocument doc = korvane::StartupSealDocument();
  if (!templateIn.empty()) {
    korvane::ByteArray bytes;
    errno = 0;
    if (!korvane::ReadFileBytes(templateIn, &bytes, size_t(16) << 20))
      return failure("cannot read '" + templateIn + "': " + reason(errno, "not a regular file of at most 16 MiB"));
    if (!korvane::ReadTemplateBytes(doc, std::string(bytes.begin(), bytes.end())))
      return failure("cannot load '" + templateIn + "': not a template (the file is not JSON)");
  }

  if (!templateOut.empty()) {
    errno = 0;
    if (!korvane::WriteTemplate(doc, templateOut))
      return failure("cannot write '" + templateOut + "': " + reason(errno, "write failed"));
  }

  if (output.empty()) return 0;
  GraphicsSession graphics;
  korvane::SealRenderer renderer;
  if (!renderer.RenderSeal(doc))
    return failure("cannot render a " + std::to_string(doc.Width) + " x " + std::to_string(doc.Height) +
                   " seal (each side must be 1 to " + std::to_string(korvane::kMaxBitmapSide) + " pixels)");
  std::string format = korvane::kImageFormatPNG;
  errno = 0;
  if (!renderer.SealBitmap().SaveToFile(output, format))
    return failure("cannot write '" + output + "': " + reason(errno, "encoding failed"));
  return 0;
}
