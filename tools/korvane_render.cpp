// korvane-render: renders a seal to PNG, SVG or PDF, at its pixel size or
// a physical one, converts templates, and renders many seals from one
// design. All the work for the single outputs is done before anything is
// written, and they are written last, together: exit 1 means none of them
// was written.
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "base/app_paths.h"
#include "base/file_io.h"
#include "document/presets.h"
#include "document/seal_document.h"
#include "document/template_format.h"
#include "document/text_encoding.h"
#include "document/template_store.h"
#include "document/text_number.h"
#include "render/seal_fonts.h"
#include "drawing/text/font_config.h"
#include "drawing/gfx_status.h"
#include "render/seal_output.h"
#include "tools/batch.h"
#include "tools/command_line.h"

namespace {

using namespace korvane;

const char kUsage[] =
    "usage: korvane-render [-t TEMPLATE] [-o OUT.png] [--svg OUT.svg] [--pdf OUT.pdf]\n"
    "                      [--size-mm MM] [--dpi N] [--crop [MM]] [--text N=WORDS]...\n"
    "                      [--preset NAME] [--batch ROWS.csv] [--write-template OUT.qsx_tzl]\n"
    "       korvane-render --list-presets | --print-paths | --version\n"
    "\n"
    "Renders a seal: the start-up seal, or a template file loaded over it.\n"
    "\n"
    "  -t TEMPLATE            load this template (.qsx_tzl) first\n"
    "  -o OUT.png             write a PNG with alpha ('-': standard output); the\n"
    "                         default is seal.png when no other output is asked for\n"
    "  --svg OUT.svg          write true vector SVG (text as outlines)\n"
    "  --pdf OUT.pdf          write a one-page vector PDF\n"
    "  --size-mm MM           make the seal MM millimetres across, measured over the\n"
    "                         outer edge of its largest frame (vector pages get that\n"
    "                         size; a PNG is drawn that large at --dpi, or 96 dpi)\n"
    "  --dpi N                the PNG's resolution, 72 to 2400, written into it\n"
    "                         (a template with a size of its own: 300 dpi)\n"
    "  --crop [MM]            trim the output to the seal's outer edge plus MM\n"
    "                         millimetres on every side (0 when not given)\n"
    "  --preset NAME          start from a shipped design instead of a template\n"
    "  --list-presets         list the shipped designs with their sizes\n"
    "  --print-paths          show where templates, presets and the seal font are\n"
    "  --version              show the version\n"
    "  --text N=WORDS         the words of text item N (1 to 4) for this render\n"
    "  --batch ROWS.csv       one seal per row: a header row with an \"output\" column\n"
    "                         (its extension picks PNG, SVG or PDF) and any of text1\n"
    "                         to text4 (an empty cell keeps the design's words)\n"
    "  --write-template OUT   write the seal as a template file\n"
    "  -h, --help             show this text\n";

int usageError(const std::string& message) { return CommandUsageError("korvane-render", kUsage, message); }

int failure(const std::string& message) { return CommandFailure("korvane-render", message); }

// A full disk or a closed pipe on standard output is a failure too.
int finishStdout(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    const int err = errno;
    std::fprintf(stderr, "korvane-render: cannot write to standard output: %s\n", ErrnoReason(err, "write failed").c_str());
    return status == 0 ? 1 : status;
  }
  return status;
}

struct Options {
  std::string templateIn, png, svg, pdf, templateOut, batch, preset;
  bool pngGiven = false;
  PrintOptions print;
  std::vector<std::pair<int, std::string>> texts;
};

