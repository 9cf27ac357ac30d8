#include "editor/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace korvane {

std::unique_ptr<QTranslator> InstallQtChineseTranslation() {
  auto translator = std::make_unique<QTranslator>();
  // Debian's qt6-translations-l10n puts them where Qt looks for its own.
  if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return nullptr;
  if (!QCoreApplication::installTranslator(translator.get())) return nullptr;
  return translator;
}

}  // namespace korvane
