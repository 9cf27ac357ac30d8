// What renders keep from one seal to the next, owned by whoever renders (the
// editor's preview, korvane-render, a batch), handed to the renderer, and
// trimmed by its owner: the decoded pictures under a byte budget, and the
// fonts (the program's shared ones unless the owner brings its own).
#pragma once

#include <cstddef>

#include "render/picture_cache.h"
#include "render/seal_fonts.h"

namespace korvane {

class RenderCaches {
 public:
  explicit RenderCaches(size_t pictureBudgetBytes = kPictureCacheBytes, SealFonts& fonts = SealFonts::Shared())
      : m_pictures(pictureBudgetBytes), m_fonts(fonts) {}
  RenderCaches(const RenderCaches&) = delete;
  RenderCaches& operator=(const RenderCaches&) = delete;

  PictureCache& Pictures() { return m_pictures; }
  SealFonts& Fonts() { return m_fonts; }
  // Lets go of what can be made again: the pictures, and what the calling
  // thread keeps to draw (its coverage masks, ellipse outlines and
  // arc-length tables).
  void Trim();

 private:
  PictureCache m_pictures;
  SealFonts& m_fonts;
};

}  // namespace korvane
