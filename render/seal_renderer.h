// Turns a SealDocument into a bitmap of the seal's size, drawing its layers
// bottom to top: background, frames (with the clip band cut out), figures,
// text items.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "base/numbers.h"
#include "document/seal_document.h"
#include "drawing/gfx/gfx_graphics.h"
#include "drawing/gfx/gfx_image.h"
#include "drawing/gfx/gfx_path.h"
#include "drawing/gfx/gfx_vector_page.h"
#include "render/render_context.h"

namespace korvane {

// Draws the seal's layers on a graphics whose world units are seal pixels;
// the background covers the area (in world units) from the top-left pixel.
void DrawSeal(GfxGraphics& graphics, const SealDocument& doc, double areaWidth, double areaHeight,
              RenderCaches& caches);

// A part of the seal's area, in seal pixels.
struct SealBox {
  double X = 0, Y = 0, Width = 0, Height = 0;
};

// Draws the seal on a vector page, `scale` page units per seal pixel; the
// page is the seal's area, or `crop` of it. False when nothing could be drawn.
bool RenderSealOnPage(GfxVectorPage& page, const SealDocument& doc, double scale, RenderCaches& caches,
                      const SealBox* crop = nullptr);

class SealRenderer {
 public:
  // With caches of its own, or with its owner's (shared by several
  // renderers, on several threads).
  SealRenderer() : m_own(std::make_unique<RenderCaches>()), m_caches(m_own.get()) {}
  explicit SealRenderer(RenderCaches& caches) : m_caches(&caches) {}
  SealRenderer(SealRenderer&&) noexcept = default;
  SealRenderer& operator=(SealRenderer&&) noexcept = default;

  // Draws the whole seal into a new SealBitmap. False when nothing could be
  // rendered (a side below 1 or above kMaxBitmapSide, or no bitmap could be
  // made); the previous bitmap then stays.
  bool RenderSeal(const SealDocument& doc);
  // The same, `scale` times larger: drawn at that size (never resampled),
  // into a bitmap of the seal's size (or of `crop` of it) times scale, rounded.
  bool RenderSealScaled(const SealDocument& doc, double scale, const SealBox* crop = nullptr);

  // A flag another thread may raise to abandon a render under way: the
  // render then returns false soon after, its bitmap partial.
  void SetAbortFlag(const std::atomic<bool>* flag) { m_abort = flag; }

  const GfxBitmap& SealBitmap() const { return m_bitmap; }
  GfxBitmap& SealBitmap() { return m_bitmap; }
  GfxGraphics& SealGraphics() { return m_graphics; }
  int32_t RenderWidth() const { return m_width; }
  int32_t RenderHeight() const { return m_height; }

 private:
  GfxBitmap m_bitmap;
  GfxGraphics m_graphics;
  int32_t m_width = 0;
  int32_t m_height = 0;
  const std::atomic<bool>* m_abort = nullptr;
  std::unique_ptr<RenderCaches> m_own;
  RenderCaches* m_caches;
};

}  // namespace korvane
