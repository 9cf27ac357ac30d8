// Font families and collections: the installed families by exact name
// (localised names included), and private collections of font files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "drawing/codecs/memory_stream.h"
#include "drawing/gfx_status.h"
#include "drawing/gfx_types.h"

namespace korvane {

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

}  // namespace korvane
