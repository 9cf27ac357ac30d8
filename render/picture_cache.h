// Pictures of picture figures, decoded once and kept between renders while
// their file stays the same (same device and inode, size and modification
// time). A file that changes is read again at the next render; a file that
// could not be decoded is remembered as such while it stays the same, so a
// large file that is no picture is not read on every keystroke.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "drawing/gfx/gfx_image.h"

namespace korvane {

// What the kept pictures may take together. A picture larger than this is
// decoded for its render and not kept.
inline constexpr size_t kPictureCacheBytes = size_t(192) << 20;

// The picture at `path`, decoded to cover at least coverWidth x
// coverHeight pixels; null when the file cannot be read or decoded. Safe on
// several threads; decoding happens outside the cache's lock.
std::shared_ptr<const GfxBitmap> CachedPicture(const std::string& path, int32_t coverWidth, int32_t coverHeight);

// Forgets every kept picture.
void ClearPictureCache();

// The bytes of pixels the cache holds now.
size_t PictureCacheBytes();

}  // namespace korvane
