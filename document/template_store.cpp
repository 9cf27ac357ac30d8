#include "document/template_store.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <mutex>

#include "base/file_io.h"
#include "document/template_format.h"

namespace korvane {

namespace {

namespace fs = std::filesystem;

constexpr const char kFolderName[] = "图章模板";
// A file name's length limit on the file systems in use (NAME_MAX).
constexpr size_t kMaxFileNameBytes = 255;

struct FolderOverride {
  std::mutex mutex;
  std::string folder;
};

FolderOverride& folderOverride() {
  static FolderOverride o;
  return o;
}

}  // namespace

std::string TemplateFolder() {
  FolderOverride& o = folderOverride();
  std::lock_guard lock(o.mutex);
  if (!o.folder.empty()) return o.folder;
  return ProgramFolder() + "/" + kFolderName + "/";
}

ScopedTemplateFolder::ScopedTemplateFolder(const std::string& folder) {
  FolderOverride& o = folderOverride();
  std::lock_guard lock(o.mutex);
  m_previous = std::move(o.folder);
  o.folder = folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

ScopedTemplateFolder::~ScopedTemplateFolder() {
  FolderOverride& o = folderOverride();
  std::lock_guard lock(o.mutex);
  o.folder = std::move(m_previous);
}

std::vector<std::string> ListTemplateNames() {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(TemplateFolder(), ec), end;
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

std::string TemplatePath(const std::string& name) { return TemplateFolder() + name + kTemplateExtension; }

bool SaveTemplateNamed(const SealDocument& doc, const std::string& name) {
  if (!IsUsableTemplateName(name)) return false;
  std::error_code ec;
  fs::create_directories(TemplateFolder(), ec);
  // The editor saves here: a FIFO in the folder is refused, never waited on.
  return WriteTemplate(doc, TemplatePath(name), SpecialFiles::Refuse);
}

bool LoadTemplateNamed(SealDocument& doc, const std::string& name) {
  if (!IsUsableTemplateName(name)) return false;
  return ReadTemplateFile(doc, TemplatePath(name));
}

}  // namespace korvane
