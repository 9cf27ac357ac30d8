#include "render/text_layer.h"

namespace korvane {

void DrawTextItem(const RenderTarget&, const SealText&) {}

}  // namespace korvane
