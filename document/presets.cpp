#include "document/presets.h"

#include "base/app_paths.h"
#include "document/template_format.h"
#include "document/template_store.h"

namespace korvane {

std::string PresetFolder() { return ProgramDataPath("预设") + "/"; }

std::vector<std::string> ListPresets() { return TemplateStore(PresetFolder()).ListNames(); }

bool LoadPreset(SealDocument& doc, const std::string& name) { return TemplateStore(PresetFolder()).Load(doc, name); }

}  // namespace korvane
