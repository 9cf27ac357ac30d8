#include "drawing/text/font_face.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

// Where FT_Outline_Decompose writes: the segments and the pen position.
struct Sink {
  std::vector<PathSegment>* segs;
  double x = 0, y = 0;
  bool open = false;
};

}  // namespace

// FreeType wants its lock around face creation and destruction; the last
// reference to a face may drop on any thread.
FontFace::~FontFace() {
  if (!m_face) return;
  std::lock_guard lock(FreeTypeMutex());
  FT_Done_Face(m_face);
}

bool FontFace::load() {
  if (m_face) return true;
  if (m_failed || !SharedFreeType()) return false;
  FT_Error err = m_path.empty()
                     ? FT_New_Memory_Face(SharedFreeType(), m_data, FT_Long(m_size), m_index, &m_face)
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

int FontFace::advance(unsigned glyph) {
  auto it = m_advances.find(glyph);
  if (it != m_advances.end()) return it->second;
  int adv = 0;
  if (FT_Load_Glyph(m_face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0) adv = int(m_face->glyph->advance.x);
  m_advances.emplace(glyph, adv);
  return adv;
}

const std::vector<PathSegment>& FontFace::outline(unsigned glyph, bool synthBold) {
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

// Files are read on demand through a descriptor of our own (not mapped:
// a font file rewritten in place must not be able to fault the program).
FT_Error FontFace::openFileFace() {
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

void FontFace::decompose(FT_Outline* outline, std::vector<PathSegment>& segs) {
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

float FontEmPixels(const FontData& font) {
  switch (font.unit) {
    case 3: return font.emSize * 96.0f / 72.0f;  // points at 96 dpi
    case 4: return font.emSize * 96.0f;          // inches
    case 6: return font.emSize * 96.0f / 25.4f;  // millimetres
    default: return font.emSize;                 // world, display and pixel units are pixels here
  }
}

}  // namespace korvane
