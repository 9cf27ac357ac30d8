// A font face and its caches, and families of faces: the drawing layer's
// own view of FreeType, below the public font classes.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "drawing/freetype_library.h"
#include "drawing/gfx_types.h"
#include "drawing/codecs/memory_stream.h"
#include "drawing/raster/path_data.h"

namespace korvane {

// Synthetic bold grows each stroke by em/32; synthetic italic slants by
// FreeType's own oblique factor.
inline constexpr int kBoldDivisor = 32;
inline constexpr double kObliqueShear = 0x0366A / 65536.0;

// One face of a family: loaded on first use, with its metrics and a cache of
// outlines in font units (y up). Every call but construction happens under
// FreeTypeMutex().
class FontFace {
 public:
  FontFace(std::string path, int index, bool bold, bool italic)
      : m_path(std::move(path)), m_index(index), m_bold(bold), m_italic(italic) {}
  // Bytes in memory, kept alive by `holder`, whose style is read from the
  // face itself.
  FontFace(std::shared_ptr<const void> holder, const uint8_t* data, size_t size, int index)
      : m_holder(std::move(holder)), m_data(data), m_size(size), m_index(index), m_styleFromFace(true) {}
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  // Loads the face; false when the file or bytes are not a usable font.
  bool load();

  bool bold() const { return m_bold; }
  bool italic() const { return m_italic; }
  int upem() const { return m_upem; }
  int ascent() const { return m_ascent; }
  int descent() const { return m_descent; }
  int underlinePosition() const { return m_underlinePosition; }
  int underlineThickness() const { return m_underlineThickness; }
  const std::string& familyName() const { return m_family; }

  // The face's glyph for a character (0, the missing glyph, when it has none).
  unsigned glyphIndex(char32_t cp) const { return FT_Get_Char_Index(m_face, cp); }

  // Caches are keyed by glyph index: characters the font lacks all share
  // glyph 0, so no text can grow them beyond the face's glyph count.
  // Advance in font units (0 for a glyph the face cannot load).
  int advance(unsigned glyph);

  const std::vector<PathSegment>& outline(unsigned glyph, bool synthBold);

 private:
  // An installed font file, read on demand.
  FT_Error openFileFace();

  static void decompose(FT_Outline* outline, std::vector<PathSegment>& segs);

  std::string m_path;
  std::shared_ptr<const void> m_holder;
  const uint8_t* m_data = nullptr;
  size_t m_size = 0;
  std::unique_ptr<FT_StreamRec> m_stream;  // declared before m_face: the face closes it
  int m_index = 0;
  bool m_bold = false, m_italic = false;
  bool m_styleFromFace = false;
  FT_Face m_face = nullptr;
  bool m_failed = false;
  int m_upem = 0, m_ascent = 0, m_descent = 0, m_underlinePosition = 0, m_underlineThickness = 0;
  std::string m_family;
  std::unordered_map<unsigned, int> m_advances;
  std::unordered_map<uint64_t, std::vector<PathSegment>> m_outlines;
};

struct FontFamilyData {
  std::string name;
  std::vector<std::shared_ptr<FontFace>> faces;

  struct Choice {
    FontFace* face = nullptr;
    bool synthBold = false;
    bool synthItalic = false;
  };

  // The closest face for a style; what it lacks is synthesised. Callers
  // hold FreeTypeMutex().
  Choice select(int32_t style) const {
    const bool wantBold = style & FontStyleBold, wantItalic = style & FontStyleItalic;
    Choice best;
    int bestScore = 1 << 30;
    for (const auto& f : faces) {
      if (!f->load()) continue;
      const int score = (f->bold() && !wantBold) * 4 + (f->italic() && !wantItalic) * 4 +
                        (!f->bold() && wantBold) + (!f->italic() && wantItalic);
      if (score < bestScore) {
        bestScore = score;
        best = {f.get(), wantBold && !f->bold(), wantItalic && !f->italic()};
      }
    }
    return best;
  }
};

// What a GfxFont holds.
struct FontData {
  std::shared_ptr<FontFamilyData> family;
  float emSize = 0;
  int32_t style = 0;
  int32_t unit = 0;
};

// The font's em size in pixels, whatever unit it was made in (no DPI: 96).
float FontEmPixels(const FontData& font);

}  // namespace korvane
