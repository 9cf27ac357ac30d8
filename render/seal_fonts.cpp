#include "render/seal_fonts.h"

#include "base/app_paths.h"

namespace korvane {

namespace {
constexpr size_t kMaxInstalledNames = 256;
}  // namespace

int32_t SealFontStyle(const SealTextFont& face) {
  return (face.Bold ? FontStyleBold : 0) | (face.Italic ? FontStyleItalic : 0) |
         (face.Underline ? FontStyleUnderline : 0);
}

std::string PrivateSealFontPath() { return ProgramDataPath("字体/图章专用字体.ttf"); }

SealFonts::SealFonts(std::string privatePath) : m_path(std::move(privatePath)) {}

SealFonts& SealFonts::Shared() {
  static SealFonts fonts;
  return fonts;
}

bool SealFonts::Select(const SealTextFont& face, int32_t fontSize, GfxFont& font) {
  const int32_t style = SealFontStyle(face);
  const float emSize = float(fontSize);
  if (face.FaceName != kPrivateSealFaceName) {
    const GfxFontFamily family = installedFamily(face.FaceName);
    if (family.GetNative()) font.Create(family, emSize, style, 2 /* pixels */);
    return false;
  }
  GfxFontFamily family;
  {
    std::lock_guard lock(m_mutex);
    if (!m_family.GetNative()) {
      // On any failure the family stays empty and the next request tries
      // again. Read whole, once: glyphs come from memory, so the file may be
      // rewritten or removed while the program runs without a glyph going
      // missing.
      ++m_attempts;
      m_fonts.Delete();
      std::vector<GfxFontFamily> families;
      // Whatever family the file holds is the seal font; its name is not checked.
      if (m_fonts.Create() && m_fonts.AddFontFile(m_path) && m_fonts.GetFamilyList(1, families) == 1)
        m_family = families[0];
    }
    family = m_family;
  }
  if (family.GetNative()) font.Create(family, emSize, style, 2);
  return true;
}

GfxFontFamily SealFonts::installedFamily(const std::string& name) {
  {
    std::lock_guard lock(m_mutex);
    auto it = m_installed.find(name);
    if (it != m_installed.end()) return it->second;
  }
  // Fontconfig is asked outside this lock: another name's lookup need not wait.
  GfxFontFamily family;
  family.CreateFromName(name);
  std::map<std::string, GfxFontFamily> dropped;  // released after the lock: faces take FreeType's
  std::lock_guard lock(m_mutex);
  if (m_installed.size() >= kMaxInstalledNames) dropped.swap(m_installed);
  m_installed.emplace(name, family);
  return family;
}

GfxFontFamily SealFonts::PrivateFamily() {
  std::lock_guard lock(m_mutex);
  return m_family;
}

int SealFonts::LoadAttempts() {
  std::lock_guard lock(m_mutex);
  return m_attempts;
}

}  // namespace korvane
