// Small pictures of seals, for the preset chooser and the template list:
// drawn at the small size (never a shrunken bitmap), centred on a square.
#pragma once

#include <QImage>
#include <atomic>

#include "document/seal_document.h"
#include "render/render_caches.h"

namespace korvane {

// The seal fitted into a transparent `side` x `side` square; a null image
// when it cannot be drawn or `abort` was raised. Safe on any thread.
QImage SealThumbnail(const SealDocument& doc, int side, RenderCaches& caches,
                     const std::atomic<bool>* abort = nullptr);

}  // namespace korvane
