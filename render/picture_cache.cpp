#include "render/picture_cache.h"

#include <algorithm>

#include <sys/stat.h>

namespace korvane {

namespace {

struct Identity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  bool operator==(const Identity& o) const {
    return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec;
  }
};

size_t pixelBytes(const GfxBitmap& b) { return size_t(b.GetWidth()) * size_t(b.GetHeight()) * 4; }

// A list of refusals is small, but a folder of many paths is bounded too.
constexpr size_t kMaxEntries = 64;

}  // namespace

struct PictureCache::Entry {
  std::string path;
  Identity identity;
  int32_t coverWidth = 0, coverHeight = 0;  // what the decode covers
  std::shared_ptr<const GfxBitmap> picture;  // null: the file is no picture we can draw
  size_t bytes = 0;
};

PictureCache::PictureCache(size_t budgetBytes) : m_budget(budgetBytes) {}
PictureCache::~PictureCache() = default;

void PictureCache::erase(std::list<Entry>::iterator it) {
  m_bytes -= it->bytes;
  m_entries.erase(it);
}

std::shared_ptr<const GfxBitmap> PictureCache::Get(const std::string& path, int32_t coverWidth, int32_t coverHeight) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const Identity identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  coverWidth = std::max(coverWidth, 1), coverHeight = std::max(coverHeight, 1);
  {
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.path == path; });
    if (it != m_entries.end() && it->identity == identity) {
      if (!it->picture || (it->coverWidth >= coverWidth && it->coverHeight >= coverHeight)) {
        m_entries.splice(m_entries.begin(), m_entries, it);
        return it->picture;
      }
      // A figure that grew needs more pixels: decode for the largest size
      // seen, so that resizing back and forth does not decode every time.
      coverWidth = std::max(coverWidth, it->coverWidth);
      coverHeight = std::max(coverHeight, it->coverHeight);
    }
  }

  // Decoding may take long; other threads' pictures do not wait for it.
  auto decoded = std::make_shared<GfxBitmap>();
  std::shared_ptr<const GfxBitmap> picture;
  if (decoded->CreateFromFileToCover(path, coverWidth, coverHeight)) picture = std::move(decoded);
  const size_t bytes = picture ? pixelBytes(*picture) : 0;

  std::lock_guard lock(m_mutex);
  auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.path == path; });
  if (it != m_entries.end()) erase(it);
  if (bytes > m_budget) return picture;  // drawn this once, not kept
  m_entries.push_front({path, identity, coverWidth, coverHeight, picture, bytes});
  m_bytes += bytes;
  while (m_bytes > m_budget || m_entries.size() > kMaxEntries) erase(std::prev(m_entries.end()));
  return picture;
}

void PictureCache::Clear() {
  std::lock_guard lock(m_mutex);
  m_entries.clear();
  m_bytes = 0;
}

size_t PictureCache::Bytes() const {
  std::lock_guard lock(m_mutex);
  return m_bytes;
}

}  // namespace korvane