int run(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (int status = 0; AnswerHelpOrVersion(arg, "korvane-render", kUsage, &status)) return status;
    if (arg == "--print-paths") {
      std::printf("templates\t%s\npresets\t%s\nseal font\t%s\n", DefaultTemplateFolder().c_str(),
                  PresetFolder().c_str(), PrivateSealFontPath().c_str());
      return 0;
    }
    if (arg == "--list-presets") {
      for (const std::string& name : ListPresets()) {
        SealDocument preset = StartupSealDocument();
        LoadPreset(preset, name);
        std::printf("%s\t%s mm\n", name.c_str(), MillimetresText(preset.SizeMM).c_str());
      }
      return 0;
    }
    if (arg == "--crop") {
      // The margin is optional: a number after it is the margin.
      o.print.cropMm = 0;
      double margin = 0;
      if (i + 1 < argc && ReadCommandNumber(argv[i + 1], &margin)) {
        if (margin < 0 || margin > 1000) return usageError("--crop takes a margin of 0 to 1000 mm, not '" + std::string(argv[i + 1]) + "'");
        o.print.cropMm = margin;
        ++i;
      }
      continue;
    }
    const bool takesValue = arg == "-o" || arg == "-t" || arg == "--write-template" || arg == "--svg" ||
                            arg == "--pdf" || arg == "--size-mm" || arg == "--dpi" || arg == "--text" ||
                            arg == "--batch" || arg == "--preset";
    if (!takesValue) return usageError("unknown argument '" + arg + "'");
    if (i + 1 >= argc) return usageError(arg + " needs a value");
    const std::string value = argv[++i];
    if (value.empty()) return usageError(arg + " needs a value, not an empty one");
    if (arg == "--size-mm") {
      if (!ReadCommandNumber(value, &o.print.sizeMm) || o.print.sizeMm <= 0 || o.print.sizeMm > 10000)
        return usageError("--size-mm takes millimetres above 0 (at most 10000), not '" + value + "'");
    } else if (arg == "--dpi") {
      if (!ReadCommandNumber(value, &o.print.dpi) || o.print.dpi < kMinDpi || o.print.dpi > kMaxDpi)
        return usageError("--dpi takes a resolution from 72 to 2400, not '" + value + "'");
    } else if (arg == "--text") {
      if (!ReadTextArgument(value, &o.texts.emplace_back()))
        return usageError("--text takes N=WORDS with N from 1 to 4, not '" + value + "'");
    } else {
      std::string& target = arg == "-o"                 ? o.png
                            : arg == "-t"               ? o.templateIn
                            : arg == "--svg"            ? o.svg
                            : arg == "--pdf"            ? o.pdf
                            : arg == "--batch"          ? o.batch
                            : arg == "--preset"         ? o.preset
                                                        : o.templateOut;
      target = value;
      if (arg == "-o") o.pngGiven = true;
    }
  }
  if (!o.pngGiven && o.svg.empty() && o.pdf.empty() && o.templateOut.empty() && o.batch.empty()) o.png = "seal.png";

  // One file is one output, and never an input: compared as files, so that
  // "a.png", "./a.png" and a link to it are one. Standard output takes one
  // output at most.
  {
    std::map<std::string, std::string> files;
    const std::pair<const char*, const std::string*> named[] = {
        {"-t", &o.templateIn}, {"--batch", &o.batch}, {"-o", &o.png},
        {"--svg", &o.svg},     {"--pdf", &o.pdf},     {"--write-template", &o.templateOut}};
    for (const auto& [option, path] : named) {
      if (path->empty()) continue;
      const auto [it, added] = files.emplace(FileIdentity(*path), option);
      if (added) continue;
      if (*path == "-") return usageError(it->second + " and " + option + " both write to standard output");
      return usageError(std::string(option) + " names the same file as " + it->second + ": '" + *path + "'");
    }
  }

  if (!o.preset.empty() && !o.templateIn.empty()) return usageError("-t and --preset both name the design: give one");
  SealDocument doc = StartupSealDocument();
  if (!o.preset.empty() && !LoadPreset(doc, o.preset))
    return failure("no preset named '" + o.preset + "' (korvane-render --list-presets lists them)");
  std::string reason;
  if (!o.templateIn.empty() && !LoadTemplateArgument(o.templateIn, doc, &reason)) return failure(reason);
  for (const auto& [item, words] : o.texts) doc.Text[size_t(item)].szText = words;

  std::vector<BatchRow> rows;
  if (!o.batch.empty()) {
    ByteArray csv;
    errno = 0;
    if (!ReadFileBytes(o.batch, &csv, size_t(64) << 20))
      return failure("cannot read '" + o.batch + "': " + ErrnoReason(errno, "not a regular file of at most 64 MiB"));
    std::string error;
    if (!ReadBatchRows(std::string(csv.begin(), csv.end()), &rows, &error))
      return failure("cannot read '" + o.batch + "': " + error);
  }

  GraphicsSession graphics;
  RenderCaches caches;  // the run's pictures, decoded once for every output and row
  // Every single output is made first; nothing is written if one fails.
  AtomicFileSet files;
  struct Wanted {
    const std::string& path;
    OutputKind kind;
  };
  for (const Wanted& w : {Wanted{o.png, OutputKind::Png}, Wanted{o.svg, OutputKind::Svg}, Wanted{o.pdf, OutputKind::Pdf}}) {
    if (w.path.empty()) continue;
    std::string bytes, error;
    if (!EncodeSeal(doc, w.kind, o.print, &bytes, &error, &caches)) return failure(error);
    errno = 0;
    if (!files.Stage(w.path, bytes)) return failure("cannot write '" + w.path + "': " + ErrnoReason(errno, "write failed"));
  }
  if (!o.templateOut.empty()) {
    const std::optional<std::string> bytes = Utf8ToGb18030(TemplateText(doc));
    if (!bytes) return failure("cannot write '" + o.templateOut + "': the GB18030 converter is not available");
    errno = 0;
    if (!files.Stage(o.templateOut, *bytes))
      return failure("cannot write '" + o.templateOut + "': " + ErrnoReason(errno, "write failed"));
  }
  errno = 0;
  if (!files.Commit()) return failure("cannot write the output: " + ErrnoReason(errno, "write failed"));

  if (rows.empty()) return 0;
  const bool showProgress = ::isatty(STDERR_FILENO);
  // What the run reads and what it has just written: no row may replace them.
  std::vector<std::string> inputs{o.batch};
  for (const std::string* path : {&o.templateIn, &o.png, &o.svg, &o.pdf, &o.templateOut})
    if (!path->empty() && *path != "-") inputs.push_back(*path);
  for (const SealFigure& figure : doc.Shape)
    if (figure.Type == kFigurePicture && !figure.szFile.empty()) inputs.push_back(figure.szFile);
  const auto failures = RunBatch(
      doc, rows, o.print, std::max(1u, std::thread::hardware_concurrency()),
      [showProgress](size_t done, size_t total) {
        if (showProgress) std::fprintf(stderr, "\r%zu / %zu seals", done, total);
      },
      inputs, &caches);
  if (showProgress) std::fputc('\n', stderr);
  for (const BatchFailure& f : failures)
    std::fprintf(stderr, "korvane-render: row %zu of '%s': %s\n", f.row, o.batch.c_str(), f.message.c_str());
  return failures.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  IgnoreWriteSignals();
  const int status = finishStdout(run(argc, argv));
  ReleaseFontConfiguration();
  return status;
}
