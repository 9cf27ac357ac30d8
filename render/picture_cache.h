// Pictures of picture figures, decoded once and kept between renders while
// their file stays the same (same device and inode, size and modification
// time). A file that changes is read again at the next render; a file that
// could not be decoded is remembered as such while it stays the same, so a
// large file that is no picture is not read on every keystroke.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "drawing/gfx/gfx_image.h"

namespace korvane {

// What the kept pictures may take together by default. A picture larger
// than the budget is decoded for its render and not kept.
inline constexpr size_t kPictureCacheBytes = size_t(192) << 20;

class PictureCache {
 public:
  explicit PictureCache(size_t budgetBytes = kPictureCacheBytes);
  ~PictureCache();
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;

  // The picture at `path`, decoded to cover at least coverWidth x
  // coverHeight pixels; null when the file cannot be read or decoded. Safe
  // on several threads; decoding happens outside the cache's lock.
  std::shared_ptr<const GfxBitmap> Get(const std::string& path, int32_t coverWidth, int32_t coverHeight);
  // Forgets every kept picture.
  void Clear();
  // The bytes of pixels held now.
  size_t Bytes() const;

  struct Entry;

 private:
  void erase(std::list<Entry>::iterator it);

  const size_t m_budget;
  mutable std::mutex m_mutex;
  std::list<Entry> m_entries;  // most recently used first
  size_t m_bytes = 0;
};

}  // namespace korvane
