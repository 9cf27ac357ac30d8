// A region: what MeasureCharacterRanges gives for each range, a box.
#pragma once

#include <memory>

#include "drawing/gfx/gfx_path.h"
#include "drawing/gfx_status.h"

namespace korvane {

class GfxGraphics;

class GfxRegion {
 public:
  GfxRectF* GetNative() const { return m_native.get(); }
  bool Create();
  bool Delete();
  void SetRect(const GfxRectF& rect);
  bool GetBounds(const GfxGraphics& graphics, GfxRectF* bounds) const;

 private:
  std::unique_ptr<GfxRectF> m_native;
};

}  // namespace korvane
