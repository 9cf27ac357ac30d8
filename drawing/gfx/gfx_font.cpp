#include "drawing/gfx/gfx_font.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "drawing/text/font_face.h"
#include "drawing/text/font_lookup.h"
#include "drawing/freetype_library.h"

namespace korvane {

namespace {
// The seal font is about 5 MB; no font file larger than this is read.
constexpr size_t kMaxFontFileBytes = size_t(64) << 20;
}  // namespace

GfxFont::GfxFont() = default;
GfxFont::~GfxFont() = default;
GfxFont::GfxFont(GfxFont&&) noexcept = default;
GfxFont& GfxFont::operator=(GfxFont&&) noexcept = default;

// ---- GfxFontFamily ----

bool GfxFontFamily::CreateFromName(const std::string& name) {
  // The family this one held, if any, is let go of outside the lock.
  std::shared_ptr<FontFamilyData> family = LookUpInstalledFamily(name);
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
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
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
  const bool available = m_native->select(style).face != nullptr;
  SetLastStatus(available ? GfxStatus::Ok : GfxStatus::FontStyleNotFound);
  return available;
}

// One of the style's design metrics, with its status: a style the family
// lacks is FontStyleNotFound, not an Ok zero.
uint16_t GfxFontFamily::metric(int32_t style, int (FontFace::*value)() const) const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0;
  std::lock_guard lock(FreeTypeMutex());
  const auto c = m_native->select(style);
  if (!c.face) return SetLastStatus(GfxStatus::FontStyleNotFound), 0;
  SetLastStatus(GfxStatus::Ok);
  return uint16_t(((*c.face).*value)());
}

uint16_t GfxFontFamily::GetEmHeight(int32_t style) const { return metric(style, &FontFace::upem); }
uint16_t GfxFontFamily::GetCellAscent(int32_t style) const { return metric(style, &FontFace::ascent); }
uint16_t GfxFontFamily::GetCellDescent(int32_t style) const { return metric(style, &FontFace::descent); }

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
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxPrivateFontCollection::AddMemoryFont(const ByteArray& bytes) { return AddMemoryFont(ByteArray(bytes)); }

bool GfxPrivateFontCollection::AddMemoryFont(ByteArray&& bytes) {
  if (!m_native || bytes.empty()) return SetLastStatus(GfxStatus::InvalidParameter);
  auto holder = std::make_shared<const ByteArray>(std::move(bytes));
  std::lock_guard lock(FreeTypeMutex());
  return addFace(std::make_shared<FontFace>(holder, holder->data(), holder->size(), 0));
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
  // Read whole, once: the file may change or go while the collection lives.
  FileCopy bytes;
  if (!ReadFileCopy(path, &bytes, kMaxFontFileBytes) || bytes.size() == 0) return SetLastStatus(GfxStatus::FileNotFound);
  auto holder = std::make_shared<const FileCopy>(std::move(bytes));
  std::lock_guard lock(FreeTypeMutex());
  return addFace(std::make_shared<FontFace>(holder, holder->data(), holder->size(), 0));
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
    family = DefaultFamily();
  }
  if (!family) return SetLastStatus(GfxStatus::FontFamilyNotFound);
  GfxFontFamily f;
  f.SetNative(family);
  return Create(f, 12.0f, FontStyleRegular, 2);
}

bool GfxFont::Delete() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
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

float GfxFont::GetEmPixels() const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0.0f;
  SetLastStatus(GfxStatus::Ok);
  return FontEmPixels(*m_native);
}

float GfxFont::GetHeight() const {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter), 0.0f;
  std::lock_guard lock(FreeTypeMutex());
  const auto c = m_native->family->select(m_native->style);
  if (!c.face) return SetLastStatus(GfxStatus::FontStyleNotFound), 0.0f;
  SetLastStatus(GfxStatus::Ok);
  const double px = FontEmPixels(*m_native);
  return float((c.face->ascent() + c.face->descent()) * px / c.face->upem());
}

}  // namespace korvane
