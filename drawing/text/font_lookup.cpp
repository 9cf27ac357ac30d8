#include "drawing/text/font_lookup.h"

#include <mutex>

#include "drawing/text/font_config.h"
#include "drawing/freetype_library.h"
#include "drawing/native_handles.h"

namespace korvane {

std::shared_ptr<FontFamilyData> LookUpInstalledFamily(const std::string& name) {
  // Fontconfig answers FcFontList only with fonts that carry the family
  // name (localised names included); FcFontMatch would substitute.
  // Each call asks Fontconfig: whoever looks names up often keeps the
  // answers (the renderer's SealFonts does).
  std::lock_guard lock(FreeTypeMutex());
  std::shared_ptr<FontFamilyData> family;
  FcPatternPtr pattern(FcPatternCreate());
  FcObjectSetPtr objects(FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, nullptr));
  if (!pattern || !objects) return nullptr;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  FcFontSetPtr set(FcFontList(nullptr, pattern.get(), objects.get()));
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
  return family;
}

std::shared_ptr<FontFamilyData> DefaultFamily() {
  static std::shared_ptr<FontFamilyData> family = []() -> std::shared_ptr<FontFamilyData> {
    FcPatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif")));
    if (!pattern) return nullptr;
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result;
    FcPatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    std::shared_ptr<FontFamilyData> fam;
    FcChar8* file = nullptr;
    FcChar8* name = nullptr;
    int index = 0;
    if (match && FcPatternGetString(match.get(), FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
      fam = std::make_shared<FontFamilyData>();
      if (FcPatternGetString(match.get(), FC_FAMILY, 0, &name) == FcResultMatch)
        fam->name = reinterpret_cast<const char*>(name);
      fam->faces.push_back(std::make_shared<FontFace>(reinterpret_cast<const char*>(file), index, false, false));
    }
    return fam;
  }();
  return family;
}

namespace {

bool installed(const std::string& family) {
  FcPatternPtr pattern(FcPatternCreate());
  FcObjectSetPtr objects(FcObjectSetBuild(FC_FILE, nullptr));
  if (!pattern || !objects) return false;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcFontSetPtr set(FcFontList(nullptr, pattern.get(), objects.get()));
  return set && set->nfont > 0;
}

}  // namespace

std::string PreferredFamily(const std::vector<std::string>& families, const std::string& fallbackPattern) {
  std::lock_guard lock(FreeTypeMutex());
  for (const std::string& family : families)
    if (installed(family)) return family;
  FcPatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>(fallbackPattern.c_str())));
  if (!pattern) return {};
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result;
  FcPatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  FcChar8* name = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &name) != FcResultMatch) return {};
  return reinterpret_cast<const char*>(name);
}

void ReleaseFontConfiguration() { FcFini(); }

}  // namespace korvane
