#include "drawing/gfx_status.h"

#include "drawing/gfx/gfx_graphics.h"
#include "drawing/raster/coverage_fill.h"
#include "drawing/codecs/picture_decoder.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/row_deflate.h"

#include <atomic>

namespace korvane {

namespace {
thread_local GfxStatus t_lastStatus = GfxStatus::Ok;
std::atomic<uint32_t> g_startToken{0};
std::atomic<uint32_t> g_nextToken{1};
}  // namespace

GfxStatus LastStatus() { return t_lastStatus; }

bool SetLastStatus(GfxStatus status) {
  t_lastStatus = status;
  return status == GfxStatus::Ok;
}

uint32_t StartGraphics(int32_t version) {
  if (version != 1) {
    SetLastStatus(GfxStatus::InvalidParameter);
    return 0;
  }
  // Cairo, FreeType and Fontconfig initialise lazily on first use; the token
  // only records that the layer is in use.
  uint32_t token = g_nextToken.fetch_add(1);
  g_startToken.store(token);
  SetLastStatus(GfxStatus::Ok);
  return token;
}

void StopGraphics() { g_startToken.store(0); }

uint32_t GraphicsStartToken() { return g_startToken.load(); }

void TrimThreadScratch() {
  TrimCoverageMasks();
  TrimEllipseBands();
  TrimDeflateScratch();
  TrimSpareBitmap();
}

size_t SetThreadMaskBudget(size_t bytes) { return SetCoverageMaskBudget(bytes); }

}  // namespace korvane
