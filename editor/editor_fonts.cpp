#include "editor/editor_fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include "dialogs/qt_text.h"
#include "drawing/text/font_config.h"

namespace korvane {

QString ChineseUiFamily() {
  // A sans face by name first: for zh-cn Fontconfig's first choice can be
  // a Song print face, whose captions sit cramped in 12-pixel rows.
  static const QString family = ToQString(PreferredFamily(
      {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Zen Hei", "Droid Sans Fallback"},
      "sans-serif:lang=zh-cn"));
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
