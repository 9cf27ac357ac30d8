// Images and bitmaps: premultiplied ARGB32 cairo surfaces that start fully
// transparent; pixels are read back straight, as 0xAARRGGBB.
#pragma once

#include <cairo.h>

#include <string>

#include "drawing/gfx_status.h"
#include "drawing/gfx_types.h"
#include "drawing/codecs/picture_decoder.h"
#include "drawing/codecs/memory_stream.h"

namespace korvane {


class GfxImage {
 public:
  GfxImage() = default;
  GfxImage(GfxImage&&) noexcept = default;
  GfxImage& operator=(GfxImage&&) noexcept = default;
  virtual ~GfxImage() = default;

  cairo_surface_t* GetNative() const { return m_native.get(); }

  // Drops the image, then the bytes it was loaded from.
  bool Dispose();
  bool LoadFromFile(const std::string& path, bool useIcm = false);
  bool LoadFromBytes(const ByteArray& bytes, bool useIcm = false);

  uint32_t GetWidth() const;
  uint32_t GetHeight() const;
  // Format GUID text of what the image was loaded from; a bitmap made in
  // memory has kImageFormatMemoryBMP, for which there is no encoder.
  std::string GetRawFormat() const;

  // When formatGiven is false the image's own format is used and written
  // back into `format`.
  bool SaveToFile(const std::string& path, std::string& format, bool formatGiven = true);
  ByteArray SaveToBytes(std::string& format, bool formatGiven = true) const;
  // The image as a PNG file's bytes, made in place: no stream between.
  bool SavePngTo(std::string* bytes) const;

  bool GetPixel(int32_t x, int32_t y, ARGB* color) const;
  // The resolution written into encoded files (dots per inch); 0, the
  // default, writes none.
  bool SetResolution(float dpiX, float dpiY);
  float GetHorizontalResolution() const { return m_dpi; }

 protected:
  bool adopt(DecodedImage&& decoded);

  CairoSurfacePtr m_native;
  std::string m_rawFormat;
  MemoryStream m_stream;
  float m_dpi = 0;
};

class GfxBitmap : public GfxImage {
 public:
  bool CreateFromFile(const std::string& path, bool useIcm = false) { return LoadFromFile(path, useIcm); }
  bool CreateFromBytes(const ByteArray& bytes, bool useIcm = false) { return LoadFromBytes(bytes, useIcm); }
  // Decodes no larger than needed to cover coverWidth x coverHeight (JPEG
  // scales in its DCT; other formats decode whole).
  bool CreateFromFileToCover(const std::string& path, int32_t coverWidth, int32_t coverHeight);
  // A transparent bitmap; sides above kMaxBitmapSide fail with OutOfMemory.
  bool CreateBlank(int32_t width, int32_t height, int32_t format = PixelFormat32bppARGB);
  bool SetPixel(int32_t x, int32_t y, ARGB color);
};

}  // namespace korvane
