// Fonts, families, collections, string formats and regions on FreeType and
// Fontconfig. Glyphs are placed one by one from their advances; outlines
// are read unhinted in font units and scaled, so an em size is exact pixels.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "drawing/gfx_path.h"
#include "drawing/gfx_status.h"
#include "drawing/memory_stream.h"

namespace korvane {

enum GfxFontStyle : int32_t {
  FontStyleRegular = 0,
  FontStyleBold = 1,
  FontStyleItalic = 2,
  FontStyleBoldItalic = 3,
  FontStyleUnderline = 4,
  FontStyleStrikeout = 8,
};

enum GfxStringAlignment : int32_t { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };
enum GfxStringFormatFlags : int32_t {
  StringFormatFlagsNoWrap = 0x1000,
  StringFormatFlagsLineLimit = 0x2000,
  StringFormatFlagsNoClip = 0x4000,
};
enum GfxStringTrimming : int32_t { StringTrimmingNone = 0 };

class FontFace;
struct FontFamilyData;

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
  // Reads the file on demand, keeping it open while the collection lives.
  bool AddFontFile(const std::string& path);

 private:
  bool addFace(std::shared_ptr<FontFace> face);
};

struct FontData {
  std::shared_ptr<FontFamilyData> family;
  float emSize = 0;
  int32_t style = 0;
  int32_t unit = 0;
};

// The font's em size in pixels, whatever unit it was made in (no DPI: 96).
float FontEmPixels(const FontData& font);

class GfxFont {
 public:
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

// One code point per character: the text layer places characters, not
// UTF-16 units, so a character beyond the basic plane stays whole.
std::vector<char32_t> DecodeUtf8(const std::string& text);
std::string EncodeUtf8(char32_t codePoint);

namespace text_layout {

// Appends the outlines of `text`, laid out in `rect` by `format`, to the
// path. Shared by paths, drawn strings and measuring.
bool AppendString(GfxPath& path, const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
                  const GfxRectF& rect, const StringFormatData* format);
// The whole text's layout box and, per measurable range, its box.
bool Measure(const std::string& text, const FontFamilyData& family, int32_t style, float emSize,
             const GfxRectF& rect, const StringFormatData* format, GfxRectF* bounds,
             std::vector<GfxRectF>* rangeBounds);

}  // namespace text_layout

}  // namespace korvane
