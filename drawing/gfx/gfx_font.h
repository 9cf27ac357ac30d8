// Fonts, families, collections, string formats and regions on FreeType and
// Fontconfig. Glyphs are placed one by one from their advances; outlines
// are read unhinted in font units and scaled, so an em size is exact pixels.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/utf8.h"
#include "drawing/gfx/gfx_path.h"
#include "drawing/gfx_status.h"
#include "drawing/gfx_types.h"
#include "drawing/codecs/memory_stream.h"

namespace korvane {


class FontFace;
struct FontFamilyData;
struct FontData;

class GfxFontFamily {
 public:
  FontFamilyData* GetNative() const { return m_native.get(); }
  const std::shared_ptr<FontFamilyData>& Shared() const { return m_native; }
  void SetNative(std::shared_ptr<FontFamilyData> family) { m_native = std::move(family); }

  // Looks the name up among installed fonts, exactly (a name that is not
  // installed fails with FontFamilyNotFound; nothing is substituted).
  bool CreateFromName(const std::string& name);
  // Looks the name up in a private collection.
  bool CreateFromName(const std::string& name, const class GfxFontCollection& collection);
  bool Delete();
  std::string GetFamilyName() const;
  bool IsStyleAvailable(int32_t style) const;
  // Design units of the face used for a style.
  uint16_t GetEmHeight(int32_t style) const;
  uint16_t GetCellAscent(int32_t style) const;
  uint16_t GetCellDescent(int32_t style) const;

 private:
  uint16_t metric(int32_t style, int (FontFace::*value)() const) const;
  std::shared_ptr<FontFamilyData> m_native;
};

class GfxFontCollection {
 public:
  int32_t GetFamilyCount() const;
  // Fills `families` with up to `count` families; returns how many.
  int32_t GetFamilyList(int32_t count, std::vector<GfxFontFamily>& families) const;
  const std::vector<std::shared_ptr<FontFamilyData>>* GetNative() const { return m_native.get(); }

 protected:
  std::shared_ptr<std::vector<std::shared_ptr<FontFamilyData>>> m_native;
};

class GfxPrivateFontCollection : public GfxFontCollection {
 public:
  bool Create();
  bool Delete();
  // Copies the bytes; the caller may free them afterwards.
  bool AddMemoryFont(const ByteArray& bytes);
  // The same, taking over the bytes instead of copying them.
  bool AddMemoryFont(ByteArray&& bytes);
  // Reads the whole file once; it is not read again.
  bool AddFontFile(const std::string& path);

 private:
  bool addFace(std::shared_ptr<FontFace> face);
};

class GfxFont {
 public:
  GfxFont();
  ~GfxFont();
  GfxFont(GfxFont&&) noexcept;
  GfxFont& operator=(GfxFont&&) noexcept;

  FontData* GetNative() const { return m_native.get(); }

  bool Create(const GfxFontFamily& family, float emSize, int32_t style, int32_t unit);
  bool CreateByName(const std::string& name, float emSize, int32_t style, int32_t unit);
  // The user-interface font: Fontconfig's sans-serif at 12 pixels, regular.
  bool CreateDefault();
  bool Delete();
  bool GetFamily(GfxFontFamily& family) const;
  int32_t GetStyle() const;
  float GetSize() const;
  int32_t GetUnit() const;
  // The em size in pixels, whatever the unit.
  float GetEmPixels() const;
  // Line height in pixels: cell ascent plus cell descent.
  float GetHeight() const;

 private:
  std::unique_ptr<FontData> m_native;
};

struct StringFormatData {
  int32_t flags = 0;
  int32_t language = 0;
  int32_t align = StringAlignmentNear;
  int32_t lineAlign = StringAlignmentNear;
  int32_t trimming = 1;
  std::vector<std::pair<int32_t, int32_t>> ranges;  // first, length in characters
};

class GfxStringFormat {
 public:
  StringFormatData* GetNative() const { return m_native.get(); }
  bool Create(int32_t flags = 0, int32_t language = 0);
  bool Delete();
  bool SetFlags(int32_t flags);
  bool SetAlign(int32_t align);
  bool SetLineAlign(int32_t align);
  bool SetTrimming(int32_t trimming);
  bool SetMeasurableCharacterRanges(const std::vector<std::pair<int32_t, int32_t>>& ranges);

 private:
  std::unique_ptr<StringFormatData> m_native;
};

class GfxGraphics;

class GfxRegion {
 public:
  GfxRectF* GetNative() const { return m_native.get(); }
  bool Create();
  bool Delete();
  void SetRect(const GfxRectF& rect);
  bool GetBounds(const GfxGraphics& graphics, GfxRectF* bounds) const;

 private:
  std::unique_ptr<GfxRectF> m_native;
};

}  // namespace korvane
