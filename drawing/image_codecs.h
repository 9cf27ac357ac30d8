// Decoding PNG, JPEG and BMP into premultiplied cairo surfaces, and PNG
// encoding with straight alpha. Every decoder refuses a picture wider or
// taller than kMaxBitmapSide before allocating for it.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "drawing/gfx_status.h"
#include "drawing/memory_stream.h"
#include "drawing/native_handles.h"

namespace korvane {

// A transparent ARGB32 surface, or null for a side outside 1..kMaxBitmapSide.
CairoSurfacePtr CreateArgbSurface(int width, int height);

struct DecodedImage {
  CairoSurfacePtr surface;
  std::string rawFormat;  // format GUID text
  GfxStatus status = GfxStatus::Ok;
};

DecodedImage DecodeImage(const uint8_t* data, size_t size);

// Writes the surface as an 8-bit RGBA PNG with straight alpha.
bool EncodePng(cairo_surface_t* surface, MemoryStream& out);

// Pixel access with GDI+'s straight 0xAARRGGBB.
ARGB UnpremultiplyPixel(uint32_t premultiplied);
uint32_t PremultiplyPixel(ARGB straight);

}  // namespace korvane
