// Templates stored by name as files in one folder: "图章模板/<name>.qsx_tzl"
// beside the program when that folder exists and can be written, else in
// the user's data folder ($XDG_DATA_HOME/korvane/图章模板).
#pragma once

#include <string>
#include <vector>

#include "document/seal_document.h"

namespace korvane {

// The program's template folder, with a trailing slash.
std::string DefaultTemplateFolder();

// Whether a name can be a file in the template folder: nothing that would
// reach outside it ("/", ".", ".."), no NUL, and short enough for a file
// name with its extension.
bool IsUsableTemplateName(const std::string& name);

// The templates of one folder (the program's unless another is named).
class TemplateStore {
 public:
  explicit TemplateStore(std::string folder = DefaultTemplateFolder());

  // With a trailing slash.
  const std::string& Folder() const { return m_folder; }

  // Names of the stored templates, sorted by their bytes: every entry of the
  // folder that is not a folder and ends in ".qsx_tzl", without the part from
  // its last dot on. A missing folder gives no names.
  std::vector<std::string> ListNames() const;

  std::string PathOf(const std::string& name) const;

  // Makes sure the folder exists, then writes the template (atomically).
  // False for an unusable name (nothing is written) or a failed write.
  bool Save(const SealDocument& doc, const std::string& name) const;

  // Reads the named template into the document; a missing or unreadable file
  // changes nothing. Returns whether it was read.
  bool Load(SealDocument& doc, const std::string& name) const;

 private:
  std::string m_folder;
};

}  // namespace korvane
