#include "document/template_store.h"

#include <algorithm>
#include <climits>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "base/app_paths.h"
#include "base/file_io.h"
#include "document/template_format.h"

namespace korvane {

namespace {

namespace fs = std::filesystem;

constexpr const char kFolderName[] = "图章模板";
// A file name's length limit on the file systems in use (NAME_MAX).
constexpr size_t kMaxFileNameBytes = 255;

}  // namespace

// Beside the program when such a folder is already there and can be written
// (portable and older setups keep their templates); else in the user's data
// folder, which a clean build or a reinstall never removes.
std::string DefaultTemplateFolder() {
  const std::string beside = ProgramFolder() + "/" + kFolderName;
  struct stat st;
  if (::stat(beside.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(beside.c_str(), W_OK | X_OK) == 0)
    return beside + "/";
  return UserDataFolder() + "/" + kFolderName + "/";
}

TemplateStore::TemplateStore(std::string folder) : m_folder(std::move(folder)) {
  if (!m_folder.empty() && m_folder.back() != '/') m_folder += '/';
}

std::vector<std::string> TemplateStore::ListNames() const {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(m_folder, ec), end;
  const std::string extension = kTemplateExtension;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (file.size() < extension.size() || file.compare(file.size() - extension.size(), extension.size(), extension))
      continue;
    std::error_code typeError;
    if (it->is_directory(typeError)) continue;
    names.push_back(file.substr(0, file.rfind('.')));
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsUsableTemplateName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) return false;
  return name.size() + std::char_traits<char>::length(kTemplateExtension) <= kMaxFileNameBytes;
}

std::string TemplateStore::PathOf(const std::string& name) const { return m_folder + name + kTemplateExtension; }

bool TemplateStore::Save(const SealDocument& doc, const std::string& name) const {
  if (!IsUsableTemplateName(name)) return false;
  std::error_code ec;
  fs::create_directories(m_folder, ec);
  // The editor saves here: a FIFO in the folder is refused, never waited on.
  return WriteTemplate(doc, PathOf(name), SpecialFiles::Refuse);
}

bool TemplateStore::Load(SealDocument& doc, const std::string& name) const {
  if (!IsUsableTemplateName(name)) return false;
  return ReadTemplateFile(doc, PathOf(name));
}

}  // namespace korvane
