// Text items: ring text along the top or bottom of a circle, or one line.
#pragma once

#include "document/seal_document.h"
#include "render/seal_renderer.h"

namespace korvane {

void DrawTextItem(const RenderTarget& target, const SealText& item);

}  // namespace korvane
