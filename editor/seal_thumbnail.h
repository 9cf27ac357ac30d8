// Small pictures of seals, for the preset chooser and the template list:
// drawn at the small size (never a shrunken bitmap), centred on a square.
#pragma once

#include <QImage>
#include <atomic>

#include "document/seal_document.h"
#include "render/render_caches.h"
#include "render/seal_renderer.h"

namespace korvane {

// The seal fitted into a transparent `side` x `side` square; a null image
// when it cannot be drawn or `abort` was raised. Safe on any thread.
QImage SealThumbnail(const SealDocument& doc, int side, RenderCaches& caches,
                     const std::atomic<bool>* abort = nullptr);

// The seal drawn `scale` times its pixels, only `crop` of it when given,
// as an image of its own (premultiplied ARGB). Null when it cannot be drawn.
QImage SealImage(const SealDocument& doc, double scale, const SealBox* crop, RenderCaches& caches);

}  // namespace korvane
