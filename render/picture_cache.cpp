#include "render/picture_cache.h"

#include <algorithm>
#include <list>
#include <mutex>

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

struct Entry {
  std::string path;
  Identity identity;
  int32_t coverWidth = 0, coverHeight = 0;  // what the decode covers
  std::shared_ptr<const GfxBitmap> picture;  // null: the file is no picture we can draw
  size_t bytes = 0;
};

struct Cache {
  std::mutex mutex;
  std::list<Entry> entries;  // most recently used first
  size_t bytes = 0;

  void erase(std::list<Entry>::iterator it) {
    bytes -= it->bytes;
    entries.erase(it);
  }
};

Cache& cache() {
  static Cache c;
  return c;
}

size_t pixelBytes(const GfxBitmap& b) { return size_t(b.GetWidth()) * size_t(b.GetHeight()) * 4; }

}  // namespace

std::shared_ptr<const GfxBitmap> CachedPicture(const std::string& path, int32_t coverWidth, int32_t coverHeight) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const Identity identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  coverWidth = std::max(coverWidth, 1), coverHeight = std::max(coverHeight, 1);

  Cache& c = cache();
  {
    std::lock_guard lock(c.mutex);
    auto it = std::find_if(c.entries.begin(), c.entries.end(), [&](const Entry& e) { return e.path == path; });
    if (it != c.entries.end() && it->identity == identity) {
      if (!it->picture || (it->coverWidth >= coverWidth && it->coverHeight >= coverHeight)) {
        c.entries.splice(c.entries.begin(), c.entries, it);
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

  std::lock_guard lock(c.mutex);
  auto it = std::find_if(c.entries.begin(), c.entries.end(), [&](const Entry& e) { return e.path == path; });
  if (it != c.entries.end()) c.erase(it);
  if (bytes > kPictureCacheBytes) return picture;  // drawn this once, not kept
  c.entries.push_front({path, identity, coverWidth, coverHeight, picture, bytes});
  c.bytes += bytes;
  while (c.bytes > kPictureCacheBytes) c.erase(std::prev(c.entries.end()));
  // A list of refusals is small, but a folder of many paths is bounded too.
  while (c.entries.size() > 64) c.erase(std::prev(c.entries.end()));
  return picture;
}

void ClearPictureCache() {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  c.entries.clear();
  c.bytes = 0;
}

size_t PictureCacheBytes() {
  Cache& c = cache();
  std::lock_guard lock(c.mutex);
  return c.bytes;
}

}  // namespace korvane
