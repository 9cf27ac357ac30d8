#include "render/picture_cache.h"

#include <algorithm>
#include <list>
#include <mutex>

#include <sys/stat.h>

namespace korvane {

namespace {

// A seal has five figures; a few more entries cover switching templates.
constexpr size_t kMaxEntries = 8;

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

struct Entry {
  std::string path;
  Identity identity;
  int32_t coverWidth = 0, coverHeight = 0;  // what the decode covers
  std::shared_ptr<const GfxBitmap> picture;
};

struct Cache {
  std::mutex mutex;
  std::list<Entry> entries;  // most recently used first
};

Cache& cache() {
  static Cache c;
  return c;
}

}  // namespace

std::shared_ptr<const GfxBitmap> CachedPicture(const std::string& path, int32_t coverWidth, int32_t coverHeight) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const Identity identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  coverWidth = std::max(coverWidth, 1), coverHeight = std::max(coverHeight, 1);

  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  auto it = std::find_if(c.entries.begin(), c.entries.end(), [&](const Entry& e) { return e.path == path; });
  if (it != c.entries.end() && it->identity == identity && it->coverWidth >= coverWidth &&
      it->coverHeight >= coverHeight) {
    c.entries.splice(c.entries.begin(), c.entries, it);
    return it->picture;
  }
  // A figure that grew needs more pixels: decode for the largest size seen,
  // so that resizing back and forth does not decode every time.
  if (it != c.entries.end() && it->identity == identity) {
    coverWidth = std::max(coverWidth, it->coverWidth);
    coverHeight = std::max(coverHeight, it->coverHeight);
  }
  if (it != c.entries.end()) c.entries.erase(it);
  auto picture = std::make_shared<GfxBitmap>();
  if (!picture->CreateFromFileToCover(path, coverWidth, coverHeight)) return nullptr;
  c.entries.push_front({path, identity, coverWidth, coverHeight, picture});
  if (c.entries.size() > kMaxEntries) c.entries.pop_back();
  return picture;
}

void ClearPictureCache() {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  c.entries.clear();
}

}  // namespace korvane
