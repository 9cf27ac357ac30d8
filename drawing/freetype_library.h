// The one FreeType library of the process, shared by fonts and the coverage
// rasteriser. FreeType objects are not thread-safe: hold the mutex around
// every call on the library or a face.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <mutex>

namespace korvane {

FT_Library SharedFreeType();  // null when FreeType could not start
// Recursive: a face may be released (under the lock) while a cache that
// holds it is cleared under the same lock.
std::recursive_mutex& FreeTypeMutex();

}  // namespace korvane
