// The picture readers behind DecodeImage, one file each.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drawing/codecs/picture_decoder.h"

namespace korvane::readers {

bool PictureSizeAllowed(int64_t width, int64_t height);
// The largest whole factor by which a picture may shrink and still cover
// the box: each output pixel is the mean of a factor x factor block.
int ReductionFactor(int64_t width, int64_t height, int coverWidth, int coverHeight);

// The size a header declares; false when the header is cut short or damaged.
bool ReadPngSize(const uint8_t* data, size_t size, int64_t* width, int64_t* height);
bool ReadBmpSize(const uint8_t* data, size_t size, int64_t* width, int64_t* height);

DecodedImage DecodePng(const uint8_t* data, size_t size, int coverWidth, int coverHeight);
DecodedImage DecodeJpeg(const uint8_t* data, size_t size, int coverWidth, int coverHeight);
bool ReadJpegSize(const uint8_t* data, size_t size, int64_t* width, int64_t* height);
DecodedImage DecodeBmp(const uint8_t* data, size_t size);

}  // namespace korvane::readers
