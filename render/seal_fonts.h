// Fonts of the text items. "图章专用字体" names the seal font shipped in the
// program's folder (字体/图章专用字体.ttf), loaded on first use and kept for
// the run; any other face name is an installed family, looked up exactly.
#pragma once

#include <string>

#include "document/seal_document.h"
#include "drawing/gfx/gfx_font.h"

namespace korvane {

// Bold 1, italic 2, underline 4.
int32_t SealFontStyle(const SealTextFont& face);

// Fills `font` (em size FontSize pixels) or leaves it empty when no font can
// be made. Returns whether the private seal family was chosen.
bool SelectSealFont(const SealTextFont& face, int32_t fontSize, GfxFont& font);

// The private seal family (a copy: another thread may replace the loaded
// one); empty until the file has loaded.
GfxFontFamily PrivateSealFamily();

// The file the private family is read from: the program's own folder,
// never the working directory.
std::string PrivateSealFontPath();

// For tests: reads the private font from another file while it lives
// (forgetting a family already loaded, before and after), and restores the
// previous path when it goes.
class ScopedPrivateSealFontPath {
 public:
  explicit ScopedPrivateSealFontPath(const std::string& path);
  ~ScopedPrivateSealFontPath();
  ScopedPrivateSealFontPath(const ScopedPrivateSealFontPath&) = delete;
  ScopedPrivateSealFontPath& operator=(const ScopedPrivateSealFontPath&) = delete;

 private:
  std::string m_previous;
};

// How many times loading the private file was attempted in this process.
int PrivateSealFontLoadAttempts();

}  // namespace korvane
