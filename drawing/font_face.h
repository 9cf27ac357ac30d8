// A font face and its caches, and families of faces: the drawing layer's
// own view of FreeType, below the public font classes.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "drawing/freetype_library.h"
#include "drawing/gfx_font.h"
#include "drawing/memory_stream.h"
#include "drawing/path_data.h"

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
  // A file whose style is read from the face itself.
  FontFace(std::string path, int index) : m_path(std::move(path)), m_index(index), m_styleFromFace(true) {}
  FontFace(ByteArray bytes, int index) : m_bytes(std::move(bytes)), m_index(index), m_styleFromFace(true) {}
  // FreeType wants its lock around face creation and destruction; the last
  // reference to a face may drop on any thread.
  ~FontFace() {
    if (!m_face) return;
    std::lock_guard lock(FreeTypeMutex());
    FT_Done_Face(m_face);
  }
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  // Loads the face; false when the file or bytes are not a usable font.
  bool load() {
    if (m_face) return true;
    if (m_failed || !SharedFreeType()) return false;
    FT_Error err = m_path.empty()
                       ? FT_New_Memory_Face(SharedFreeType(), m_bytes.data(), FT_Long(m_bytes.size()), m_index, &m_face)
                       : openFileFace();
    if (err || !m_face || !FT_IS_SCALABLE(m_face) || m_face->units_per_EM == 0) {
      if (m_face) FT_Done_Face(m_face);
      m_face = nullptr;
      m_failed = true;
      return false;
    }
    FT_Select_Charmap(m_face, FT_ENCODING_UNICODE);
    m_upem = m_face->units_per_EM;
    // GDI+'s cell ascent and descent are the Windows metrics of OS/2.
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && (os2->usWinAscent || os2->usWinDescent)) {
      m_ascent = os2->usWinAscent;
      m_descent = os2->usWinDescent;
    } else {
      m_ascent = m_face->ascender;
      m_descent = -m_face->descender;
    }
    m_underlinePosition = m_face->underline_position;
    m_underlineThickness = m_face->underline_thickness > 0 ? m_face->underline_thickness : m_upem / 20;
    if (m_styleFromFace) {
      m_bold = (m_face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
      m_italic = (m_face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    }
    if (m_face->family_name) m_family = m_face->family_name;
    return true;
  }

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
  int advance(unsigned glyph) {
    auto it = m_advances.find(glyph);
    if (it != m_advances.end()) return it->second;
    int adv = 0;
    if (FT_Load_Glyph(m_face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0) adv = int(m_face->glyph->advance.x);
    m_advances.emplace(glyph, adv);
    return adv;
  }

  const std::vector<PathSegment>& outline(unsigned glyph, bool synthBold) {
    const uint64_t key = (uint64_t(glyph) << 1) | (synthBold ? 1 : 0);
    auto it = m_outlines.find(key);
    if (it != m_outlines.end()) return it->second;
    std::vector<PathSegment>& segs = m_outlines[key];
    if (FT_Load_Glyph(m_face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0 ||
        m_face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
      return segs;
    FT_Outline* outline = &m_face->glyph->outline;
    if (synthBold) FT_Outline_EmboldenXY(outline, m_upem / kBoldDivisor, m_upem / kBoldDivisor);
    decompose(outline, segs);
    return segs;
  }

 private:
  // Files are read on demand through a descriptor of our own (not mapped:
  // a font file rewritten in place must not be able to fault the program).
  FT_Error openFileFace() {
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FT_Err_Cannot_Open_Resource;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
      ::close(fd);
      return FT_Err_Cannot_Open_Resource;
    }
    m_stream = std::make_unique<FT_StreamRec>();
    *m_stream = FT_StreamRec{};
    m_stream->size = static_cast<unsigned long>(st.st_size);
    m_stream->descriptor.value = fd;
    m_stream->read = [](FT_Stream stream, unsigned long offset, unsigned char* buffer,
                        unsigned long count) -> unsigned long {
      if (count == 0) return offset <= stream->size ? 0 : 1;  // a seek: 0 is success
      const ssize_t n = ::pread(int(stream->descriptor.value), buffer, count, off_t(offset));
      return n > 0 ? static_cast<unsigned long>(n) : 0;
    };
    m_stream->close = [](FT_Stream stream) { ::close(int(stream->descriptor.value)); };
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = m_stream.get();
    const FT_Error err = FT_Open_Face(SharedFreeType(), &args, m_index, &m_face);
    if (err) {
      // FreeType closes the stream itself when the open fails.
      m_face = nullptr;
    }
    return err;
  }

  struct Sink {
    std::vector<PathSegment>* segs;
    double x = 0, y = 0;
    bool open = false;
  };

  static void decompose(FT_Outline* outline, std::vector<PathSegment>& segs) {
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) -> int {
      auto* s = static_cast<Sink*>(user);
      if (s->open) s->segs->push_back({PathSegment::Close});
      s->segs->push_back({PathSegment::Move, double(to->x), double(to->y)});
      s->x = to->x, s->y = to->y, s->open = true;
      return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* user) -> int {
      auto* s = static_cast<Sink*>(user);
      s->segs->push_back({PathSegment::Line, double(to->x), double(to->y)});
      s->x = to->x, s->y = to->y;
      return 0;
    };
    funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* user) -> int {
      auto* s = static_cast<Sink*>(user);
      // A quadratic segment as the equivalent cubic.
      const double c1x = s->x + 2.0 / 3.0 * (c->x - s->x), c1y = s->y + 2.0 / 3.0 * (c->y - s->y);
      const double c2x = to->x + 2.0 / 3.0 * (c->x - to->x), c2y = to->y + 2.0 / 3.0 * (c->y - to->y);
      s->segs->push_back({PathSegment::Curve, c1x, c1y, c2x, c2y, double(to->x), double(to->y)});
      s->x = to->x, s->y = to->y;
      return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) -> int {
      auto* s = static_cast<Sink*>(user);
      s->segs->push_back({PathSegment::Curve, double(c1->x), double(c1->y), double(c2->x), double(c2->y),
                          double(to->x), double(to->y)});
      s->x = to->x, s->y = to->y;
      return 0;
    };
    Sink sink{&segs};
    FT_Outline_Decompose(outline, &funcs, &sink);
    if (sink.open) segs.push_back({PathSegment::Close});
  }

  std::string m_path;
  ByteArray m_bytes;
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
