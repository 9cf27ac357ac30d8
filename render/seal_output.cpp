#include "render/seal_output.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "base/numbers.h"
#include "render/seal_renderer.h"

namespace korvane {

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kPointsPerInch = 72;
constexpr double kDefaultDpi = 96;
constexpr double kMaxVectorPageSide = double(1 << 21);

std::string sizeText(double w, double h) {
  return std::to_string(int64_t(std::llround(w))) + " x " + std::to_string(int64_t(std::llround(h)));
}

// The crop asked for, in seal pixels (`pixelsPerMm` of them a millimetre).
std::optional<SealBox> cropBox(const SealDocument& doc, const PrintOptions& options, double pixelsPerMm) {
  if (!(options.cropMm >= 0)) return std::nullopt;
  SealBox box = SealOuterBox(doc);
  const double margin = options.cropMm * pixelsPerMm;
  box.X -= margin, box.Y -= margin, box.Width += 2 * margin, box.Height += 2 * margin;
  return box;
}

}  // namespace

std::optional<OutputKind> OutputKindOfExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "png") return OutputKind::Png;
  if (ext == "svg") return OutputKind::Svg;
  if (ext == "pdf") return OutputKind::Pdf;
  return std::nullopt;
}

OutputKind OutputKindForPath(const std::string& path) { return OutputKindOfExtension(path).value_or(OutputKind::Png); }

double SealOuterExtent(const SealDocument& doc) {
  double extent = 0;
  for (const SealFrame& f : doc.Frame.Item) {
    const bool line = f.LineColor != kNoColor && f.LineWidth > 0;
    const bool fill = f.FillColor != kNoColor;
    if (!line && !fill) continue;
    double size = 0;
    if (f.Type == kFrameCircle && f.Width >= 1 && f.Height >= 1)
      size = std::min(f.Width, f.Height);
    else if ((f.Type == kFrameRectangle || f.Type == kFrameEllipse) && f.Width >= 1 && f.Height >= 1)
      size = std::max(f.Width, f.Height);
    else
      continue;
    extent = std::max(extent, size + (line ? f.LineWidth : 0));
  }
  return extent > 0 ? extent : std::max(doc.Width, doc.Height);
}

SealBox SealOuterBox(const SealDocument& doc) {
  double left = 0, top = 0, right = 0, bottom = 0;
  bool any = false;
  for (const SealFrame& f : doc.Frame.Item) {
    const bool line = f.LineColor != kNoColor && f.LineWidth > 0;
    if ((!line && f.FillColor == kNoColor) || f.Width < 1 || f.Height < 1) continue;
    if (f.Type != kFrameCircle && f.Type != kFrameRectangle && f.Type != kFrameEllipse) continue;
    const int32_t d = std::min(f.Width, f.Height);
    const int32_t w = f.Type == kFrameCircle ? d : f.Width, h = f.Type == kFrameCircle ? d : f.Height;
    // Where the renderer puts the frame (its curve from x to x + w, a
    // pixel's centre half a pixel in), and half its pen beyond.
    const double pen = line ? f.LineWidth / 2.0 : 0;
    const double x = TruncToInt((double(doc.Width) - w) / 2.0) + 0.5, y = TruncToInt((double(doc.Height) - h) / 2.0) + 0.5;
    if (!any) left = x - pen, top = y - pen, right = x + w + pen, bottom = y + h + pen;
    left = std::min(left, x - pen), top = std::min(top, y - pen);
    right = std::max(right, x + w + pen), bottom = std::max(bottom, y + h + pen);
    any = true;
  }
  if (!any) return {0, 0, double(doc.Width), double(doc.Height)};
  return {left, top, right - left, bottom - top};
}

double ScaleForPhysicalSize(const SealDocument& doc, double sizeMm, double dpi) {
  const double extent = SealOuterExtent(doc);
  if (!(sizeMm > 0) || !(dpi > 0) || !(extent > 0)) return 1;
  return sizeMm / kMillimetresPerInch * dpi / extent;
}

