#include "support/test_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace korvane::test {

ByteArray EncodeJpeg(int width, int height, const PicturePattern& pattern, int quality) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(width) * 3);
  while (info.next_scanline < info.image_height) {
    const int y = int(info.next_scanline);
    for (int x = 0; x < width; ++x) {
      const uint32_t c = pattern(x, y);
      row[size_t(x) * 3] = uint8_t(c >> 16), row[size_t(x) * 3 + 1] = uint8_t(c >> 8), row[size_t(x) * 3 + 2] = uint8_t(c);
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&info, &p, 1);
  }
  jpeg_finish_compress(&info);
  ByteArray out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<ByteArray*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

}  // namespace

ByteArray EncodePng(int width, int height, const PicturePattern& pattern, bool alpha, bool interlaced) {
  ByteArray out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, appendBytes, nullptr);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  const int channels = alpha ? 4 : 3;
  std::vector<uint8_t> pixels(size_t(width) * size_t(height) * size_t(channels));
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    rows[size_t(y)] = pixels.data() + size_t(y) * size_t(width) * size_t(channels);
    for (int x = 0; x < width; ++x) {
      const uint32_t c = pattern(x, y);
      png_bytep p = rows[size_t(y)] + size_t(x) * size_t(channels);
      p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
      if (alpha) p[3] = uint8_t(c >> 24);
    }
  }
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

bool WriteBytes(const std::string& path, const ByteArray& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

RgbaPixels DecodePngRgba(const void* data, size_t size) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  RgbaPixels out;
  if (!png_image_begin_read_from_memory(&image, data, size)) return out;
  image.format = PNG_FORMAT_RGBA;
  out.bytes.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.bytes.data(), 0, nullptr)) return RgbaPixels();
  out.width = image.width, out.height = image.height;
  return out;
}

}  // namespace korvane::test
