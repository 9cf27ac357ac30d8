// Owners of the C handles the drawing layer holds: each releases its
// handle with the library's own call when it goes.
#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <memory>

namespace korvane {

template <typename T, void (*Release)(T*)>
struct HandleDeleter {
  void operator()(T* handle) const {
    if (handle) Release(handle);
  }
};

using CairoPtr = std::unique_ptr<cairo_t, HandleDeleter<cairo_t, cairo_destroy>>;
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, HandleDeleter<cairo_surface_t, cairo_surface_destroy>>;
using CairoPatternPtr = std::unique_ptr<cairo_pattern_t, HandleDeleter<cairo_pattern_t, cairo_pattern_destroy>>;

using FcPatternPtr = std::unique_ptr<FcPattern, HandleDeleter<FcPattern, FcPatternDestroy>>;
using FcFontSetPtr = std::unique_ptr<FcFontSet, HandleDeleter<FcFontSet, FcFontSetDestroy>>;
using FcObjectSetPtr = std::unique_ptr<FcObjectSet, HandleDeleter<FcObjectSet, FcObjectSetDestroy>>;

}  // namespace korvane
