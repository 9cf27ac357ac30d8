#include "drawing/gfx/gfx_graphics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>

#include "drawing/raster/bounded_path.h"
#include "drawing/raster/coverage_fill.h"
#include "drawing/raster/path_data.h"

namespace korvane {

bool GfxGraphics::FromImage(GfxImage& image) {
  if (!image.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  return FromSurface(image.GetNative(), image.GetWidth(), image.GetHeight());
}

bool GfxGraphics::FromSurface(cairo_surface_t* surface, double width, double height) {
  if (!surface || !(width > 0) || !(height > 0)) return SetLastStatus(GfxStatus::InvalidParameter);
  CairoPtr cr(cairo_create(surface));
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return SetLastStatus(GfxStatus::OutOfMemory);
  m_native = std::move(cr);
  m_clip = kNoClip;  // a new context has none
  m_vector = cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE;
  m_targetWidth = width;
  m_targetHeight = height;
  m_deviceScale = 1;
  m_originX = m_originY = 0;
  m_pixelSize = 1;
  cairo_matrix_init_identity(&m_world);
  m_smoothing = SmoothingModeDefault;
  m_compositing = CompositingQualityDefault;
  m_textHint = TextRenderingHintSystemDefault;
  // Flat caps and miter joins with limit 10 are cairo's defaults as well.
  cairo_set_line_cap(m_native.get(), CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(m_native.get(), CAIRO_LINE_JOIN_MITER);
  cairo_set_miter_limit(m_native.get(), 10.0);
  ApplyTransform();
  ApplyAntialias();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::Delete() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native.reset();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::SetSmoothingMode(int32_t mode) {
  if (!m_native || mode < 0 || mode > 6) return SetLastStatus(GfxStatus::InvalidParameter);
  m_smoothing = mode;
  ApplyAntialias();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::SetCompositingQuality(int32_t quality) {
  if (!m_native || quality < 0 || quality > 4) return SetLastStatus(GfxStatus::InvalidParameter);
  m_compositing = quality;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::SetTextRenderingHint(int32_t hint) {
  if (!m_native || hint < 0 || hint > 5) return SetLastStatus(GfxStatus::InvalidParameter);
  m_textHint = hint;
  return SetLastStatus(GfxStatus::Ok);
}

void GfxGraphics::ApplyAntialias() const {
  const bool smooth = m_smoothing == SmoothingModeHighQuality || m_smoothing >= SmoothingModeAntiAlias;
  cairo_set_antialias(m_native.get(), smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
}

// GDI+ puts pixel centres on integers; cairo on .5. Under a device scale
// the half pixel is a world one: world pixel x spans s(x - 0.5)..s(x + 0.5).
void GfxGraphics::ApplyTransform() const {
  cairo_matrix_t offset, scaled, m, withOffset;
  cairo_matrix_init_translate(&offset, 0.5, 0.5);
  cairo_matrix_init_scale(&scaled, m_deviceScale, m_deviceScale);
  cairo_matrix_multiply(&withOffset, &m_world, &offset);
  cairo_matrix_multiply(&m, &withOffset, &scaled);
  m.x0 -= m_originX, m.y0 -= m_originY;
  cairo_set_matrix(m_native.get(), &m);
}

bool GfxGraphics::SetDeviceOrigin(double x, double y) {
  if (!m_native || !std::isfinite(x) || !std::isfinite(y)) return SetLastStatus(GfxStatus::InvalidParameter);
  m_originX = x, m_originY = y;
  ApplyTransform();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::SetPixelSize(double deviceUnits) {
  if (!m_native || !(deviceUnits > 0) || !std::isfinite(deviceUnits)) return SetLastStatus(GfxStatus::InvalidParameter);
  m_pixelSize = deviceUnits;
  return SetLastStatus(GfxStatus::Ok);
}

double GfxGraphics::DevicePixelsPerUnit() const {
  if (m_vector) return 0;
  // The larger stretch of the world transform under the device scale.
  const cairo_matrix_t& m = m_world;
  return m_deviceScale * std::max(std::hypot(m.xx, m.yx), std::hypot(m.xy, m.yy));
}

bool GfxGraphics::SetDeviceScale(double scale) {
  if (!m_native || !(scale > 0) || !std::isfinite(scale)) return SetLastStatus(GfxStatus::InvalidParameter);
  m_deviceScale = scale;
  ApplyTransform();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::SetWorldTransform(const GfxMatrix& matrix) {
  if (!m_native || !matrix.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_matrix_t probe = *matrix.GetNative();
  if (cairo_matrix_invert(&probe) != CAIRO_STATUS_SUCCESS) return SetLastStatus(GfxStatus::InvalidParameter);
  m_world = *matrix.GetNative();
  ApplyTransform();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::ResetWorldTransform() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_matrix_init_identity(&m_world);
  ApplyTransform();
  return SetLastStatus(GfxStatus::Ok);
}

namespace {

// Clearing a large bitmap is bound by memory bandwidth, which one core
// does not use up: two threads clear a 6400 x 6400 seal in about half the
// time. Only plain image memory, as a bitmap has it.
bool clearLargeImage(cairo_surface_t* surface) {
  constexpr size_t kLargeBytes = size_t(32) << 20;
  if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32)
    return false;
  const size_t bytes = size_t(cairo_image_surface_get_stride(surface)) * size_t(cairo_image_surface_get_height(surface));
  if (bytes < kLargeBytes) return false;
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  if (!data) return false;
  const size_t half = bytes / 2;
  try {
    std::thread helper([data, half] { std::memset(data, 0, half); });
    std::memset(data + half, 0, bytes - half);
    helper.join();
  } catch (const std::system_error&) {
    std::memset(data, 0, bytes);  // no thread to be had: one writes it all
  }
  cairo_surface_mark_dirty(surface);
  return true;
}

}  // namespace

bool GfxGraphics::Clear(ARGB color) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_t* cr = m_native.get();
  // Transparent is all zero bytes; the clip, when there is one, must hold.
  if ((color >> 24) == 0 && m_clip == kNoClip && clearLargeImage(cairo_get_target(cr)))
    return SetLastStatus(GfxStatus::Ok);
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  SetSourceArgb(cr, color);
  cairo_paint(cr);
  cairo_restore(cr);
  return SetLastStatus(GfxStatus::Ok);
}

// Cairo's fixed-point coordinates end near 2^23 pixels, and flattening a
// curve millions of pixels long takes seconds; like GDI+, such geometry is
// refused with ValueOverflow instead of drawn.
constexpr double kMaxDeviceCoordinate = double(1 << 22);

bool GfxGraphics::inRange(const PathData& path, double pad) const {
  cairo_t* cr = m_native.get();
  if (!(pad < kMaxDeviceCoordinate)) return false;
  cairo_matrix_t ctm;
  cairo_get_matrix(cr, &ctm);
  auto ok = [&](double ux, double uy) {
    const double x = ctm.xx * ux + ctm.xy * uy + ctm.x0, y = ctm.yx * ux + ctm.yy * uy + ctm.y0;
    return std::fabs(x) + pad < kMaxDeviceCoordinate && std::fabs(y) + pad < kMaxDeviceCoordinate;
  };
  for (const PathSegment& s : path.segments) {
    if (s.kind == PathSegment::Close) continue;
    if (!ok(s.x1, s.y1)) return false;
    if (s.kind == PathSegment::Curve && (!ok(s.x2, s.y2) || !ok(s.x3, s.y3))) return false;
  }
  return true;
}

bool GfxGraphics::fill(const GfxBrush& brush, const GfxPath& path) {
  if (!m_native || !brush.GetNative() || !path.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  if (Aborted()) return SetLastStatus(GfxStatus::Aborted);
  cairo_t* cr = m_native.get();
  cairo_set_source(cr, brush.GetNative());
  // Glyph outlines go through FreeType's exact-coverage rasteriser, which
  // takes only points well inside the range checked below.
  if (cairo_get_antialias(cr) != CAIRO_ANTIALIAS_NONE &&
      (path.GetNative()->segments.size() >= kCoverageFillMinSegments || path.GetNative()->glyphs) &&
      FillWithCoverageMask(cr, *path.GetNative(), m_clip))
    return SetLastStatus(GfxStatus::Ok);
  if (!inRange(*path.GetNative(), 0)) return SetLastStatus(GfxStatus::ValueOverflow);
  path.Replay(cr);
  cairo_set_fill_rule(cr, path.GetNative()->fillMode == FillModeWinding ? CAIRO_FILL_RULE_WINDING
                                                                        : CAIRO_FILL_RULE_EVEN_ODD);
  cairo_fill(cr);
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::stroke(const GfxPen& pen, const GfxPath& path) {
  if (!m_native || !pen.GetNative() || !path.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  if (Aborted()) return SetLastStatus(GfxStatus::Aborted);
  cairo_t* cr = m_native.get();
  const double width = penWidth(pen);
  double devX = width, devY = 0;
  cairo_user_to_device_distance(cr, &devX, &devY);
  if (!inRange(*path.GetNative(), std::hypot(devX, devY))) return SetLastStatus(GfxStatus::ValueOverflow);
  path.Replay(cr);
  cairo_set_line_width(cr, width);
  SetSourceArgb(cr, pen.GetNative()->color);
  cairo_stroke(cr);
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::FillPath(const GfxBrush& brush, const GfxPath& path) { return fill(brush, path); }
bool GfxGraphics::DrawPath(const GfxPen& pen, const GfxPath& path) { return stroke(pen, path); }

bool GfxGraphics::FillRectangle(const GfxBrush& brush, float x, float y, float width, float height) {
  GfxPath path;
  path.Create();
  path.AddRectangle(x, y, width, height);
  return fill(brush, path);
}

bool GfxGraphics::FillRectangleI(const GfxBrush& brush, int32_t x, int32_t y, int32_t width, int32_t height) {
  GfxPath path;
  path.Create();
  path.AddRectangleI(x, y, width, height);
  return fill(brush, path);
}

bool GfxGraphics::FillEllipseI(const GfxBrush& brush, int32_t x, int32_t y, int32_t width, int32_t height) {
  GfxPath path;
  path.Create();
  if (!path.AddEllipseI(x, y, width, height)) return false;
  return fill(brush, path);
}

double GfxGraphics::penWidth(const GfxPen& pen) const {
  double width = std::fabs(double(pen.GetNative()->width));
  if (width == 0) {
    // GDI+ draws a zero-width pen one device pixel wide.
    double dx = m_pixelSize, dy = 0;
    cairo_device_to_user_distance(m_native.get(), &dx, &dy);
    width = std::hypot(dx, dy);
  }
  return width;
}

namespace {

struct EllipseBandKey {
  int32_t x, y, width, height;
  double pen, scale;  // the pen's width, device pixels per unit
  bool operator==(const EllipseBandKey&) const = default;
};

// The band between the offsets of an ellipse path's curve, in user space,
// traced finely enough that no chord strays more than a hundredth of a
// device pixel. The last few are kept: an editor redraws the same frame
// on every keystroke, and tracing it costs more than filling it.
struct EllipseBand {
  EllipseBandKey key;
  GfxPath path;
};

std::array<std::optional<EllipseBand>, 4>& keptEllipseBands() {
  thread_local std::array<std::optional<EllipseBand>, 4> kept;
  return kept;
}

const PathData& ellipseBand(const EllipseBandKey& key) {
  std::array<std::optional<EllipseBand>, 4>& kept = keptEllipseBands();
  thread_local size_t next = 0;
  for (auto& k : kept)
    if (k && k->key == key) return *k->path.GetNative();
  GfxPath ring;
  ring.Create(FillModeAlternate);
  const double a = key.width / 2.0, b = key.height / 2.0, half = key.pen / 2;
  constexpr double kPi = 3.141592653589793, kStray = 0.01;
  const int perQuarter =
      std::clamp(int(std::ceil(kPi / 2 * std::sqrt(std::max(a, b) * key.scale / (8 * kStray)))), 8, 4096);
  const double cx = key.x + a, cy = key.y + b, k = 4.0 / 3.0 * std::tan(kPi / 8);
  for (const double offset : {half, -half}) {
    for (int quarter = 0; quarter < 4; ++quarter) {
      const double t0 = quarter * kPi / 2, t1 = t0 + kPi / 2;
      const double c0 = std::cos(t0), s0 = std::sin(t0), c1 = std::cos(t1), s1 = std::sin(t1);
      const double p0x = cx + a * c0, p0y = cy + b * s0, p1x = cx + a * (c0 - k * s0), p1y = cy + b * (s0 + k * c0);
      const double p2x = cx + a * (c1 + k * s1), p2y = cy + b * (s1 - k * c1), p3x = cx + a * c1, p3y = cy + b * s1;
      for (int i = 0; i < perQuarter; ++i) {
        const double u = double(i) / perQuarter, v = 1 - u;
        const double px = v * v * v * p0x + 3 * v * v * u * p1x + 3 * v * u * u * p2x + u * u * u * p3x;
        const double py = v * v * v * p0y + 3 * v * v * u * p1y + 3 * v * u * u * p2y + u * u * u * p3y;
        const double dx = 3 * (v * v * (p1x - p0x) + 2 * v * u * (p2x - p1x) + u * u * (p3x - p2x));
        const double dy = 3 * (v * v * (p1y - p0y) + 2 * v * u * (p2y - p1y) + u * u * (p3y - p2y));
        const double length = std::hypot(dx, dy);
        const double qx = px + offset * dy / length, qy = py - offset * dx / length;
        if (quarter == 0 && i == 0)
          ring.AppendMove(qx, qy);
        else
          ring.AppendLine(qx, qy);
      }
    }
    ring.AppendClose();
  }
  auto& slot = kept[next++ % kept.size()];
  slot.emplace(EllipseBand{key, std::move(ring)});
  return *slot->path.GetNative();
}

}  // namespace

void TrimEllipseBands() {
  for (auto& k : keptEllipseBands()) k.reset();
}

bool GfxGraphics::DrawEllipseI(const GfxPen& pen, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!m_native || !pen.GetNative() || width <= 0 || height <= 0) return SetLastStatus(GfxStatus::InvalidParameter);
  if (Aborted()) return SetLastStatus(GfxStatus::Aborted);
  const cairo_matrix_t& m = m_world;
  const bool similarity = m.xx == m.yy && m.xy == -m.yx;
  const double w = penWidth(pen), half = w / 2;
  const double a = width / 2.0, b = height / 2.0, shortest = std::min(a, b);
  // Where the curve turns fastest, its radius; an inner band edge past it folds.
  const double tightest = shortest * shortest / std::max(a, b);
  const double scale = std::hypot(m.xx, m.yx);  // device pixels per unit
  // An ellipse keeps the stroker on pages (where it stays four curves) and
  // for hairlines (drawn as they always were).
  const bool raster = cairo_surface_get_type(cairo_get_target(m_native.get())) == CAIRO_SURFACE_TYPE_IMAGE;
  if (!similarity || cairo_get_antialias(m_native.get()) == CAIRO_ANTIALIAS_NONE ||
      (width != height && (!raster || w * scale <= 1.5 || half >= tightest || tightest * scale < 4))) {
    GfxPath path;
    path.Create();
    path.AddEllipseI(x, y, width, height);
    return stroke(pen, path);
  }
  // An outline is the band between the curve moved out and in by half the
  // pen along its normal: for a circle two circles; for an ellipse the
  // offsets of the curve an ellipse path holds (four Béziers, as the
  // stroker would follow them), which are not ellipses (ellipseBand).
  // Filling that band is much cheaper than running the stroker round it.
  GfxPath circles;
  const PathData* ring = nullptr;
  if (width == height) {
    circles.Create(FillModeAlternate);
    circles.AddEllipse(float(x - half), float(y - half), float(width + w), float(height + w));
    if (width - w > 0) circles.AddEllipse(float(x + half), float(y + half), float(width - w), float(height - w));
    ring = circles.GetNative();
  } else {
    ring = &ellipseBand({x, y, width, height, w, scale});
  }
  cairo_t* cr = m_native.get();
  SetSourceArgb(cr, pen.GetNative()->color);
  if (!FillWithCoverageMask(cr, *ring, m_clip)) {
    if (!inRange(*ring, 0)) return SetLastStatus(GfxStatus::ValueOverflow);
    ReplayPathData(cr, *ring);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
  }
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::SetClipPath(const GfxPath& path, int32_t combineMode) {
  if (!m_native || !path.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_t* cr = m_native.get();
  if (combineMode != CombineModeReplace && combineMode != CombineModeIntersect && combineMode != CombineModeExclude)
    return SetLastStatus(GfxStatus::NotImplemented);
  if (combineMode == CombineModeReplace) cairo_reset_clip(cr);
  // GDI+ clip regions are pixel-exact: a pixel is in when its centre is.
  // A vector page has no pixels: there the same setting would round the
  // clip to whole points or millimetres, so it keeps its exact edges.
  // (No save/restore here: the clip lives in the state it would undo.)
  if (!m_vector) cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_new_path(cr);
  // On a bitmap the pixels in the clip are those whose centres are inside;
  // with the path on whole pixels that is the path half a pixel up and to
  // the left. A page gets that same area, as exact edges.
  if (m_vector) {
    cairo_save(cr);
    cairo_translate(cr, -0.5, -0.5);
  }
  if (inRange(*path.GetNative(), 0)) {
    path.Replay(cr);
  } else {
    // A clip is never dropped for being out of range: what it covers of
    // the surface is kept exactly, the rest of it is cut away.
    const double margin = 16;
    const DeviceBox box{-margin, -margin, m_targetWidth + margin, m_targetHeight + margin};
    const PathData bounded = BoundPathToBox(cr, *path.GetNative(), box);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    ReplayPathData(cr, bounded);
    cairo_restore(cr);  // the path stays, in device coordinates
  }
  if (m_vector) cairo_restore(cr);
  if (combineMode == CombineModeExclude) {
    // Cairo can only intersect: exclude = (a rectangle holding both the
    // surface and the path) + the path, filled even-odd.
    double x1, y1, x2, y2;
    cairo_path_extents(cr, &x1, &y1, &x2, &y2);
    double corners[4][2] = {{0, 0}, {m_targetWidth, 0}, {0, m_targetHeight}, {m_targetWidth, m_targetHeight}};
    for (auto& c : corners) {
      cairo_device_to_user(cr, &c[0], &c[1]);
      x1 = std::min(x1, c[0]), y1 = std::min(y1, c[1]), x2 = std::max(x2, c[0]), y2 = std::max(y2, c[1]);
    }
    // The outer rectangle turns the other way round from the path, so that
    // the nonzero rule cuts the same hole as even-odd: a vector file whose
    // reader ignores the clip's fill rule still shows the band cut out.
    double area = 0;
    if (cairo_path_t* flat = cairo_copy_path_flat(cr)) {
      double startX = 0, startY = 0, lastX = 0, lastY = 0;
      for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
        const cairo_path_data_t* d = &flat->data[i];
        if (d->header.type == CAIRO_PATH_MOVE_TO) {
          area += lastX * startY - startX * lastY;  // closes the previous figure
          startX = lastX = d[1].point.x, startY = lastY = d[1].point.y;
        } else if (d->header.type == CAIRO_PATH_LINE_TO) {
          area += lastX * d[1].point.y - d[1].point.x * lastY;
          lastX = d[1].point.x, lastY = d[1].point.y;
        }
      }
      area += lastX * startY - startX * lastY;
      cairo_path_destroy(flat);
    }
    const double left = x1 - 2, top = y1 - 2, right = x2 + 2, bottom = y2 + 2;
    cairo_new_sub_path(cr);
    if (area > 0) {
      cairo_move_to(cr, left, top);
      cairo_line_to(cr, left, bottom);
      cairo_line_to(cr, right, bottom);
      cairo_line_to(cr, right, top);
    } else {
      cairo_move_to(cr, left, top);
      cairo_line_to(cr, right, top);
      cairo_line_to(cr, right, bottom);
      cairo_line_to(cr, left, bottom);
    }
    cairo_close_path(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  } else {
    cairo_set_fill_rule(cr, path.GetNative()->fillMode == FillModeWinding ? CAIRO_FILL_RULE_WINDING
                                                                          : CAIRO_FILL_RULE_EVEN_ODD);
  }
  cairo_clip(cr);
  m_clip = NewClipId();
  ApplyAntialias();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::GetVisibleClipBounds(GfxRectF* bounds) const {
  if (!m_native || !bounds) return SetLastStatus(GfxStatus::InvalidParameter);
  double x1, y1, x2, y2;
  cairo_clip_extents(m_native.get(), &x1, &y1, &x2, &y2);
  *bounds = {float(x1), float(y1), float(x2 - x1), float(y2 - y1)};
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::ResetClip() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_reset_clip(m_native.get());
  m_clip = kNoClip;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxGraphics::DrawImageI(const GfxImage& image, int32_t x, int32_t y) {
  if (!image.GetNative()) return SetLastStatus(GfxStatus::InvalidParameter);
  const int32_t w = int32_t(image.GetWidth()), h = int32_t(image.GetHeight());
  return DrawImageRectRectI(image, x, y, w, h, 0, 0, w, h);
}

bool GfxGraphics::DrawImageRectRectI(const GfxImage& image, int32_t dstX, int32_t dstY, int32_t dstWidth,
                                     int32_t dstHeight, int32_t srcX, int32_t srcY, int32_t srcWidth,
                                     int32_t srcHeight, int32_t srcUnit, const GfxImageAttributes*) {
  if (!m_native || !image.GetNative() || srcUnit != UnitPixel) return SetLastStatus(GfxStatus::InvalidParameter);
  if (dstWidth == 0 || dstHeight == 0 || srcWidth <= 0 || srcHeight <= 0)
    return SetLastStatus(GfxStatus::InvalidParameter);
  if (Aborted()) return SetLastStatus(GfxStatus::Aborted);
  {
    GfxPath box;
    box.Create();
    box.AddRectangle(float(dstX), float(dstY), float(dstWidth), float(dstHeight));
    if (!inRange(*box.GetNative(), 0)) return SetLastStatus(GfxStatus::ValueOverflow);
  }
  cairo_t* cr = m_native.get();
  cairo_save(cr);
  // Images sit on the pixel grid itself: their pixel edges fall on integer
  // coordinates, so no half-pixel offset here.
  cairo_matrix_t onGrid, scaled;
  cairo_matrix_init_scale(&scaled, m_deviceScale, m_deviceScale);
  cairo_matrix_multiply(&onGrid, &m_world, &scaled);
  onGrid.x0 -= m_originX, onGrid.y0 -= m_originY;
  cairo_set_matrix(cr, &onGrid);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image.GetNative());
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, srcX, srcY);
  cairo_matrix_scale(&m, double(srcWidth) / dstWidth, double(srcHeight) / dstHeight);
  cairo_matrix_translate(&m, -double(dstX), -double(dstY));
  cairo_pattern_set_matrix(pattern, &m);
  const bool identity = srcWidth == dstWidth && srcHeight == dstHeight && m_deviceScale == 1 &&
                        m_originX == std::floor(m_originX) && m_originY == std::floor(m_originY) && m_world.xx == 1 &&
                        m_world.yy == 1 &&
                        m_world.xy == 0 && m_world.yx == 0 && m_world.x0 == std::floor(m_world.x0) &&
                        m_world.y0 == std::floor(m_world.y0);
  cairo_pattern_set_filter(pattern, identity ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  // Padding keeps stretched edges from fading into transparency.
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_set_source(cr, pattern);
  cairo_new_path(cr);
  cairo_rectangle(cr, dstX, dstY, dstWidth, dstHeight);
  cairo_fill(cr);
  cairo_pattern_destroy(pattern);
  cairo_restore(cr);
  return SetLastStatus(GfxStatus::Ok);
}

}  // namespace korvane