bool EncodeSeal(const SealDocument& doc, OutputKind kind, const PrintOptions& given, std::string* bytes,
                std::string* error, RenderCaches* caches) {
  PrintOptions options = given;
  if (!(options.sizeMm > 0) && doc.SizeMM > 0) {
    options.sizeMm = doc.SizeMM;
    if (!(options.dpi > 0) && kind == OutputKind::Png) options.dpi = kDefaultPrintDpi;
  }
  RenderCaches ownCaches(0);  // nothing kept past this call
  RenderCaches& used = caches ? *caches : ownCaches;
  if (doc.Width < 1 || doc.Height < 1) {
    *error = "cannot draw a " + sizeText(doc.Width, doc.Height) + " seal (each side must be at least 1 pixel)";
    return false;
  }
  bytes->clear();
  if (kind == OutputKind::Png) {
    const double dpi = options.dpi > 0 ? options.dpi : kDefaultDpi;
    const double scale = options.sizeMm > 0 ? ScaleForPhysicalSize(doc, options.sizeMm, dpi) : 1.0;
    const std::optional<SealBox> crop = cropBox(doc, options, dpi / kMillimetresPerInch / scale);
    const double w = std::round((crop ? crop->Width : doc.Width) * scale),
                 h = std::round((crop ? crop->Height : doc.Height) * scale);
    SealRenderer renderer(used);
    if (!renderer.RenderSealScaled(doc, scale, crop ? &*crop : nullptr)) {
      *error = "cannot render a " + sizeText(w, h) + " seal (each side must be 1 to " +
               std::to_string(kMaxBitmapSide) + " pixels)";
      return false;
    }
    if (options.dpi > 0) renderer.SealBitmap().SetResolution(float(options.dpi), float(options.dpi));
    if (!renderer.SealBitmap().SavePngTo(bytes)) {
      bytes->clear();
      *error = "cannot encode the seal as PNG";
      return false;
    }
    return true;
  }

  // Vector pages: pixels at 96 dpi, or millimetres when a size is given.
  double unitsPerPixel;
  if (kind == OutputKind::Svg)
    unitsPerPixel = options.sizeMm > 0 ? options.sizeMm / SealOuterExtent(doc) : 1.0;
  else
    unitsPerPixel = options.sizeMm > 0 ? options.sizeMm / SealOuterExtent(doc) / kMillimetresPerInch * kPointsPerInch
                                       : kPointsPerInch / kDefaultDpi;
  const std::optional<SealBox> crop =
      cropBox(doc, options, options.sizeMm > 0 ? SealOuterExtent(doc) / options.sizeMm : kDefaultDpi / kMillimetresPerInch);
  const double w = (crop ? crop->Width : doc.Width) * unitsPerPixel,
               h = (crop ? crop->Height : doc.Height) * unitsPerPixel;
  // Cairo keeps page coordinates in 24.8 fixed point: past about 2^21 units
  // a side (with the drawing's margins) everything drawn is dropped, and a
  // seal less than one unit across is only a few of its 1/256 steps. Both
  // would be a file written as a success with nothing on it.
  const char* unit = kind == OutputKind::Pdf ? "pt" : options.sizeMm > 0 ? "mm" : "px";
  const double across = SealOuterExtent(doc) * unitsPerPixel;
  if (!std::isfinite(w) || !std::isfinite(h) || w > kMaxVectorPageSide || h > kMaxVectorPageSide) {
    *error = "cannot draw a " + sizeText(w, h) + " " + unit + " page (each side must be at most " +
             std::to_string(int64_t(kMaxVectorPageSide)) + " " + unit + ")";
    return false;
  }
  if (!(across >= 1) || !(w >= 1.0 / 64) || !(h >= 1.0 / 64)) {
    *error = "cannot draw a seal that small on a vector page (it must measure at least 1 " + std::string(unit) +
             " across)";
    return false;
  }
  GfxVectorPage page;
  if (!page.Create(kind == OutputKind::Svg ? VectorFormat::Svg : VectorFormat::Pdf, w, h,
                   kind == OutputKind::Pdf    ? VectorUnit::Point
                   : options.sizeMm > 0 ? VectorUnit::Millimetre
                                        : VectorUnit::Pixel)) {
    *error = "cannot make a vector page";
    return false;
  }
  if (!RenderSealOnPage(page, doc, unitsPerPixel, used, crop ? &*crop : nullptr) || !page.Finish(bytes)) {
    *error = "cannot draw the seal as a vector file";
    return false;
  }
  return true;
}

}  // namespace korvane
