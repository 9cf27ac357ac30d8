// A seal as a file: PNG at its pixel size or scaled to a physical size and
// resolution, or true vector SVG and PDF drawn by the same renderer (text as
// outlines, circles as curves, the clip band as a clip).
#pragma once

#include <optional>
#include <string>

#include "document/seal_document.h"
#include "render/render_caches.h"
#include "render/seal_renderer.h"

namespace korvane {

enum class OutputKind { Png, Svg, Pdf };

// By extension, case ignored: ".png", ".svg" and ".pdf"; null for any other.
std::optional<OutputKind> OutputKindOfExtension(const std::string& path);
// The same, with PNG for any other extension.
OutputKind OutputKindForPath(const std::string& path);

struct PrintOptions {
  double sizeMm = 0;  // > 0: the seal measures this across (SealOuterExtent)
  double dpi = 0;     // > 0: written into the PNG; converts millimetres (else 96)
  // >= 0: the output is trimmed to the seal's outer edge plus this many
  // millimetres on every side, so that the image is as wide as the seal.
  double cropMm = -1;
};

// Resolution of a PNG made at a seal's own physical size when none is given.
inline constexpr double kDefaultPrintDpi = 300;

// Lowest and highest resolution accepted from the user.
inline constexpr double kMinDpi = 72;
inline constexpr double kMaxDpi = 2400;

// The size a seal maker measures: the outer edge of the largest drawn frame
// (a circle's diameter or a rectangle's larger side, plus its line width),
// or the seal's larger side when no frame is drawn. In seal pixels.
double SealOuterExtent(const SealDocument& doc);

// The box of the drawn frames' outer edges, centred on the seal as they
// are (the seal's whole area when no frame is drawn). In seal pixels.
SealBox SealOuterBox(const SealDocument& doc);

// Device pixels per seal pixel for a physical size at a resolution.
double ScaleForPhysicalSize(const SealDocument& doc, double sizeMm, double dpi);

// The file's bytes; false with a one-line reason when the seal cannot be
// drawn (a side below 1, or beyond 16384 pixels once scaled). A seal with a
// size of its own (SizeMM) is made that size unless `options` give one; a
// PNG then at kDefaultPrintDpi unless they give a resolution.
// `caches`, when given, keep decoded pictures for the next seal (a batch,
// an editor); without, the call decodes what it needs and keeps nothing.
bool EncodeSeal(const SealDocument& doc, OutputKind kind, const PrintOptions& options, std::string* bytes,
                std::string* error, RenderCaches* caches = nullptr);

}  // namespace korvane
