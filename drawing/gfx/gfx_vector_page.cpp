#include "drawing/gfx/gfx_vector_page.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <cctype>
#include <cmath>
#include <map>

namespace korvane {

namespace {

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// Cairo names surfaces and images by counters that run for the whole
// process, so the second identical file of a batch differs from the first.
// Numbered again in the order they appear, they depend on the file alone.
std::string renumberSvgIds(const std::string& svg) {
  static const std::string_view kPrefixes[] = {"surface", "image"};
  // The prefix of an id such as "surface12" at svg[at] (after a quote or a
  // '#', before a quote or a ')'), and where its digits end; null when none.
  auto idAt = [&svg](size_t at, size_t* end) -> const std::string_view* {
    for (const std::string_view& prefix : kPrefixes) {
      if (svg.compare(at, prefix.size(), prefix) != 0) continue;
      size_t e = at + prefix.size();
      while (e < svg.size() && std::isdigit(static_cast<unsigned char>(svg[e]))) ++e;
      if (e == at + prefix.size() || e >= svg.size() || (svg[e] != '"' && svg[e] != ')')) continue;
      *end = e;
      return &prefix;
    }
    return nullptr;
  };
  std::string out;
  out.reserve(svg.size());
  std::map<std::pair<std::string_view, std::string>, int> numbers;  // (prefix, old number) -> new
  std::map<std::string_view, int> counts;
  for (size_t i = 0; i < svg.size(); ++i) {
    out += svg[i];
    if (svg[i] != '"' && svg[i] != '#') continue;
    size_t end = 0;
    const std::string_view* prefix = idAt(i + 1, &end);
    if (!prefix) continue;
    const size_t digits = i + 1 + prefix->size();
    const auto [it, added] = numbers.emplace(std::make_pair(*prefix, svg.substr(digits, end - digits)), 0);
    if (added) it->second = ++counts[*prefix];
    out.append(*prefix);
    out += std::to_string(it->second);
    i = end - 1;
  }
  return out;
}

}  // namespace

GfxVectorPage::GfxVectorPage() = default;
GfxVectorPage::~GfxVectorPage() = default;

bool GfxVectorPage::Create(VectorFormat format, double width, double height, VectorUnit unit) {
  if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height)) return false;
  auto bytes = std::make_unique<std::string>();
  CairoSurfacePtr surface(format == VectorFormat::Svg
                              ? cairo_svg_surface_create_for_stream(appendTo, bytes.get(), width, height)
                              : cairo_pdf_surface_create_for_stream(appendTo, bytes.get(), width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
  if (format == VectorFormat::Svg)
    cairo_svg_surface_set_document_unit(surface.get(),
                                        unit == VectorUnit::Millimetre ? CAIRO_SVG_UNIT_MM
                                        : unit == VectorUnit::Point    ? CAIRO_SVG_UNIT_PT
                                                                       : CAIRO_SVG_UNIT_PX);
  else
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATE_DATE, "");  // none: reproducible
  m_surface = std::move(surface);
  m_bytes = std::move(bytes);
  m_format = format;
  m_width = width, m_height = height;
  return true;
}

bool GfxVectorPage::GetGraphics(GfxGraphics* graphics) {
  return m_surface && graphics->FromSurface(m_surface.get(), m_width, m_height);
}

bool GfxVectorPage::Finish(std::string* bytes) {
  if (!m_surface) return false;
  cairo_surface_finish(m_surface.get());
  const bool ok = cairo_surface_status(m_surface.get()) == CAIRO_STATUS_SUCCESS && !m_bytes->empty();
  m_surface.reset();
  if (ok) *bytes = m_format == VectorFormat::Svg ? renumberSvgIds(*m_bytes) : std::move(*m_bytes);
  m_bytes.reset();
  return ok;
}

}  // namespace korvane
