#include "drawing/gfx_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <unordered_map>

#include "drawing/freetype_library.h"
#include "drawing/gfx_graphics.h"

namespace korvane {

namespace {

// Synthetic bold grows each stroke by em/32; synthetic italic slants by
// FreeType's own oblique factor.
constexpr int kBoldDivisor = 32;
constexpr double kObliqueShear = 0x0366A / 65536.0;

}  // namespace

// One face of a family: loaded on first use, with its metrics and a cache of
// outlines in font units (y up).
class FontFace {
 public:
  FontFace(std::string path, int index, bool bold, bool italic)
      : m_path(std::move(path)), m_index(index), m_bold(bold), m_italic(italic) {}
  // A file whose style is read from the face itself.
  FontFace(std::string path, int index) : m_path(std::move(path)), m_index(index), m_styleFromFace(true) {}
  FontFace(ByteArray bytes, int index) : m_bytes(std::move(bytes)), m_index(index), m_styleFromFace(true) {}
  ~FontFace() {
    if (m_face) FT_Done_Face(m_face);
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

  // Advance in font units (0 for a character the face cannot load).
  int advance(char32_t cp) {
    auto it = m_advances.find(cp);
    if (it != m_advances.end()) return it->second;
    int adv = 0;
    if (FT_Load_Glyph(m_face, FT_Get_Char_Index(m_face, cp), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0)
      adv = int(m_face->glyph->advance.x);
    m_advances.emplace(cp, adv);
    return adv;
  }

  const std::vector<PathSegment>& outline(char32_t cp, bool synthBold) {
    const uint64_t key = (uint64_t(cp) << 1) | (synthBold ? 1 : 0);
    auto it = m_outlines.find(key);
    if (it != m_outlines.end()) return it->second;
    std::vector<PathSegment>& segs = m_outlines[key];
    if (FT_Load_Glyph(m_face, FT_Get_Char_Index(m_face, cp), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0 ||
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
  std::unordered_map<char32_t, int> m_advances;
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

namespace {

std::shared_ptr<FontFamilyData> lookUpInstalled(const std::string& name) {
  // Fontconfig answers FcFontList only with fonts that carry the family
  // name (localised names included); FcFontMatch would substitute.
  static std::map<std::string, std::shared_ptr<FontFamilyData>> cache;
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  // Names come from templates too; keep the cache from growing without end.
  if (cache.size() >= 256) cache.clear();
  std::shared_ptr<FontFamilyData> family;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, nullptr);
  FcFontSet* set = FcFontList(nullptr, pattern, objects);
  if (set && set->nfont > 0) {
    family = std::make_shared<FontFamilyData>();
    family->name = name;
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* file = nullptr;
      int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
      if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
      FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
      FcPatternGetInteger(set->fonts[i], FC_WEIGHT, 0, &weight);
      FcPatternGetInteger(set->fonts[i], FC_SLANT, 0, &slant);
      family->faces.push_back(std::make_shared<FontFace>(reinterpret_cast<const char*>(file), index,
                                                         weight >= FC_WEIGHT_DEMIBOLD, slant != FC_SLANT_ROMAN));
    }
    if (family->faces.empty()) family.reset();
  }
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  cache[name] = family;
  return family;
}

std::shared_ptr<FontFamilyData> defaultFamily() {
  static std::shared_ptr<FontFamilyData> family = []() -> std::shared_ptr<FontFamilyData> {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (!pattern) return nullptr;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::shared_ptr<FontFamilyData> fam;
    FcChar8* file = nullptr;
    FcChar8* name = nullptr;
    int index = 0;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      fam = std::make_shared<FontFamilyData>();
      if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        fam->name = reinterpret_cast<const char*>(name);
      fam->faces.push_back(std::make_shared<FontFace>(reinterpret_cast<const char*>(file), index, false, false));
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return fam;
  }();
  return family;
}

}  // namespace

float FontEmPixels(const FontData& font) {
  switch (font.unit) {
    case 3: return font.emSize * 96.0f / 72.0f;  // points at 96 dpi
    case 4: return font.emSize * 96.0f;          // inches
    case 6: return font.emSize * 96.0f / 25.4f;  // millimetres
    default: return font.emSize;                 // world, display and pixel units are pixels here
  }
}

// ---- GfxFontFamily ----

bool GfxFontFamily::CreateFromName(const std::string& name) {
  std::lock_guard lock(FreeTypeMutex());
  std::shared_ptr<FontFamilyData> family = lookUpInstalled(name);
  if (!family) return SetLastStatus(GfxStatus::FontFamilyNotFound);
  m_native = std::move(family);
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxFontFamily::CreateFromName(const std::string& name, const GfxFontCollection& collection) {
  if (!collection.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  for (const auto& family : *collection.GetNative())
    if (family->name == name) {
      m_native = family;
      return SetLastStatus(GfxStatus::Ok);
    }
  return SetLastStatus(GfxStatus::FontFamilyNotFound);
}

bool GfxFontFamily::Delete() {
  if (!m_native) return false;
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

std::string GfxFontFamily::GetFamilyName() const {
  if (!SetLastStatus(m_native ? GfxStatus::Ok : GfxStatus::InvalidParameter)) return {};
  return m_native->name;
}

bool GfxFontFamily::IsStyleAvailable(int32_t style) const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  std::lock_guard lock(FreeTypeMutex());
  SetLastStatus(GfxStatus::Ok);
  return m_native->select(style).face != nullptr;
}

uint16_t GfxFontFamily::GetEmHeight(int32_t style) const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0;
  std::lock_guard lock(FreeTypeMutex());
  const auto c = m_native->select(style);
  return c.face ? uint16_t(c.face->upem()) : 0;
}

uint16_t GfxFontFamily::GetCellAscent(int32_t style) const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0;
  std::lock_guard lock(FreeTypeMutex());
  const auto c = m_native->select(style);
  return c.face ? uint16_t(c.face->ascent()) : 0;
}

uint16_t GfxFontFamily::GetCellDescent(int32_t style) const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0;
  std::lock_guard lock(FreeTypeMutex());
  const auto c = m_native->select(style);
  return c.face ? uint16_t(c.face->descent()) : 0;
}

// ---- collections ----

int32_t GfxFontCollection::GetFamilyCount() const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0;
  SetLastStatus(GfxStatus::Ok);
  return int32_t(m_native->size());
}

int32_t GfxFontCollection::GetFamilyList(int32_t count, std::vector<GfxFontFamily>& families) const {
  if (count < 1 || !m_native) {
    SetLastStatus(GfxStatus::InvalidParameter);
    return 0;
  }
  families.assign(size_t(count), GfxFontFamily());
  const int32_t found = std::min<int32_t>(count, int32_t(m_native->size()));
  for (int32_t i = 0; i < found; ++i) families[size_t(i)].SetNative((*m_native)[size_t(i)]);
  SetLastStatus(GfxStatus::Ok);
  return found;
}

bool GfxPrivateFontCollection::Create() {
  m_native = std::make_shared<std::vector<std::shared_ptr<FontFamilyData>>>();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxPrivateFontCollection::Delete() {
  if (!m_native) return false;
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxPrivateFontCollection::AddMemoryFont(const ByteArray& bytes) { return AddMemoryFont(ByteArray(bytes)); }

bool GfxPrivateFontCollection::AddMemoryFont(ByteArray&& bytes) {
  if (!m_native || bytes.empty()) return SetLastStatus(GfxStatus::InvalidParameter);
  std::lock_guard lock(FreeTypeMutex());
  return addFace(std::make_shared<FontFace>(std::move(bytes), 0));
}

bool GfxPrivateFontCollection::addFace(std::shared_ptr<FontFace> face) {
  if (!face->load()) return SetLastStatus(GfxStatus::FileNotFound);
  const std::string name = face->familyName();
  for (auto& family : *m_native)
    if (family->name == name) {
      family->faces.push_back(std::move(face));
      return SetLastStatus(GfxStatus::Ok);
    }
  auto family = std::make_shared<FontFamilyData>();
  family->name = name;
  family->faces.push_back(std::move(face));
  m_native->push_back(std::move(family));
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxPrivateFontCollection::AddFontFile(const std::string& path) {
  if (!m_native || path.empty()) return SetLastStatus(GfxStatus::InvalidParameter);
  std::lock_guard lock(FreeTypeMutex());
  return addFace(std::make_shared<FontFace>(path, 0));
}

// ---- GfxFont ----

bool GfxFont::Create(const GfxFontFamily& family, float emSize, int32_t style, int32_t unit) {
  if (!family.GetNative() || !(emSize > 0) || !std::isfinite(emSize)) return SetLastStatus(GfxStatus::InvalidParameter);
  {
    std::lock_guard lock(FreeTypeMutex());
    if (!family.GetNative()->select(style).face) return SetLastStatus(GfxStatus::FontStyleNotFound);
  }
  m_native = std::make_unique<FontData>(FontData{family.Shared(), emSize, style, unit});
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxFont::CreateByName(const std::string& name, float emSize, int32_t style, int32_t unit) {
  GfxFontFamily family;
  if (!family.CreateFromName(name)) return false;
  const bool ok = Create(family, emSize, style, unit);
  family.Delete();
  return ok;
}

bool GfxFont::CreateDefault() {
  std::shared_ptr<FontFamilyData> family;
  {
    std::lock_guard lock(FreeTypeMutex());
    family = defaultFamily();
  }
  if (!family) return SetLastStatus(GfxStatus::FontFamilyNotFound);
  GfxFontFamily f;
  f.SetNative(family);
  return Create(f, 12.0f, FontStyleRegular, 2);
}

bool GfxFont::Delete() {
  if (!m_native) return false;
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxFont::GetFamily(GfxFontFamily& family) const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  family.SetNative(m_native->family);
  return SetLastStatus(GfxStatus::Ok);
}

int32_t GfxFont::GetStyle() const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0;
  SetLastStatus(GfxStatus::Ok);
  return m_native->style;
}

float GfxFont::GetSize() const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0.0f;
  SetLastStatus(GfxStatus::Ok);
  return m_native->emSize;
}

int32_t GfxFont::GetUnit() const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0;
  SetLastStatus(GfxStatus::Ok);
  return m_native->unit;
}

float GfxFont::GetHeight() const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0.0f;
  std::lock_guard lock(FreeTypeMutex());
  const auto c = m_native->family->select(m_native->style);
  if (!c.face) return 0;
  SetLastStatus(GfxStatus::Ok);
  const double px = FontEmPixels(*m_native);
  return float((c.face->ascent() + c.face->descent()) * px / c.face->upem());
}

// ---- string formats and regions ----

bool GfxStringFormat::Create(int32_t flags, int32_t language) {
  m_native = std::make_unique<StringFormatData>();
  m_native->flags = flags;
  m_native->language = language;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::Delete() {
  if (!m_native) return false;
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetFlags(int32_t flags) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->flags = flags;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetAlign(int32_t align) {
  if (!m_native || align < 0 || align > 2) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->align = align;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetLineAlign(int32_t align) {
  if (!m_native || align < 0 || align > 2) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->lineAlign = align;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetTrimming(int32_t trimming) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->trimming = trimming;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxStringFormat::SetMeasurableCharacterRanges(const std::vector<std::pair<int32_t, int32_t>>& ranges) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native->ranges = ranges;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxRegion::Create() {
  m_native = std::make_unique<GfxRectF>();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxRegion::Delete() {
  if (!m_native) return false;
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

void GfxRegion::SetRect(const GfxRectF& rect) {
  if (m_native) *m_native = rect;
}

bool GfxRegion::GetBounds(const GfxGraphics& graphics, GfxRectF* bounds) const {
  if (!m_native || !bounds || !graphics.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  *bounds = *m_native;
  return SetLastStatus(GfxStatus::Ok);
}

// ---- text ----

std::vector<char32_t> DecodeUtf8(const std::string& s) {
  std::vector<char32_t> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = len > 0 && i + size_t(len) <= s.size();
    for (int k = 1; ok && k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + size_t(k)]);
      ok = (c & 0xC0) == 0x80;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += size_t(len);
  }
  return out;
}

std::string EncodeUtf8(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6)), out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12)), out += char(0x80 | ((cp >> 6) & 0x3F)), out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18)), out += char(0x80 | ((cp >> 12) & 0x3F)), out += char(0x80 | ((cp >> 6) & 0x3F)),
        out += char(0x80 | (cp & 0x3F));
  }
  return out;
}

namespace text_layout {

namespace {

struct Placed {
  char32_t cp;
  double x;
  double advance;
};

struct Layout {
  FontFamilyData::Choice choice;
  double scale = 0;  // pixels per font unit
  double left = 0, top = 0, width = 0, height = 0, baseline = 0;
  std::vector<Placed> glyphs;
};

double alignOffset(int32_t align, double box, double content) {
  if (align == StringAlignmentCenter) return (box - content) / 2;
  if (align == StringAlignmentFar) return box - content;
  return 0;
}

// One line: each character advances by its own width; the line box is
// centred, near or far in the rectangle (a zero-size rectangle aligns on
// its corner point). Callers hold FreeTypeMutex().
bool layOut(const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
            const GfxRectF& rect, const StringFormatData* format, Layout* out) {
  out->choice = family.select(style);
  FontFace* face = out->choice.face;
  if (!face || !(emSize > 0) || !std::isfinite(emSize)) return false;
  out->scale = double(emSize) / face->upem();
  const std::vector<char32_t> cps = DecodeUtf8(text);
  out->glyphs.reserve(cps.size());
  double x = 0;
  for (char32_t cp : cps) {
    const double adv = face->advance(cp) * out->scale;
    out->glyphs.push_back({cp, x, adv});
    x += adv;
  }
  out->width = x;
  out->height = (face->ascent() + face->descent()) * out->scale;
  const int32_t align = format ? format->align : StringAlignmentNear;
  const int32_t lineAlign = format ? format->lineAlign : StringAlignmentNear;
  out->left = rect.X + alignOffset(align, rect.Width, out->width);
  out->top = rect.Y + alignOffset(lineAlign, rect.Height, out->height);
  out->baseline = out->top + face->ascent() * out->scale;
  for (Placed& g : out->glyphs) g.x += out->left;
  return true;
}

}  // namespace

bool AppendString(GfxPath& path, const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
                  const GfxRectF& rect, const StringFormatData* format) {
  std::lock_guard lock(FreeTypeMutex());
  Layout l;
  if (!layOut(text, family, style, emSize, rect, format, &l)) return false;
  const double s = l.scale, shear = l.choice.synthItalic ? kObliqueShear : 0.0, base = l.baseline;
  for (const Placed& g : l.glyphs) {
    const std::vector<PathSegment>& outline = l.choice.face->outline(g.cp, l.choice.synthBold);
    auto X = [&](double fx, double fy) { return g.x + (fx + fy * shear) * s; };
    auto Y = [&](double fy) { return base - fy * s; };
    for (const PathSegment& seg : outline) {
      switch (seg.kind) {
        case PathSegment::Move: path.AppendMove(X(seg.x1, seg.y1), Y(seg.y1)); break;
        case PathSegment::Line: path.AppendLine(X(seg.x1, seg.y1), Y(seg.y1)); break;
        case PathSegment::Curve:
          path.AppendCurve(X(seg.x1, seg.y1), Y(seg.y1), X(seg.x2, seg.y2), Y(seg.y2), X(seg.x3, seg.y3), Y(seg.y3));
          break;
        case PathSegment::Close: path.AppendClose(); break;
      }
    }
  }
  if ((style & FontStyleUnderline) && l.width > 0) {
    const double thickness = std::max(1.0, l.choice.face->underlineThickness() * s);
    const double centre = base - l.choice.face->underlinePosition() * s;
    path.AddRectangle(float(l.left), float(centre - thickness / 2), float(l.width), float(thickness));
  }
  return true;
}

bool Measure(const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
             const GfxRectF& rect, const StringFormatData* format, GfxRectF* bounds,
             std::vector<GfxRectF>* rangeBounds) {
  std::lock_guard lock(FreeTypeMutex());
  Layout l;
  if (!layOut(text, family, style, emSize, rect, format, &l)) return false;
  if (bounds) *bounds = {float(l.left), float(l.top), float(l.width), float(l.height)};
  if (rangeBounds && format) {
    rangeBounds->clear();
    for (const auto& [first, length] : format->ranges) {
      GfxRectF r{};
      if (first >= 0 && length > 0 && size_t(first) < l.glyphs.size()) {
        const size_t end = std::min(l.glyphs.size(), size_t(first) + size_t(length));
        const double x0 = l.glyphs[size_t(first)].x;
        const double x1 = l.glyphs[end - 1].x + l.glyphs[end - 1].advance;
        r = {float(x0), float(l.top), float(x1 - x0), float(l.height)};
      }
      rangeBounds->push_back(r);
    }
  }
  return true;
}

}  // namespace text_layout

}  // namespace korvane
