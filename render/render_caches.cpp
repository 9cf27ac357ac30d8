#include "render/render_caches.h"

#include "drawing/gfx_status.h"
#include "render/ellipse_text.h"

namespace korvane {

void RenderCaches::Trim() {
  m_pictures.Clear();
  TrimThreadScratch();
  TrimArcLengths();
}

}  // namespace korvane
