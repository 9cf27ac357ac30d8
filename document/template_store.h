// Templates stored by name as files in one folder beside the program:
// "<program folder>/图章模板/<name>.qsx_tzl".
#pragma once

#include <string>
#include <vector>

#include "document/seal_document.h"

namespace korvane {

// The folder, with a trailing slash.
std::string TemplateFolder();

// For tests: the template folder is another one while this lives.
class ScopedTemplateFolder {
 public:
  explicit ScopedTemplateFolder(const std::string& folder);
  ~ScopedTemplateFolder();
  ScopedTemplateFolder(const ScopedTemplateFolder&) = delete;
  ScopedTemplateFolder& operator=(const ScopedTemplateFolder&) = delete;

 private:
  std::string m_previous;
};

// Names of the stored templates, sorted by their bytes: every entry of the
// folder that is not a folder and ends in ".qsx_tzl", without the part from
// its last dot on. A missing folder gives no names.
std::vector<std::string> ListTemplateNames();

// Whether a name can be a file in the template folder: nothing that would
// reach outside it ("/", ".", ".."), no NUL, and short enough for a file
// name with its extension.
bool IsUsableTemplateName(const std::string& name);

std::string TemplatePath(const std::string& name);

// Makes sure the folder exists, then writes the template (atomically).
// False for an unusable name (nothing is written) or a failed write.
bool SaveTemplateNamed(const SealDocument& doc, const std::string& name);

// Reads the named template into the document; a missing or unreadable file
// changes nothing. Returns whether it was read.
bool LoadTemplateNamed(SealDocument& doc, const std::string& name);

}  // namespace korvane
