// Fonts of the text items. "图章专用字体" names the seal font shipped in the
// program's folder (字体/图章专用字体.ttf), loaded on first use and kept for
// the owner's lifetime; any other face name is an installed family, looked
// up exactly and remembered.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "document/seal_document.h"
#include "drawing/gfx/gfx_font.h"

namespace korvane {

// Bold 1, italic 2, underline 4.
int32_t SealFontStyle(const SealTextFont& face);

// The file the private family is read from: the program's own folder,
// never the working directory.
std::string PrivateSealFontPath();

// The fonts renders draw with, shared by every thread that renders with
// them. One object serves the whole program (Shared()); a test makes its own
// to read the seal font from another file.
class SealFonts {
 public:
  explicit SealFonts(std::string privatePath = PrivateSealFontPath());
  SealFonts(const SealFonts&) = delete;
  SealFonts& operator=(const SealFonts&) = delete;

  static SealFonts& Shared();

  // Fills `font` (em size FontSize pixels) or leaves it empty when no font
  // can be made. Returns whether the private seal family was chosen.
  bool Select(const SealTextFont& face, int32_t fontSize, GfxFont& font);

  // The private seal family (empty until the file has loaded).
  GfxFontFamily PrivateFamily();
  // How many times loading the private file was attempted.
  int LoadAttempts();

 private:
  GfxFontFamily installedFamily(const std::string& name);

  std::mutex m_mutex;
  const std::string m_path;
  GfxPrivateFontCollection m_fonts;
  GfxFontFamily m_family;
  int m_attempts = 0;
  // Names come from templates too: kept to a bound, not-installed ones too.
  std::map<std::string, GfxFontFamily> m_installed;
};

}  // namespace korvane
