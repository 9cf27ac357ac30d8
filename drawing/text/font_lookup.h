// Installed font families through Fontconfig. LookUpInstalledFamily takes
// FreeTypeMutex() itself; DefaultFamily wants its callers to hold it.
#pragma once

#include <memory>
#include <string>

#include "drawing/text/font_face.h"

namespace korvane {

// The family of that exact name (localised names included), or null: a
// name that is not installed is never substituted.
std::shared_ptr<FontFamilyData> LookUpInstalledFamily(const std::string& name);

// Fontconfig's sans-serif, for the user-interface font.
std::shared_ptr<FontFamilyData> DefaultFamily();

}  // namespace korvane
