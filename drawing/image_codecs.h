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

// Pictures of more pixels than this are refused from their header, before
// anything is decoded: a few bytes may declare gigabytes of pixels.
inline constexpr int64_t kMaxPicturePixels = 100000000;

// Decodes PNG, JPEG or BMP. With a size to cover, a JPEG is decoded at the
// smallest DCT scale (1/8 to 1) whose pixels still cover it, and a PNG is
// reduced by the largest whole factor that still covers it as its rows are
// read (memory follows the reduced size).
DecodedImage DecodeImage(const uint8_t* data, size_t size, int coverWidth = 0, int coverHeight = 0);

// Shrinks a decoded picture by a whole factor, each pixel the mean of its
// block (premultiplied); unchanged when it cannot.
void ReducePicture(DecodedImage* image, int factor);

// The width and height a PNG, JPEG or BMP declares, read from its header
// alone; false when the bytes are none of them or the header is damaged.
bool ReadPictureSize(const uint8_t* data, size_t size, int64_t* width, int64_t* height);

// Whether the first bytes of a file are those of a PNG, JPEG or BMP: a file
// that is none of them is refused before the rest of it is read.
inline constexpr size_t kPictureSignatureBytes = 8;
bool LooksLikePicture(const uint8_t* head, size_t size);

// Writes the surface as an 8-bit RGBA PNG with straight alpha; with a
// resolution (dots per inch, above 0) a pHYs chunk records it.
bool EncodePng(cairo_surface_t* surface, MemoryStream& out, double dpi = 0);

// Lets go of the row buffer this thread keeps between encodes.
void TrimEncoderBuffers();

// Pixels per metre of a resolution in dots per inch, as pHYs stores it.
uint32_t PixelsPerMetre(double dpi);

// Pixel access with GDI+'s straight 0xAARRGGBB.
ARGB UnpremultiplyPixel(uint32_t premultiplied);
uint32_t PremultiplyPixel(ARGB straight);

}  // namespace korvane
