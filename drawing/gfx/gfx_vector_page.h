// A page of an SVG or PDF file, drawn on through a GfxGraphics like a
// bitmap, and finished into the file's bytes.
#pragma once

#include <memory>
#include <string>

#include "drawing/gfx/gfx_graphics.h"
#include "drawing/native_handles.h"

namespace korvane {

enum class VectorFormat { Svg, Pdf };
// What one unit of the page is: SVG pages in pixels or millimetres, PDF
// pages always in points.
enum class VectorUnit { Pixel, Millimetre, Point };

class GfxVectorPage {
 public:
  GfxVectorPage();
  ~GfxVectorPage();
  GfxVectorPage(const GfxVectorPage&) = delete;
  GfxVectorPage& operator=(const GfxVectorPage&) = delete;

  // A blank page of width x height units. False when the page cannot be
  // made (a side not above 0, or not finite).
  bool Create(VectorFormat format, double width, double height, VectorUnit unit);
  // A graphics that draws on the page, its world units the page's units.
  bool GetGraphics(GfxGraphics* graphics);
  // Ends the page and hands over the file. The same drawing gives the same
  // bytes: element ids are numbered within the file and no creation date
  // is written. False when anything drawn or written failed.
  bool Finish(std::string* bytes);

 private:
  CairoSurfacePtr m_surface;
  std::unique_ptr<std::string> m_bytes;  // where the surface writes
  VectorFormat m_format = VectorFormat::Svg;
  double m_width = 0, m_height = 0;
};

}  // namespace korvane
