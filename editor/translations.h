// Qt's own words (the file, font and colour dialogs' buttons and labels) in
// Simplified Chinese, as every other text of the program is.
#pragma once

#include <QTranslator>
#include <memory>

namespace korvane {

// Loads Qt's Simplified Chinese translation and installs it in the running
// application; the translation is removed when the returned object goes.
// Null when the translation is not installed (the dialogs stay in English).
std::unique_ptr<QTranslator> InstallQtChineseTranslation();

}  // namespace korvane
