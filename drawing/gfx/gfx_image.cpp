#include "drawing/gfx/gfx_image.h"

#include "drawing/codecs/pixels.h"
#include "drawing/codecs/png_writer.h"

#include <cmath>

#include "base/file_io.h"

#include "drawing/codecs/encoders.h"

namespace korvane {

bool GfxImage::Dispose() {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  m_native.reset();
  m_rawFormat.clear();
  m_stream.Release();
  m_dpi = 0;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxImage::adopt(DecodedImage&& decoded) {
  if (!decoded.surface) {
    m_stream.Release();
    return SetLastStatus(decoded.status == GfxStatus::Ok ? GfxStatus::UnknownImageFormat : decoded.status);
  }
  m_native = std::move(decoded.surface);
  m_rawFormat = std::move(decoded.rawFormat);
  m_dpi = 0;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxImage::LoadFromFile(const std::string& path, bool) {
  ByteArray bytes;
  if (path.empty() || !ReadFileBytes(path, &bytes)) return SetLastStatus(GfxStatus::FileNotFound);
  return adopt(DecodeImage(bytes.data(), bytes.size()));
}

bool GfxImage::LoadFromBytes(const ByteArray& bytes, bool) {
  // The bytes stay with the image until it is disposed.
  if (!m_stream.FromBytes(bytes)) return SetLastStatus(GfxStatus::InvalidParameter);
  return adopt(DecodeImage(m_stream.Data().data(), m_stream.GetSize()));
}

uint32_t GfxImage::GetWidth() const {
  if (!SetLastStatus(m_native ? GfxStatus::Ok : GfxStatus::InvalidParameter)) return 0;
  return uint32_t(cairo_image_surface_get_width(m_native.get()));
}

uint32_t GfxImage::GetHeight() const {
  if (!SetLastStatus(m_native ? GfxStatus::Ok : GfxStatus::InvalidParameter)) return 0;
  return uint32_t(cairo_image_surface_get_height(m_native.get()));
}

std::string GfxImage::GetRawFormat() const {
  if (!SetLastStatus(m_native ? GfxStatus::Ok : GfxStatus::InvalidParameter)) return {};
  return m_rawFormat;
}

ByteArray GfxImage::SaveToBytes(std::string& format, bool formatGiven) const {
  if (!formatGiven) format = GetRawFormat();
  if (!m_native) {
    SetLastStatus(GfxStatus::InvalidParameter);
    return {};
  }
  // PNG is the one encoder; any other format finds none.
  if (FindEncoder(format).empty()) {
    SetLastStatus(GfxStatus::InvalidParameter);
    return {};
  }
  MemoryStream stream;
  if (!EncodePng(m_native.get(), stream, m_dpi)) {
    SetLastStatus(GfxStatus::GenericError);
    return {};
  }
  SetLastStatus(GfxStatus::Ok);
  return stream.ToBytes();
}

bool GfxImage::SavePngTo(std::string* bytes) const {
  if (!m_native || !bytes) return SetLastStatus(GfxStatus::InvalidParameter);
  return SetLastStatus(EncodePng(m_native.get(), bytes, m_dpi) ? GfxStatus::Ok : GfxStatus::GenericError);
}

bool GfxImage::SaveToFile(const std::string& path, std::string& format, bool formatGiven) {
  ByteArray bytes = SaveToBytes(format, formatGiven);
  if (LastStatus() != GfxStatus::Ok) return false;
  // Atomic: a failed write never costs the file it would replace.
  const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return SetLastStatus(WriteFileAtomically(path, view) ? GfxStatus::Ok : GfxStatus::Win32Error);
}

bool GfxImage::SetResolution(float dpiX, float dpiY) {
  // One resolution for both directions: a seal is never stretched.
  if (!m_native || !(dpiX >= 0) || dpiX != dpiY || !std::isfinite(dpiX)) return SetLastStatus(GfxStatus::InvalidParameter);
  m_dpi = dpiX;
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxImage::GetPixel(int32_t x, int32_t y, ARGB* color) const {
  if (!m_native || !color) return SetLastStatus(GfxStatus::InvalidParameter);
  const int w = cairo_image_surface_get_width(m_native.get()), h = cairo_image_surface_get_height(m_native.get());
  if (x < 0 || y < 0 || x >= w || y >= h) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_surface_flush(m_native.get());
  const unsigned char* row = cairo_image_surface_get_data(m_native.get()) +
                             size_t(y) * cairo_image_surface_get_stride(m_native.get());
  *color = UnpremultiplyPixel(reinterpret_cast<const uint32_t*>(row)[x]);
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxBitmap::CreateBlank(int32_t width, int32_t height, int32_t format) {
  if (format != PixelFormat32bppARGB && format != PixelFormat32bppPARGB && format != PixelFormat32bppRGB)
    return SetLastStatus(GfxStatus::InvalidParameter);
  if (width < 1 || height < 1) return SetLastStatus(GfxStatus::InvalidParameter);
  CairoSurfacePtr surface = CreateArgbSurface(width, height);
  if (!surface) return SetLastStatus(GfxStatus::OutOfMemory);
  m_native = std::move(surface);
  m_rawFormat = kImageFormatMemoryBMP;
  m_dpi = 0;
  m_stream.Release();
  return SetLastStatus(GfxStatus::Ok);
}

bool GfxBitmap::CreateFromFileToCover(const std::string& path, int32_t coverWidth, int32_t coverHeight) {
  ByteArray bytes;
  if (path.empty() || !ReadFilePrefix(path, &bytes, kPictureSignatureBytes)) return SetLastStatus(GfxStatus::FileNotFound);
  // A file that is not a picture is refused from its first bytes: a large
  // one is never read whole for nothing.
  if (!LooksLikePicture(bytes.data(), bytes.size())) return SetLastStatus(GfxStatus::UnknownImageFormat);
  if (!ReadFileBytes(path, &bytes)) return SetLastStatus(GfxStatus::FileNotFound);
  return adopt(DecodeImage(bytes.data(), bytes.size(), coverWidth, coverHeight));
}

bool GfxBitmap::SetPixel(int32_t x, int32_t y, ARGB color) {
  if (!m_native) return SetLastStatus(GfxStatus::InvalidParameter);
  const int w = cairo_image_surface_get_width(m_native.get()), h = cairo_image_surface_get_height(m_native.get());
  if (x < 0 || y < 0 || x >= w || y >= h) return SetLastStatus(GfxStatus::InvalidParameter);
  cairo_surface_flush(m_native.get());
  unsigned char* row =
      cairo_image_surface_get_data(m_native.get()) + size_t(y) * cairo_image_surface_get_stride(m_native.get());
  reinterpret_cast<uint32_t*>(row)[x] = PremultiplyPixel(color);
  cairo_surface_mark_dirty(m_native.get());
  return SetLastStatus(GfxStatus::Ok);
}

}  // namespace korvane
