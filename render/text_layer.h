// Text items: ring text along the top or bottom of a circle, or one line.
#pragma once

#include "document/seal_document.h"
#include "drawing/gfx/gfx_font.h"
#include "render/render_context.h"

namespace korvane {

void DrawTextItem(const RenderTarget& target, const SealText& item);

// One horizontal line centred on the seal, each character centred in its
// own measured cell; the band's top is OffsetY.
void DrawLineText(const RenderTarget& target, const SealText& item, const GfxFont& font);

}  // namespace korvane
