#include "render/render_caches.h"

#include "drawing/gfx_status.h"

namespace korvane {

void RenderCaches::Trim() {
  m_pictures.Clear();
  TrimThreadScratch();
}

}  // namespace korvane
