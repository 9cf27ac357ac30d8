// A drawing surface on an image, with GDI+'s geometry: integer coordinates
// are pixel centres, pens are centred and never thinner than one device
// pixel, clips are pixel-exact and may exclude a path.
#pragma once

#include <cairo.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drawing/gfx/gfx_image.h"
#include "drawing/gfx/gfx_objects.h"
#include "drawing/gfx/gfx_path.h"
#include "drawing/native_handles.h"
#include "drawing/gfx_status.h"
#include "drawing/gfx_types.h"

namespace korvane {


// Never created by the program: its empty handle means "no attributes".
class GfxImageAttributes {
 public:
  void* GetNative() const { return nullptr; }
};

class GfxFont;
class GfxStringFormat;
class GfxRegion;

class GfxGraphics {
 public:
  GfxGraphics() = default;
  GfxGraphics(GfxGraphics&&) noexcept = default;
  GfxGraphics& operator=(GfxGraphics&&) noexcept = default;

  cairo_t* GetNative() const { return m_native.get(); }

  bool FromImage(GfxImage& image);
  // Draws on any cairo surface (an SVG or PDF one too) of the given size in
  // device units. Raster-only shortcuts are not taken on a vector surface,
  // so what it receives is paths, not pixels.
  bool FromSurface(cairo_surface_t* surface, double width, double height);
  bool Delete();

  // Device units per world unit, applied under the world transform: the
  // whole drawing grows uniformly, the pixel-centre grid with it.
  bool SetDeviceScale(double scale);
  double GetDeviceScale() const { return m_deviceScale; }
  // Where the target's top-left corner lies, in device units after the
  // scale: what is drawn there lands at (0, 0); a cropped output.
  bool SetDeviceOrigin(double x, double y);
  // Device units per device pixel (1 on bitmaps): what a zero-width pen is
  // as wide as. Vector pages have no pixels of their own; they say how wide
  // one is.
  bool SetPixelSize(double deviceUnits);
  // Device pixels one world unit spans, to decode a picture at the size it
  // is shown; 0 on a vector page, which has no pixels of its own and
  // embeds a picture at the picture's own resolution.
  double DevicePixelsPerUnit() const;
  bool IsVectorTarget() const { return m_vector; }

  // A flag another thread may raise to end a long drawing early: from then
  // on every fill and stroke returns Aborted at once, leaving the picture
  // partial. Null (the default) for none.
  void SetAbortFlag(const std::atomic<bool>* flag) { m_abort = flag; }
  bool Aborted() const { return m_abort && m_abort->load(std::memory_order_relaxed); }

  bool SetSmoothingMode(int32_t mode);
  int32_t GetSmoothingMode() const { return m_smoothing; }
  bool SetCompositingQuality(int32_t quality);
  bool SetTextRenderingHint(int32_t hint);
  int32_t GetTextRenderingHint() const { return m_textHint; }

  bool SetWorldTransform(const GfxMatrix& matrix);
  bool ResetWorldTransform();
  const cairo_matrix_t& WorldTransform() const { return m_world; }

  bool Clear(ARGB color);
  bool FillRectangleI(const GfxBrush& brush, int32_t x, int32_t y, int32_t width, int32_t height);
  bool FillRectangle(const GfxBrush& brush, float x, float y, float width, float height);
  bool FillEllipseI(const GfxBrush& brush, int32_t x, int32_t y, int32_t width, int32_t height);
  bool DrawEllipseI(const GfxPen& pen, int32_t x, int32_t y, int32_t width, int32_t height);
  bool FillPath(const GfxBrush& brush, const GfxPath& path);
  bool DrawPath(const GfxPen& pen, const GfxPath& path);

  bool SetClipPath(const GfxPath& path, int32_t combineMode = CombineModeReplace);
  bool ResetClip();
  // The box, in world coordinates, of what the clip leaves visible.
  bool GetVisibleClipBounds(GfxRectF* bounds) const;

  bool DrawImageI(const GfxImage& image, int32_t x, int32_t y);
  // Stretches the source rectangle onto the destination; the image's alpha
  // is honoured.
  bool DrawImageRectRectI(const GfxImage& image, int32_t dstX, int32_t dstY, int32_t dstWidth, int32_t dstHeight,
                          int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                          int32_t srcUnit = UnitPixel, const GfxImageAttributes* attributes = nullptr);

  // Text: characters are filled as outlines with the brush.
  bool DrawString(const std::string& text, const GfxFont& font, const GfxRectF& layout, const GfxStringFormat& format,
                  const GfxBrush& brush);
  bool MeasureString(const std::string& text, const GfxFont& font, const GfxRectF& layout,
                     const GfxStringFormat& format, GfxRectF* bounds, int32_t* charactersFitted = nullptr,
                     int32_t* linesFilled = nullptr) const;
  // One region per measurable range of the format; returns their count.
  int32_t MeasureCharacterRanges(const std::string& text, const GfxFont& font, const GfxRectF& layout,
                                 const GfxStringFormat& format, int32_t regionCount,
                                 std::vector<GfxRegion>& regions) const;

  // For the text layer: user space with the pixel-centre offset applied.
  void ApplyTransform() const;
  void ApplyAntialias() const;

 private:
  bool fill(const GfxBrush& brush, const GfxPath& path);
  bool stroke(const GfxPen& pen, const GfxPath& path);
  double penWidth(const GfxPen& pen) const;
  // Whether every device coordinate, grown by pad, is one cairo can take.
  bool inRange(const PathData& path, double pad) const;

  CairoPtr m_native;
  cairo_matrix_t m_world{1, 0, 0, 1, 0, 0};
  double m_deviceScale = 1;
  double m_originX = 0, m_originY = 0;
  double m_pixelSize = 1;
  double m_targetWidth = 0, m_targetHeight = 0;
  uint64_t m_clip = 0;  // 0 without a clip, else the clip's own number (NewClipId)
  bool m_vector = false;   // an SVG or PDF page, not pixels
  const std::atomic<bool>* m_abort = nullptr;
  int32_t m_smoothing = SmoothingModeDefault;
  int32_t m_compositing = CompositingQualityDefault;
  int32_t m_textHint = TextRenderingHintSystemDefault;
};

// Lets go of the ellipse outlines this thread keeps between draws.
void TrimEllipseBands();

}  // namespace korvane
