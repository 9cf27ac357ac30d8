// The one FreeType library of the process, shared by fonts and the coverage
// rasteriser. FreeType objects are not thread-safe: hold the mutex around
// every call on the library or a face.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <mutex>

namespace korvane {

FT_Library SharedFreeType();  // null when FreeType could not start
// A plain mutex: a face takes it as it is released, so faces are never let
// go of while it is held (caches drop what they hold after unlocking).
std::mutex& FreeTypeMutex();

}  // namespace korvane
