// Paths and matrices. A path keeps its own list of figures (device
// independent), replayed onto a cairo context when it is filled, stroked or
// used as a clip.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "drawing/gfx_status.h"
#include "drawing/gfx_types.h"

namespace korvane {


struct GfxPoint {
  int32_t X = 0;
  int32_t Y = 0;
};

struct GfxRectF {
  float X = 0, Y = 0, Width = 0, Height = 0;
};

class GfxFontFamily;
struct StringFormatData;
struct GfxGlyphRun;
class GfxStringFormat;

struct PathData;

class GfxPath {
 public:
  GfxPath();
  ~GfxPath();
  GfxPath(GfxPath&&) noexcept;
  GfxPath& operator=(GfxPath&&) noexcept;

  PathData* GetNative() const { return m_native.get(); }

  bool Create(int32_t fillMode = FillModeAlternate);
  bool Delete();
  bool GetFillMode(int32_t* mode) const;
  bool SetFillMode(int32_t mode);
  bool StartFigure();
  bool CloseFigure();
  bool AddLineI(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  bool AddLine(float x1, float y1, float x2, float y2);
  // Arc of the ellipse inscribed in the rectangle; angles in degrees,
  // clockwise from +x with y down. Joined to an open figure by a line.
  bool AddArcI(int32_t x, int32_t y, int32_t width, int32_t height, float startAngle, float sweepAngle);
  bool AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle);
  bool AddBezier(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4);
  bool AddRectangleI(int32_t x, int32_t y, int32_t width, int32_t height);
  bool AddRectangle(float x, float y, float width, float height);
  bool AddEllipseI(int32_t x, int32_t y, int32_t width, int32_t height);
  bool AddEllipse(float x, float y, float width, float height);
  bool AddPolygonI(const std::vector<GfxPoint>& points);
  // Outlines of the text laid out in the rectangle by the format.
  // Glyphs [first, first + count) of a line shaped once (text_layout.h),
  // laid out as that part of the line alone: what AddString of those
  // characters gives, without shaping them again.
  bool AddGlyphs(const GfxGlyphRun& run, size_t first, size_t count, const GfxRectF& layout,
                 const GfxStringFormat& format);
  bool AddStringI(const std::string& text, const GfxFontFamily& family, int32_t style, float emSize, int32_t x,
                  int32_t y, int32_t width, int32_t height, const GfxStringFormat& format);
  bool AddString(const std::string& text, const GfxFontFamily& family, int32_t style, float emSize,
                 const GfxRectF& layout, const GfxStringFormat& format);
  // Empties the path, keeping its fill mode (and its memory).
  bool Reset();
  // Applies the matrix to every point.
  bool Transform(const class GfxMatrix& matrix);
  // Appends another path's figures.
  bool AddPath(const GfxPath& other, bool connect = false);
  int32_t GetPointCount() const;
  bool GetWorldBounds(GfxRectF* bounds) const;

  // Internal: for the text layer, which appends glyph outlines.
  void AppendMove(double x, double y);
  void AppendLine(double x, double y);
  void AppendCurve(double x1, double y1, double x2, double y2, double x3, double y3);
  void AppendClose();

  // Replays the figures as cairo's current path.
  void Replay(cairo_t* cr) const;

 private:
  bool arc(double x, double y, double w, double h, double start, double sweep);
  std::unique_ptr<PathData> m_native;
};

class GfxMatrix {
 public:
  GfxMatrix() = default;
  GfxMatrix(GfxMatrix&&) noexcept = default;
  GfxMatrix& operator=(GfxMatrix&&) noexcept = default;

  cairo_matrix_t* GetNative() const { return m_native.get(); }

  bool Create();
  bool Delete();
  bool Translate(float dx, float dy, int32_t order = MatrixOrderPrepend);
  bool Rotate(float angle, int32_t order = MatrixOrderPrepend);
  bool Scale(float sx, float sy, int32_t order = MatrixOrderPrepend);
  // Rotation by angle degrees about (x, y): three steps in the given order.
  bool RotateAt(float angle, float x, float y, int32_t order = MatrixOrderPrepend);
  bool GetElements(float elements[6]) const;
  bool TransformPoint(double* x, double* y) const;

 private:
  std::unique_ptr<cairo_matrix_t> m_native;
};

}  // namespace korvane
