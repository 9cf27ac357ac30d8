// Reading PNG, JPEG and BMP pictures into premultiplied cairo surfaces.
// Every reader refuses a picture wider or taller than kMaxBitmapSide, or of
// more than kMaxPicturePixels, from its header before allocating for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "drawing/gfx_status.h"
#include "drawing/native_handles.h"

namespace korvane {

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

}  // namespace korvane
