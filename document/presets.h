// Designs shipped with the program, as template files in "预设" beside the
// executables: the seals companies order, each meeting its rule on paper
// (README). Read-only: the user's own designs live in the template store.
#pragma once

#include <string>
#include <vector>

#include "document/seal_document.h"

namespace korvane {

// The folder, with a trailing slash.
std::string PresetFolder();

// Names of the shipped presets, sorted.
std::vector<std::string> ListPresets();

// Reads the named preset over the document; false for a name that is not a
// preset (nothing changes).
bool LoadPreset(SealDocument& doc, const std::string& name);

}  // namespace korvane
