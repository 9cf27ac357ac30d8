// korvane: the seal editor.
//   korvane [TEMPLATE.qsx_tzl]
#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/app_paths.h"
#include "base/file_io.h"
#include "document/template_format.h"
#include "editor/editor_fonts.h"
#include "editor/main_window.h"
#include "editor/translations.h"

namespace {

const char kUsage[] =
    "usage: korvane [TEMPLATE.qsx_tzl]\n"
    "\n"
    "The seal editor. With a template file, the editor opens with that\n"
    "template loaded over the start-up seal.\n"
    "\n"
    "  -h, --help    show this text\n"
    "  --version     show the version\n"
    "\n"
    "To render seals without a display, use korvane-render.\n";

bool hasDisplay() {
  // A platform named explicitly (offscreen, for instance) needs no display.
  for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  korvane::IgnoreWriteSignals();
  std::string templatePath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    if (arg == "--version") {
      std::printf("korvane %s\n", korvane::KorvaneVersion());
      return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    if (!arg.empty() && arg[0] == '-' && arg != "-") {
      std::fprintf(stderr, "korvane: unknown option '%s'\n%s", arg.c_str(), kUsage);
      return 2;
    }
    if (!templatePath.empty()) {
      std::fprintf(stderr, "korvane: one template at most\n%s", kUsage);
      return 2;
    }
    templatePath = arg;
  }
  if (!hasDisplay()) {
    std::fputs("korvane: no display to open the editor on (DISPLAY is not set); korvane-render renders seals "
               "without one\n",
               stderr);
    return 1;
  }

  QApplication app(argc, argv);
  const auto translation = korvane::InstallQtChineseTranslation();
  QFont font = QApplication::font();
  const QString family = korvane::ChineseUiFamily();
  if (!family.isEmpty()) font.setFamilies({family});
  QApplication::setFont(font);

  std::string complaint;
  const korvane::BannerAddressList banners = korvane::BannerAddresses(&complaint);
  if (!complaint.empty()) std::fprintf(stderr, "korvane: %s\n", complaint.c_str());
  // Told before the window opens, so the line comes at once.
  bool readable = false;
  if (!templatePath.empty()) {
    errno = 0;
    korvane::ByteArray probe;
    readable = korvane::ReadFileBytes(templatePath, &probe, korvane::kMaxTemplateBytes);
    const int err = errno;
    if (!readable)
      std::fprintf(stderr, "korvane: cannot read '%s': %s; the start-up seal is shown\n", templatePath.c_str(),
                   err ? std::strerror(err) : "not a regular file of at most 16 MiB");
  }
  korvane::MainWindow window(banners);
  if (readable) {
    if (!window.LoadTemplateFile(templatePath))
      std::fprintf(stderr, "korvane: cannot load '%s': not a template (the file is not JSON); the start-up seal is "
                   "shown\n", templatePath.c_str());
  }
  window.show();
  const int status = app.exec();
  return status;
}
