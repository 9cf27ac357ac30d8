#include "editor/editor_fonts.h"

#include <QFontDatabase>
#include <QStringList>
#include <fontconfig/fontconfig.h>

#include "drawing/native_handles.h"

namespace korvane {

QString ChineseUiFamily() {
  static const QString family = [] {
    FcPatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=zh-cn")));
    if (!pattern) return QString();
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result;
    FcPatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    FcChar8* name = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &name) != FcResultMatch) return QString();
    return QString::fromUtf8(reinterpret_cast<const char*>(name));
  }();
  return family;
}

QFont AccordionFont() {
  const QString preferred = QStringLiteral("微软雅黑");
  QFont font;
  const QString family = QFontDatabase::families().contains(preferred) ? preferred : ChineseUiFamily();
  if (!family.isEmpty()) font.setFamilies({family});
  return font;
}

}  // namespace korvane
