#include "render/seal_fonts.h"

#include <mutex>

#include "base/file_io.h"

namespace korvane {

namespace {

struct PrivateFontState {
  std::mutex mutex;
  GfxFontFamily family;            // PrivateSealFamily
  GfxPrivateFontCollection fonts;  // PrivateSealFonts
  std::string pathOverride;
  int attempts = 0;
};

PrivateFontState& state() {
  static PrivateFontState s;
  return s;
}

// Loads the private file; on any failure the family stays empty and the
// next request tries again.
void loadPrivateFamily(PrivateFontState& s) {
  ++s.attempts;
  s.fonts.Delete();
  if (!s.fonts.Create()) return;
  const std::string path = s.pathOverride.empty() ? PrivateSealFontPath() : s.pathOverride;
  // Read whole, once: glyphs come from memory, so the file may be rewritten
  // or removed while the program runs without a glyph going missing.
  s.fonts.AddFontFile(path);
  std::vector<GfxFontFamily> families;
  // Whatever family the file holds is the seal font; its name is not checked.
  if (s.fonts.GetFamilyList(1, families) == 1) s.family = families[0];
}

}  // namespace

int32_t SealFontStyle(const SealTextFont& face) {
  return (face.Bold ? FontStyleBold : 0) | (face.Italic ? FontStyleItalic : 0) |
         (face.Underline ? FontStyleUnderline : 0);
}

std::string PrivateSealFontPath() { return ProgramFolder() + "/字体/图章专用字体.ttf"; }

bool SelectSealFont(const SealTextFont& face, int32_t fontSize, GfxFont& font) {
  const int32_t style = SealFontStyle(face);
  const float emSize = float(fontSize);
  if (face.FaceName != kPrivateSealFaceName) {
    font.CreateByName(face.FaceName, emSize, style, 2 /* pixels */);
    return false;
  }
  PrivateFontState& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.family.GetNative()) loadPrivateFamily(s);
  if (s.family.GetNative()) font.Create(s.family, emSize, style, 2);
  return true;
}

GfxFontFamily PrivateSealFamily() {
  PrivateFontState& s = state();
  std::lock_guard lock(s.mutex);
  return s.family;
}

namespace {

std::string swapPathOverride(const std::string& path) {
  PrivateFontState& s = state();
  std::lock_guard lock(s.mutex);
  std::string previous = std::move(s.pathOverride);
  s.pathOverride = path;
  s.family.Delete();
  s.fonts.Delete();
  return previous;
}

}  // namespace

ScopedPrivateSealFontPath::ScopedPrivateSealFontPath(const std::string& path) : m_previous(swapPathOverride(path)) {}
ScopedPrivateSealFontPath::~ScopedPrivateSealFontPath() { swapPathOverride(m_previous); }

int PrivateSealFontLoadAttempts() {
  PrivateFontState& s = state();
  std::lock_guard lock(s.mutex);
  return s.attempts;
}

}  // namespace korvane
