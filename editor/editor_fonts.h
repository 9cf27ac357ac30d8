// The font of the accordion's pages and items, and of the window's other
// captions: "微软雅黑" where it is installed, else a CJK sans-serif.
#pragma once

#include <QFont>

namespace korvane {

QFont AccordionFont();
// A family that shows Chinese captions: Fontconfig's choice of sans-serif
// for Simplified Chinese.
QString ChineseUiFamily();

}  // namespace korvane
