// korvane-render: renders a seal to a PNG, or converts templates, from the
// command line. All the work is done before anything is written, and every
// output is written last, together: exit 1 means nothing was written.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/file_io.h"
#include "document/seal_document.h"
#include "document/template_format.h"
#include "document/text_encoding.h"
#include "drawing/encoders.h"
#include "render/seal_renderer.h"

namespace {

const char kUsage[] =
    "usage: korvane-render [-t TEMPLATE] [-o OUT.png] [--write-template OUT.qsx_tzl]\n"
    "\n"
    "Renders a seal and writes it as a PNG with alpha. The seal is the start-up\n"
    "seal, or a template file loaded over it.\n"
    "\n"
    "  -t TEMPLATE                 load this template (.qsx_tzl) first\n"
    "  -o OUT.png                  write the picture here, or to standard output\n"
    "                              for '-' (default: seal.png, unless only\n"
    "                              --write-template is asked for)\n"
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

// A full disk or a closed pipe on standard output is a failure too.
int finishStdout(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    const int err = errno;
    std::fprintf(stderr, "korvane-render: cannot write to standard output: %s\n", reason(err, "write failed").c_str());
    return status == 0 ? 1 : status;
  }
  return status;
}

struct GraphicsSession {
  GraphicsSession() { korvane::StartGraphics(); }
  ~GraphicsSession() { korvane::StopGraphics(); }
};

int run(int argc, char** argv) {
  std::string output, templateIn, templateOut;
  bool outputGiven = false;
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
      if (target.empty()) return usageError(arg + " needs a file name, not an empty one");
      if (arg == "-o") outputGiven = true;
    } else {
      return usageError("unknown argument '" + arg + "'");
    }
  }
  if (!outputGiven && templateOut.empty()) output = "seal.png";

  korvane::SealDocument doc = korvane::StartupSealDocument();
  if (!templateIn.empty()) {
    korvane::ByteArray bytes;
    errno = 0;
    if (!korvane::ReadFileBytes(templateIn, &bytes, korvane::kMaxTemplateBytes))
      return failure("cannot read '" + templateIn + "': " + reason(errno, "not a regular file of at most 16 MiB"));
    if (!korvane::ReadTemplateBytes(doc, std::string(bytes.begin(), bytes.end())))
      return failure("cannot load '" + templateIn + "': not a template (the file is not JSON)");
  }

  std::string png;
  if (!output.empty()) {
    GraphicsSession graphics;
    korvane::SealRenderer renderer;
    if (!renderer.RenderSeal(doc))
      return failure("cannot render a " + std::to_string(doc.Width) + " x " + std::to_string(doc.Height) +
                     " seal (each side must be 1 to " + std::to_string(korvane::kMaxBitmapSide) + " pixels)");
    std::string format = korvane::kImageFormatPNG;
    const korvane::ByteArray bytes = renderer.SealBitmap().SaveToBytes(format);
    if (bytes.empty()) return failure("cannot encode the seal as PNG");
    png.assign(bytes.begin(), bytes.end());
  }

  korvane::AtomicFileSet files;
  if (!templateOut.empty()) {
    errno = 0;
    if (!files.Stage(templateOut, korvane::Utf8ToGb18030(korvane::TemplateText(doc))))
      return failure("cannot write '" + templateOut + "': " + reason(errno, "write failed"));
  }
  if (!output.empty()) {
    errno = 0;
    if (!files.Stage(output, png))
      return failure("cannot write '" + output + "': " + reason(errno, "write failed"));
  }
  errno = 0;
  if (!files.Commit()) return failure("cannot write the output: " + reason(errno, "write failed"));
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return finishStdout(run(argc, argv)); }
