#include "drawing/freetype_library.h"

namespace korvane {

FT_Library SharedFreeType() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

std::mutex& FreeTypeMutex() {
  static std::mutex m;
  return m;
}

}  // namespace korvane
