// korvane-stamp: places a seal on the pages of a PDF document at its true
// size, as vector, its ink multiplied with the page. The output is written
// atomically and only when everything succeeded; IN and OUT may be one file.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/app_paths.h"
#include "base/file_io.h"
#include "document/presets.h"
#include "document/seal_document.h"
#include "document/template_format.h"
#include "drawing/gfx_status.h"
#include "drawing/text/font_config.h"
#include "stamp/pdf_stamp.h"
#include "tools/command_line.h"

namespace {

using namespace korvane;

const char kUsage[] =
    "usage: korvane-stamp IN.pdf -o OUT.pdf [-t SEAL.qsx_tzl | --preset NAME] [--text N=WORDS]...\n"
    "                     [--page N|last|all]... [--at X,Y] [--size-mm D] [--rotate DEG]\n"
    "                     [--cross-page [FIRST-LAST]] [--side right|left] [--opaque] [--force]\n"
    "       korvane-stamp --version\n"
    "\n"
    "Places a seal on pages of a PDF document at its true size, as vector.\n"
    "\n"
    "  -o OUT.pdf             the stamped document (may be IN itself)\n"
    "  -t SEAL                the seal's design, a template file (default: the\n"
    "                         start-up seal)\n"
    "  --preset NAME          a shipped design (korvane-render --list-presets)\n"
    "  --text N=WORDS         the words of text item N (1 to 4)\n"
    "  --page N|last|all      the pages to stamp, from 1 (default: the last page);\n"
    "                         may be given again, or as a list: 1,3,last\n"
    "  --at X,Y               the seal's centre, millimetres from the page's top-left\n"
    "                         corner as it is read (default: 20 mm from the right edge\n"
    "                         and 30 mm from the bottom, to the seal's edge)\n"
    "  --size-mm D            the seal's size across its outer edge (default: the\n"
    "                         design's own, else its pixels at 96 dpi)\n"
    "  --rotate DEG           turn the seal clockwise\n"
    "  --cross-page [F-L]     a seal across the edges of pages F to L (default: all):\n"
    "                         one slice at the edge of each page, at the same height\n"
    "                         (--at's Y, else the middle)\n"
    "  --side right|left      the edge the cross-page slices go to (default: right)\n"
    "  --opaque               draw the ink as it is (default: multiplied with the page,\n"
    "                         so that text under the seal stays readable)\n"
    "  --force                stamp a document that carries digital signatures\n"
    "                         (they will no longer verify)\n"
    "  -h, --help             show this text\n";

int usageError(const std::string& message) { return CommandUsageError("korvane-stamp", kUsage, message); }

int failure(const std::string& message) { return CommandFailure("korvane-stamp", message); }

bool readPage(const std::string& text, int* page) {
  if (text == "last") {
    *page = kLastPage;
    return true;
  }
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *page = std::atoi(text.c_str());
  return *page >= 1;
}

std::vector<std::string> split(const std::string& text, char by) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t at; (at = text.find(by, from)) != std::string::npos; from = at + 1) parts.push_back(text.substr(from, at - from));
  parts.push_back(text.substr(from));
  return parts;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int run(int argc, char** argv) {
  std::string in, out, templatePath, preset;
  std::vector<std::pair<int, std::string>> texts;
  StampOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (int status = 0; AnswerHelpOrVersion(arg, "korvane-stamp", kUsage, &status)) return status;
    if (arg == "--opaque" || arg == "--force") {
      (arg == "--opaque" ? options.opaque : options.force) = true;
      continue;
    }
    if (arg == "--cross-page") {
      options.crossPage = true;
      // The range is optional: FIRST-LAST after it is the range.
      if (i + 1 < argc) {
        const std::vector<std::string> ends = split(argv[i + 1], '-');
        int first = 0, last = 0;
        if (ends.size() == 2 && readPage(ends[0], &first) && readPage(ends[1], &last) && first != kLastPage) {
          options.crossFirst = first, options.crossLast = last == kLastPage ? 0 : last;
          if (last != kLastPage && last < first) return usageError("--cross-page takes FIRST-LAST with FIRST <= LAST");
          ++i;
        }
      }
      continue;
    }
    if (!arg.empty() && arg[0] != '-') {
      if (!in.empty()) return usageError("one input document only, not '" + in + "' and '" + arg + "'");
      in = arg;
      continue;
    }
    const bool takesValue = arg == "-o" || arg == "-t" || arg == "--preset" || arg == "--text" || arg == "--page" ||
                            arg == "--at" || arg == "--size-mm" || arg == "--rotate" || arg == "--side";
    if (!takesValue) return usageError("unknown argument '" + arg + "'");
    if (i + 1 >= argc) return usageError(arg + " needs a value");
    const std::string value = argv[++i];
    if (value.empty()) return usageError(arg + " needs a value, not an empty one");
    if (arg == "-o") {
      out = value;
    } else if (arg == "-t") {
      templatePath = value;
    } else if (arg == "--preset") {
      preset = value;
    } else if (arg == "--text") {
      if (!ReadTextArgument(value, &texts.emplace_back()))
        return usageError("--text takes N=WORDS with N from 1 to 4, not '" + value + "'");
    } else if (arg == "--page") {
      for (const std::string& part : split(value, ',')) {
        if (part == "all") {
          options.allPages = true;
          continue;
        }
        int page = 0;
        if (!readPage(part, &page)) return usageError("--page takes page numbers from 1, 'last' or 'all', not '" + part + "'");
        options.pages.push_back(page);
      }
    } else if (arg == "--at") {
      const std::vector<std::string> xy = split(value, ',');
      if (xy.size() != 2 || !ReadCommandNumber(xy[0], &options.xMm) || !ReadCommandNumber(xy[1], &options.yMm) ||
          std::abs(options.xMm) > 10000 || std::abs(options.yMm) > 10000)
        return usageError("--at takes X,Y in millimetres, not '" + value + "'");
      options.placed = true;
    } else if (arg == "--size-mm") {
      if (!ReadCommandNumber(value, &options.sizeMm) || !(options.sizeMm > 0) || options.sizeMm > 1000)
        return usageError("--size-mm takes millimetres above 0 (at most 1000), not '" + value + "'");
    } else if (arg == "--rotate") {
      if (!ReadCommandNumber(value, &options.rotateDeg) || std::abs(options.rotateDeg) > 3600)
        return usageError("--rotate takes degrees, not '" + value + "'");
    } else {
      if (value != "right" && value != "left") return usageError("--side takes right or left, not '" + value + "'");
      options.side = value == "left" ? StampSide::Left : StampSide::Right;
    }
  }
  if (in.empty()) return usageError("no input document");
  if (out.empty()) return usageError("no output document (-o OUT.pdf)");
  if (!preset.empty() && !templatePath.empty()) return usageError("-t and --preset both name the seal: give one");
  if (options.crossPage && (options.allPages || !options.pages.empty()))
    return usageError("--cross-page chooses its own pages: give no --page with it");

  SealDocument seal = StartupSealDocument();
  if (!preset.empty() && !LoadPreset(seal, preset))
    return failure("no preset named '" + preset + "' (korvane-render --list-presets lists them)");
  std::string reason;
  if (!templatePath.empty() && !LoadTemplateArgument(templatePath, seal, &reason)) return failure(reason);
  for (const auto& [item, words] : texts) seal.Text[size_t(item)].szText = words;

  struct stat folder {};
  if (::stat(folderOf(out).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
    return failure("cannot write '" + out + "': its folder does not exist");

  ByteArray input;
  errno = 0;
  if (!ReadFileBytes(in, &input, kMaxPdfBytes))
    return failure("cannot read '" + in + "': " + (errno == EFBIG || errno == 0 ? "not a regular file of at most 512 MiB"
                                                                                 : std::strerror(errno)));

  GraphicsSession graphics;
  std::string stamped;
  const StampResult result = StampPdf(std::string(input.begin(), input.end()), seal, options, &stamped);
  switch (result.failure) {
    case StampFailure::None:
      break;
    case StampFailure::Usage:
      return usageError(result.message);
    default:
      return failure("cannot stamp '" + in + "': " + result.message);
  }
  errno = 0;
  if (!WriteFileAtomically(out, stamped, SpecialFiles::Refuse))
    return failure("cannot write '" + out + "': " + (errno ? std::strerror(errno) : "write failed"));
  if (result.signaturesBroken)
    std::fprintf(stderr, "korvane-stamp: stamped over digital signatures: they no longer verify\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int status = run(argc, argv);
  ReleaseFontConfiguration();
  return status;
}
