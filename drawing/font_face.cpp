#include "drawing/font_face.h"

namespace korvane {

float FontEmPixels(const FontData& font) {
  switch (font.unit) {
    case 3: return font.emSize * 96.0f / 72.0f;  // points at 96 dpi
    case 4: return font.emSize * 96.0f;          // inches
    case 6: return font.emSize * 96.0f / 25.4f;  // millimetres
    default: return font.emSize;                 // world, display and pixel units are pixels here
  }
}

}  // namespace korvane
