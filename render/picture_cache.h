// Pictures of picture figures, decoded once and kept between renders while
// their file stays the same (same device and inode, size and modification
// time). A file that changes is read again at the next render.
#pragma once

#include <memory>
#include <string>

#include "drawing/gfx_image.h"

namespace korvane {

// The picture at `path`, decoded to cover at least coverWidth x
// coverHeight pixels; null when the file cannot be read or decoded.
std::shared_ptr<const GfxBitmap> CachedPicture(const std::string& path, int32_t coverWidth, int32_t coverHeight);

// Forgets every kept picture.
void ClearPictureCache();

}  // namespace korvane
