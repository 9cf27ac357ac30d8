// A seal as a file: PNG at its pixel size or scaled to a physical size and
// resolution, or true vector SVG and PDF drawn by the same renderer (text as
// outlines, circles as curves, the clip band as a clip).
#pragma once

#include <optional>
#include <string>

#include "document/seal_document.h"
#include "render/render_caches.h"

namespace korvane {

enum class OutputKind { Png, Svg, Pdf };

// By extension, case ignored: ".png", ".svg" and ".pdf"; null for any other.
std::optional<OutputKind> OutputKindOfExtension(const std::string& path);
// The same, with PNG for any other extension.
OutputKind OutputKindForPath(const std::string& path);

struct PrintOptions {
  double sizeMm = 0;  // > 0: the seal measures this across (SealOuterExtent)
  double dpi = 0;     // > 0: written into the PNG; converts millimetres (else 96)
};

// Lowest and highest resolution accepted from the user.
inline constexpr double kMinDpi = 72;
inline constexpr double kMaxDpi = 2400;

// The size a seal maker measures: the outer edge of the largest drawn frame
// (a circle's diameter or a rectangle's larger side, plus its line width),
// or the seal's larger side when no frame is drawn. In seal pixels.
double SealOuterExtent(const SealDocument& doc);

// Device pixels per seal pixel for a physical size at a resolution.
double ScaleForPhysicalSize(const SealDocument& doc, double sizeMm, double dpi);

// The file's bytes; false with a one-line reason when the seal cannot be
// drawn (a side below 1, or beyond 16384 pixels once scaled).
// `caches`, when given, keep decoded pictures for the next seal (a batch,
// an editor); without, the call decodes what it needs and keeps nothing.
bool EncodeSeal(const SealDocument& doc, OutputKind kind, const PrintOptions& options, std::string* bytes,
                std::string* error, RenderCaches* caches = nullptr);

}  // namespace korvane
