#include "render/seal_renderer.h"

#include <cmath>
#include <limits>

#include "render/frames_figures.h"
#include "render/text_layer.h"

namespace korvane {

bool SealRenderer::RenderSeal(const SealDocument& doc) { return RenderSealScaled(doc, 1.0); }

bool SealRenderer::RenderSealScaled(const SealDocument& doc, double scale, const SealBox* crop) {
  if (doc.Width < 1 || doc.Height < 1 || !(scale > 0) || !std::isfinite(scale)) return false;
  const double w = std::round((crop ? crop->Width : doc.Width) * scale),
               h = std::round((crop ? crop->Height : doc.Height) * scale);
  if (w < 1 || h < 1 || w > kMaxBitmapSide || h > kMaxBitmapSide) return false;

  if (m_bitmap.GetNative() && int32_t(m_bitmap.GetWidth()) == int32_t(w) && int32_t(m_bitmap.GetHeight()) == int32_t(h)) {
    // The same size again (every edit but a size change): clear the bitmap
    // instead of making a new one. A new large bitmap is fresh memory from
    // the system, faulted in page by page on every render.
    GfxGraphics graphics;
    if (!graphics.FromImage(m_bitmap)) return false;
    graphics.Clear(0);
    m_graphics = std::move(graphics);
  } else {
    // Build the new bitmap before letting go of the old one, so a refused
    // size leaves the last good seal in place.
    GfxBitmap bitmap;
    if (!bitmap.CreateBlank(int32_t(w), int32_t(h), PixelFormat32bppARGB)) return false;
    GfxGraphics graphics;
    if (!graphics.FromImage(bitmap)) return false;
    m_graphics.Delete();
    m_bitmap.Dispose();
    m_bitmap = std::move(bitmap);
    m_graphics = std::move(graphics);
  }
  m_graphics.SetAbortFlag(m_abort);
  m_bitmap.SetResolution(0, 0);
  m_width = doc.Width;
  m_height = doc.Height;
  // A zero-width pen is one seal pixel wide at every size, as on a page.
  if (scale != 1.0) m_graphics.SetDeviceScale(scale), m_graphics.SetPixelSize(scale);
  if (crop) m_graphics.SetDeviceOrigin(std::round(crop->X * scale), std::round(crop->Y * scale));
  DrawSeal(m_graphics, doc, crop ? doc.Width : w / scale, crop ? doc.Height : h / scale, *m_caches);
  return !m_graphics.Aborted();
}

bool RenderSealOnPage(GfxVectorPage& page, const SealDocument& doc, double scale, RenderCaches& caches,
                      const SealBox* crop) {
  if (doc.Width < 1 || doc.Height < 1 || !(scale > 0) || !std::isfinite(scale)) return false;
  GfxGraphics graphics;
  // On a page, a pixel is a seal pixel: a zero-width pen is one wide.
  if (!page.GetGraphics(&graphics) || !graphics.SetDeviceScale(scale) || !graphics.SetPixelSize(scale)) return false;
  if (crop && !graphics.SetDeviceOrigin(crop->X * scale, crop->Y * scale)) return false;
  DrawSeal(graphics, doc, doc.Width, doc.Height, caches);
  return graphics.Delete();
}

void DrawSeal(GfxGraphics& graphics, const SealDocument& doc, double areaWidth, double areaHeight,
              RenderCaches& caches) {
  graphics.SetSmoothingMode(SmoothingModeHighQuality);
  graphics.SetCompositingQuality(CompositingQualityHighQuality);
  graphics.SetTextRenderingHint(TextRenderingHintAntiAlias);

  if (doc.BackColor != kNoColor) {
    GfxSolidBrush brush;
    // Cover whole pixels: on the pixel-centre grid a rectangle from 0 would
    // leave the first row and column half transparent.
    if (brush.Create(ToArgb(doc.BackColor)))
      graphics.FillRectangle(brush, -0.5f, -0.5f, float(areaWidth), float(areaHeight));
  }

  const SealFrameGroup& group = doc.Frame;
  GfxPath clip;
  bool clipActive = false;
  if (group.ClipWidth >= 1 && group.ClipHeight >= 1 && clip.Create(FillModeAlternate)) {
    if (group.ClipRound >= 1)
      AppendRoundedRect(clip, group.ClipX, group.ClipY, group.ClipWidth, group.ClipHeight, group.ClipRound);
    else
      clip.AddRectangleI(group.ClipX, group.ClipY, group.ClipWidth, group.ClipHeight);
    graphics.SetClipPath(clip, CombineModeExclude);
    clipActive = true;
  }

  const RenderTarget target{graphics, doc.Width, doc.Height, caches};
  for (const SealFrame& frame : group.Item) {
    const SealFrame copy = frame;
    if (copy.Type >= 1 && copy.Width >= 1 && copy.Height >= 1) DrawFrame(target, copy);
  }

  if (clipActive) {
    graphics.ResetClip();
    clip.Delete();
  }

  for (const SealFigure& figure : doc.Shape) {
    const SealFigure copy = figure;
    if (copy.Width >= 1 && copy.Height >= 1) DrawFigure(target, copy);
  }

  for (const SealText& text : doc.Text) {
    if (text.szText.empty() || text.FontSize < 1 || text.TypeStyle < 1 || text.Width < 1 || text.Height < 1) continue;
    const SealText copy = text;
    DrawTextItem(target, copy);
  }
}

}  // namespace korvane
