#include "render/frames_figures.h"

#include <algorithm>
#include <cmath>

#include "drawing/gfx/gfx_graphics.h"
#include "drawing/gfx/gfx_image.h"
#include "drawing/gfx/gfx_objects.h"

namespace korvane {

namespace {

int32_t centred(int32_t outer, int32_t inner, int32_t offset = 0) {
  return TruncToInt((double(outer) - double(inner)) / 2.0 + offset);
}

void fillPath(GfxGraphics& g, SealColor color, const GfxPath& path) {
  GfxSolidBrush brush;
  if (brush.Create(ToArgb(color))) g.FillPath(brush, path);
}

void strokePath(GfxGraphics& g, SealColor color, int32_t width, const GfxPath& path) {
  GfxPen pen;
  if (pen.Create(ToArgb(color), float(width), UnitWorld)) g.DrawPath(pen, path);
}

// Sharp when the radius is not positive, rounded otherwise.
void addRectangle(GfxPath& path, int32_t x, int32_t y, int32_t w, int32_t h, int32_t round) {
  if (round > 0)
    AppendRoundedRect(path, x, y, w, h, round);
  else
    path.AddRectangleI(x, y, w, h);
}

}  // namespace

void DrawFrame(const RenderTarget& t, const SealFrame& f) {
  GfxGraphics& g = t.SealGraphics;
  if (f.Type == kFrameCircle || f.Type == kFrameEllipse) {
    // A circle takes the smaller side; an ellipse has both.
    const int32_t d = f.Width > f.Height ? f.Height : f.Width;
    const int32_t w = f.Type == kFrameCircle ? d : f.Width, h = f.Type == kFrameCircle ? d : f.Height;
    const int32_t x = centred(t.RenderWidth, w), y = centred(t.RenderHeight, h);
    if (f.FillColor != kNoColor) {
      GfxSolidBrush brush;
      if (brush.Create(ToArgb(f.FillColor))) g.FillEllipseI(brush, x, y, w, h);
    }
    if (f.LineColor != kNoColor && f.LineWidth > 0) {
      GfxPen pen;
      if (pen.Create(ToArgb(f.LineColor), float(f.LineWidth), UnitWorld)) g.DrawEllipseI(pen, x, y, w, h);
    }
  } else if (f.Type == kFrameRectangle) {
    const int32_t x = centred(t.RenderWidth, f.Width), y = centred(t.RenderHeight, f.Height);
    GfxPath path;
    if (!path.Create(FillModeAlternate)) return;
    addRectangle(path, x, y, f.Width, f.Height, f.Round);
    if (f.FillColor != kNoColor) fillPath(g, f.FillColor, path);
    if (f.LineColor != kNoColor && f.LineWidth > 0) strokePath(g, f.LineColor, f.LineWidth, path);
  }
}

void DrawFigure(const RenderTarget& t, SealFigure f) {
  switch (f.Type) {
    case kFigurePicture: DrawPictureFigure(t, f); break;
    case kFigureSolidStar:
    case kFigureHollowStar: DrawStarFigure(t, f); break;
    default: DrawShapeFigure(t, f); break;
  }
}

void DrawPictureFigure(const RenderTarget& t, const SealFigure& f) {
  if (f.szFile.empty()) return;
  // Looked at on every render, so a picture changed on disk shows at the
  // next edit; decoded again only then. A missing, unreadable or oversized
  // file is simply left out.
  // Decoded for the device pixels the figure covers: a seal printed large
  // needs more of the picture than its seal pixels; a vector page all of it.
  const double density = t.DevicePixelsPerSealPixel();
  const auto cover = [density](int32_t side) {
    return density > 0 ? int32_t(std::min(std::ceil(side * density), double(kMaxBitmapSide))) : kMaxBitmapSide;
  };
  const std::shared_ptr<const GfxBitmap> picture = t.Caches.Pictures().Get(f.szFile, cover(f.Width), cover(f.Height));
  if (!picture) return;
  const int32_t x = centred(t.RenderWidth, f.Width, f.OffsetX), y = centred(t.RenderHeight, f.Height, f.OffsetY);
  const auto iw = int32_t(picture->GetWidth()), ih = int32_t(picture->GetHeight());
  GfxImageAttributes noAttributes;
  // A vector page leaves magnifying a picture to whatever reads the file,
  // and readers interpolate each their own way (some blend colour and alpha
  // apart). A magnified picture is therefore resampled here, as a bitmap
  // would show it, at twice the box's size in seal pixels, and embedded so.
  if (t.Kind() == TargetKind::VectorPage && (f.Width > iw || f.Height > ih) &&
      int64_t(f.Width) * f.Height <= 2048 * 2048) {
    GfxBitmap magnified;
    GfxGraphics resample;
    if (magnified.CreateBlank(f.Width * 2, f.Height * 2) && resample.FromImage(magnified) &&
        resample.DrawImageRectRectI(*picture, 0, 0, f.Width * 2, f.Height * 2, 0, 0, iw, ih, UnitPixel,
                                    &noAttributes)) {
      resample.Delete();
      t.SealGraphics.DrawImageRectRectI(magnified, x, y, f.Width, f.Height, 0, 0, f.Width * 2, f.Height * 2,
                                        UnitPixel, &noAttributes);
      return;
    }
  }
  t.SealGraphics.DrawImageRectRectI(*picture, x, y, f.Width, f.Height, 0, 0, iw, ih, UnitPixel, &noAttributes);
}

std::array<GfxPoint, 10> StarVertices(int32_t renderWidth, int32_t renderHeight, const SealFigure& f) {
  const int32_t d = f.Width < f.Height ? f.Width : f.Height;
  const double R = d / 2.0;
  const int32_t cx = TruncToInt((double(renderWidth) - d) / 2.0 + R + f.OffsetX);
  const int32_t cy = TruncToInt((double(renderHeight) - d) / 2.0 + R + f.OffsetY);
  const double inner = (1 - (std::sqrt(5.0) - 1) / 2) * R;
  std::array<GfxPoint, 10> v;
  for (int i = 1; i <= 10; ++i) {
    const float fi = float(i);
    const double r = std::fabs(std::fmod(double(fi), 2.0)) < 0.0000001 ? inner : R;
    // i x 36 degrees with pi taken as 3.14159265359: slightly more than a
    // true multiple, so the top point lands one pixel left of centre.
    const double theta = fi * 113.09733552924 / 180;
    v[i - 1] = {TruncToInt(cx + std::sin(theta) * r), TruncToInt(cy + std::cos(theta) * r)};
  }
  return v;
}

void DrawStarFigure(const RenderTarget& t, SealFigure f) {
  const std::array<GfxPoint, 10> v = StarVertices(t.RenderWidth, t.RenderHeight, f);
  GfxPath path;
  if (!path.Create(FillModeAlternate)) return;
  path.AddPolygonI({v.begin(), v.end()});
  if (f.Color == kNoColor) return;
  if (f.Type == kFigureSolidStar) {
    fillPath(t.SealGraphics, f.Color, path);
  } else {
    if (f.LineWidth < 1) f.LineWidth = 1;
    strokePath(t.SealGraphics, f.Color, f.LineWidth, path);
  }
}

void DrawShapeFigure(const RenderTarget& t, SealFigure f) {
  GfxGraphics& g = t.SealGraphics;
  const int32_t x = centred(t.RenderWidth, f.Width, f.OffsetX), y = centred(t.RenderHeight, f.Height, f.OffsetY);
  switch (f.Type) {
    case kFigureSolidRectangle:
    case kFigureHollowRectangle: {
      GfxPath path;
      if (!path.Create(FillModeAlternate)) return;
      addRectangle(path, x, y, f.Width, f.Height, f.Round);
      if (f.Color == kNoColor) return;
      if (f.Type == kFigureSolidRectangle) {
        fillPath(g, f.Color, path);
      } else {
        if (f.LineWidth < 1) f.LineWidth = 1;
        strokePath(g, f.Color, f.LineWidth, path);
      }
      break;
    }
    case kFigureSolidEllipse:
      if (f.Color != kNoColor) {
        GfxSolidBrush brush;
        if (brush.Create(ToArgb(f.Color))) g.FillEllipseI(brush, x, y, f.Width, f.Height);
      }
      break;
    case kFigureHollowEllipse:
      // No floor on the width here: 0 is GDI+'s one-pixel pen.
      if (f.Color != kNoColor) {
        GfxPen pen;
        if (pen.Create(ToArgb(f.Color), float(f.LineWidth), UnitWorld)) g.DrawEllipseI(pen, x, y, f.Width, f.Height);
      }
      break;
    default: break;
  }
}

}  // namespace korvane
