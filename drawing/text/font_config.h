// The system's font configuration, for what sits above the drawing layer:
// the editor's captions and a program's clean exit.
#pragma once

#include <string>
#include <vector>

namespace korvane {

// The first of `families` that is installed (exact names, localised ones
// included), else the family Fontconfig picks for `fallbackPattern` (such
// as "sans-serif:lang=zh-cn"); empty when there is none.
std::string PreferredFamily(const std::vector<std::string>& families, const std::string& fallbackPattern);

// Releases Fontconfig's configuration. Called once as a program ends, so
// that a leak checker sees the program's own leaks and not the library's
// configuration; nothing may look a font up afterwards.
void ReleaseFontConfiguration();

}  // namespace korvane
