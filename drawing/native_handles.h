// Owners of the C handles the drawing layer holds: each releases its
// handle with the library's own call when it goes.
#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <png.h>

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

// libpng's write structures come and go in pairs.
class PngWriteStructs {
 public:
  PngWriteStructs(png_error_ptr onError, png_error_ptr onWarning)
      : m_png(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning)),
        m_info(m_png ? png_create_info_struct(m_png) : nullptr) {}
  ~PngWriteStructs() {
    if (m_png) png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr);
  }
  PngWriteStructs(const PngWriteStructs&) = delete;
  PngWriteStructs& operator=(const PngWriteStructs&) = delete;
  png_structp png() const { return m_png; }
  png_infop info() const { return m_info; }
  explicit operator bool() const { return m_png && m_info; }

 private:
  png_structp m_png;
  png_infop m_info;
};

}  // namespace korvane
