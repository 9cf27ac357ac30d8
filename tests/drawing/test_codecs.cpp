// Decoding and encoding of picture files, memory streams and encoders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "drawing/codecs/encoders.h"
#include "drawing/gfx/gfx_image.h"
#include "support/image_compare.h"
#include "support/temp_dir.h"
#include "support/test_pictures.h"
#include "drawing/codecs/picture_decoder.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/png_writer.h"
#include "drawing/gfx_status.h"

namespace korvane {
namespace {

using test::Pixel;

ByteArray encodeJpeg(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  return test::EncodeJpeg(w, h, [=](int, int) { return uint32_t(r) << 16 | uint32_t(g) << 8 | b; }, 100);
}

void put32(ByteArray& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

ByteArray bmpHeader(int w, int h, int bits, uint32_t headerSize, uint32_t compression, size_t pixelBytes) {
  ByteArray b(14 + headerSize + pixelBytes, 0);
  b[0] = 'B', b[1] = 'M';
  put32(b, 2, uint32_t(b.size()));
  put32(b, 10, 14 + headerSize);
  put32(b, 14, headerSize);
  put32(b, 18, uint32_t(w));
  put32(b, 22, uint32_t(h));
  b[26] = 1;
  b[28] = uint8_t(bits);
  put32(b, 30, compression);
  return b;
}

TEST(Png, RoundTripKeepsStraightPixels) {
  GfxBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBlank(4, 3));
  const ARGB pixels[] = {0xFFD21E22, 0x80FF0000, 0x00000000, 0xFF000000, 0x4000FF00, 0xFFFFFFFF};
  for (int i = 0; i < 6; ++i) bitmap.SetPixel(i % 4, i / 4, pixels[i]);
  std::string format = kImageFormatPNG;
  const ByteArray bytes = bitmap.SaveToBytes(format);
  ASSERT_FALSE(bytes.empty());

  // The file itself holds straight alpha: half-transparent red is 255, 0, 0, 128.
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
  EXPECT_EQ(image.width, 4u);
  EXPECT_EQ(image.height, 3u);
  EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_ALPHA);
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> raw(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, raw.data(), 0, nullptr));
  EXPECT_EQ(raw[4], 255);
  EXPECT_EQ(raw[5], 0);
  EXPECT_EQ(raw[6], 0);
  EXPECT_EQ(raw[7], 128);

  GfxBitmap back;
  ASSERT_TRUE(back.CreateFromBytes(bytes));
  EXPECT_EQ(back.GetRawFormat(), kImageFormatPNG);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Pixel(back, i % 4, i / 4), pixels[i]) << i;
}

// A bitmap's memory is kept for the thread's next one: a new surface is
// transparent whatever the last one held, at any size that fits in it, and
// one that does not fit is mapped afresh.
TEST(ArgbSurface, AReusedBitmapComesBackTransparent) {
  auto paint = [](cairo_surface_t* s) {
    unsigned char* data = cairo_image_surface_get_data(s);
    std::memset(data, 0xA5, size_t(cairo_image_surface_get_stride(s)) * size_t(cairo_image_surface_get_height(s)));
    cairo_surface_mark_dirty(s);
  };
  auto clearPixels = [](cairo_surface_t* s) {
    const unsigned char* data = cairo_image_surface_get_data(s);
    const size_t bytes = size_t(cairo_image_surface_get_stride(s)) * size_t(cairo_image_surface_get_height(s));
    return std::count(data, data + bytes, 0) == std::ptrdiff_t(bytes);
  };
  for (auto [first, second] : {std::pair{900, 900}, {900, 400}, {400, 1200}, {1200, 1200}}) {
    {
      CairoSurfacePtr s = CreateArgbSurface(first, first);
      ASSERT_TRUE(s);
      ASSERT_TRUE(clearPixels(s.get())) << first;
      paint(s.get());
    }
    CairoSurfacePtr again = CreateArgbSurface(second, second);
    ASSERT_TRUE(again);
    EXPECT_TRUE(clearPixels(again.get())) << first << " then " << second;
    paint(again.get());
  }
  TrimThreadScratch();
  CairoSurfacePtr afterTrim = CreateArgbSurface(900, 900);
  ASSERT_TRUE(afterTrim);
  EXPECT_TRUE(clearPixels(afterTrim.get()));
}

// Every alpha with every channel value, premultiplied or not (cairo never
// makes a channel above its alpha, but the writer must not depend on it):
// once as lone pixels, once as runs of two, which take the writer's other
// path.
TEST(Png, EveryPixelIsWrittenAsItsStraightValue) {
  CairoSurfacePtr surface = CreateArgbSurface(512, 512);
  ASSERT_TRUE(surface);
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  auto premultiplied = [](int x, int y) {
    const uint32_t a = uint32_t(y % 256), c = uint32_t(y < 256 ? x % 256 : x / 2 % 256);
    return a << 24 | c << 16 | (255 - c) << 8 | (c * 7 % 256);
  };
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      const uint32_t p = premultiplied(x, y);
      std::memcpy(data + size_t(y) * size_t(stride) + size_t(x) * 4, &p, 4);
    }
  cairo_surface_mark_dirty(surface.get());
  std::string bytes;
  ASSERT_TRUE(EncodePng(surface.get(), &bytes));

  const test::RgbaPixels decoded = test::DecodePngRgba(bytes.data(), bytes.size());
  ASSERT_EQ(decoded.bytes.size(), size_t(512) * 512 * 4);
  const std::vector<uint8_t>& raw = decoded.bytes;
  int wrong = 0;
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      const uint32_t p = premultiplied(x, y), a = p >> 24;
      auto straight = [a](uint32_t c) { return a ? std::min<uint32_t>(255, (c * 255 + a / 2) / a) : 0; };
      const uint8_t want[4] = {uint8_t(straight((p >> 16) & 0xFF)), uint8_t(straight((p >> 8) & 0xFF)),
                               uint8_t(straight(p & 0xFF)), uint8_t(a)};
      if (std::memcmp(&raw[(size_t(y) * 512 + size_t(x)) * 4], want, 4) != 0 && ++wrong <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " premultiplied " << std::hex << p;
    }
  EXPECT_EQ(wrong, 0);
}

TEST(Png, OversizedHeaderIsRefusedBeforeAllocating) {
  GfxBitmap small;
  small.CreateBlank(1, 1);
  std::string format = kImageFormatPNG;
  ByteArray bytes = small.SaveToBytes(format);
  // IHDR data starts at byte 16; patch the width and fix the chunk's CRC.
  const uint32_t width = 100000;
  bytes[16] = uint8_t(width >> 24), bytes[17] = uint8_t(width >> 16), bytes[18] = uint8_t(width >> 8),
  bytes[19] = uint8_t(width);
  const uint32_t crc = uint32_t(crc32(0, bytes.data() + 12, 17));
  bytes[29] = uint8_t(crc >> 24), bytes[30] = uint8_t(crc >> 16), bytes[31] = uint8_t(crc >> 8), bytes[32] = uint8_t(crc);
  GfxBitmap big;
  EXPECT_FALSE(big.CreateFromBytes(bytes));
  EXPECT_EQ(LastStatus(), GfxStatus::OutOfMemory);
  EXPECT_EQ(big.GetNative(), nullptr);
}

TEST(Png, MoreThanAHundredMegapixelsIsRefusedFromTheHeader) {
  GfxBitmap small;
  small.CreateBlank(1, 1);
  std::string format = kImageFormatPNG;
  ByteArray bytes = small.SaveToBytes(format);
  // 12000 x 9000: each side is allowed, the area (108 megapixels) is not.
  const uint32_t w = 12000, h = 9000;
  for (int i = 0; i < 4; ++i) bytes[16 + i] = uint8_t(w >> (24 - 8 * i)), bytes[20 + i] = uint8_t(h >> (24 - 8 * i));
  const uint32_t crc = uint32_t(crc32(0, bytes.data() + 12, 17));
  for (int i = 0; i < 4; ++i) bytes[29 + i] = uint8_t(crc >> (24 - 8 * i));
  GfxBitmap big;
  EXPECT_FALSE(big.CreateFromBytes(bytes));
  EXPECT_EQ(LastStatus(), GfxStatus::OutOfMemory);
}

TEST(Png, CorruptDataFailsCleanly) {
  GfxBitmap small;
  small.CreateBlank(8, 8);
  std::string format = kImageFormatPNG;
  ByteArray bytes = small.SaveToBytes(format);
  bytes.resize(bytes.size() / 2);
  GfxBitmap broken;
  EXPECT_FALSE(broken.CreateFromBytes(bytes));
  for (size_t i = 40; i < bytes.size(); ++i) bytes[i] ^= 0x5A;
  EXPECT_FALSE(broken.CreateFromBytes(bytes));
}

// A PNG shown small is reduced as its rows are read: the same pixels as
// decoding it whole and reducing after, for every kind of PNG.
TEST(Png, IsReducedAsItIsReadToTheSizeItCovers) {
  const test::PicturePattern pattern = [](int x, int y) {
    return uint32_t(((x * 7 + y * 3) % 256) << 24 | (x * 5 % 256) << 16 | (y * 11 % 256) << 8 | ((x ^ y) & 0xFF));
  };
  for (const bool alpha : {false, true})
    for (const bool interlaced : {false, true}) {
      const ByteArray png = test::EncodePng(203, 97, pattern, alpha, interlaced);
      GfxBitmap reduced;
      ASSERT_TRUE(reduced.CreateFromBytes(png));  // the whole picture
      DecodedImage whole = DecodeImage(png.data(), png.size());
      ReducePicture(&whole, 3);
      const DecodedImage read = DecodeImage(png.data(), png.size(), 60, 30);  // 203 / 3 covers 60
      ASSERT_TRUE(read.surface);
      ASSERT_EQ(cairo_image_surface_get_width(read.surface.get()), 68);
      ASSERT_EQ(cairo_image_surface_get_height(read.surface.get()), 33);
      int differing = 0;
      for (int y = 0; y < 33; ++y) {
        const auto* a = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(whole.surface.get()) +
                                                          y * cairo_image_surface_get_stride(whole.surface.get()));
        const auto* b = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(read.surface.get()) +
                                                          y * cairo_image_surface_get_stride(read.surface.get()));
        for (int x = 0; x < 68; ++x) differing += a[x] != b[x];
      }
      EXPECT_EQ(differing, 0) << "alpha " << alpha << " interlaced " << interlaced;
    }
  // A box as large as the picture, or none, keeps every pixel.
  const ByteArray png = test::EncodePng(50, 40, pattern);
  EXPECT_EQ(cairo_image_surface_get_width(DecodeImage(png.data(), png.size(), 50, 40).surface.get()), 50);
  EXPECT_EQ(cairo_image_surface_get_width(DecodeImage(png.data(), png.size(), 26, 1).surface.get()), 50);
}

TEST(Jpeg, DecodesAnOpaqueColour) {
  GfxBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateFromBytes(encodeJpeg(16, 8, 200, 40, 30)));
  EXPECT_EQ(bitmap.GetWidth(), 16u);
  EXPECT_EQ(bitmap.GetHeight(), 8u);
  EXPECT_EQ(bitmap.GetRawFormat(), kImageFormatJPEG);
  const ARGB c = Pixel(bitmap, 5, 5);
  EXPECT_EQ(c >> 24, 255u);
  EXPECT_NEAR(int((c >> 16) & 0xFF), 200, 3);
  EXPECT_NEAR(int((c >> 8) & 0xFF), 40, 3);
  EXPECT_NEAR(int(c & 0xFF), 30, 3);
}

// Patches the frame header (SOF) of a JPEG to declare another size.
void declareJpegSize(ByteArray& jpeg, uint16_t w, uint16_t h) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = uint8_t(h >> 8), jpeg[i + 6] = uint8_t(h), jpeg[i + 7] = uint8_t(w >> 8), jpeg[i + 8] = uint8_t(w);
      return;
    }
  ADD_FAILURE() << "no frame header";
}

TEST(Jpeg, IsDecodedNoLargerThanTheBoxItCovers) {
  test::TempDir dir;
  const std::string path = (dir / "photo.jpg").string();
  const ByteArray bytes = encodeJpeg(800, 400, 200, 40, 30);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  GfxBitmap scaled;
  ASSERT_TRUE(scaled.CreateFromFileToCover(path, 150, 60));
  EXPECT_EQ(scaled.GetWidth(), 200u);  // 1/4: 1/8 would be 100 wide, short of 150
  EXPECT_EQ(scaled.GetHeight(), 100u);
  ASSERT_TRUE(scaled.CreateFromFileToCover(path, 1000, 1000));
  EXPECT_EQ(scaled.GetWidth(), 800u);  // never enlarged
}

TEST(Jpeg, AHugeDeclaredSizeIsRefusedOrDecodedOnlyAsLargeAsTheBox) {
  test::TempDir dir;
  const std::string path = (dir / "bomb.jpg").string();
  auto write = [&](uint16_t w, uint16_t h) {
    // A few hundred bytes that declare w x h pixels.
    ByteArray bytes = encodeJpeg(16, 16, 1, 2, 3);
    declareJpegSize(bytes, w, h);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
  };
  write(16384, 16384);  // 268 megapixels: refused before decoding, box or not
  GfxBitmap bitmap;
  EXPECT_FALSE(bitmap.CreateFromFile(path));
  EXPECT_EQ(LastStatus(), GfxStatus::OutOfMemory);
  EXPECT_FALSE(bitmap.CreateFromFileToCover(path, 300, 300));
  write(10000, 10000);  // allowed, and decoded at 1/8 for a 300 x 300 box
  ASSERT_TRUE(bitmap.CreateFromFileToCover(path, 300, 300));
  EXPECT_EQ(bitmap.GetWidth(), 1250u);
}

TEST(Jpeg, TruncatedOrGarbageFailsWithoutCrashing) {
  ByteArray bytes = encodeJpeg(16, 16, 1, 2, 3);
  ByteArray head(bytes.begin(), bytes.begin() + 20);
  GfxBitmap bitmap;
  EXPECT_FALSE(bitmap.CreateFromBytes(head));
  ByteArray garbage = {0xFF, 0xD8, 0xFF, 0x00, 0x01, 0x02};
  EXPECT_FALSE(bitmap.CreateFromBytes(garbage));
}

TEST(Bmp, Reads24BitBottomUpWithRowPadding) {
  // 3 x 2 pixels: rows of 9 bytes padded to 12, stored bottom row first.
  ByteArray b = bmpHeader(3, 2, 24, 40, 0, 24);
  const size_t p = 54;
  // bottom row: blue, green, red (BGR order in the file)
  const uint8_t bottom[9] = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  const uint8_t top[9] = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  std::memcpy(&b[p], bottom, 9);
  std::memcpy(&b[p + 12], top, 9);
  GfxBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateFromBytes(b));
  EXPECT_EQ(bitmap.GetRawFormat(), kImageFormatBMP);
  EXPECT_EQ(Pixel(bitmap, 0, 1), 0xFF0000FFu);
  EXPECT_EQ(Pixel(bitmap, 2, 1), 0xFFFF0000u);
  EXPECT_EQ(Pixel(bitmap, 0, 0), 0xFF1E140Au);
}

TEST(Bmp, Reads32BitTopDownWithAlphaMask) {
  const uint32_t header = 124;  // V5
  ByteArray b = bmpHeader(2, -1, 32, header, 3, 8);
  put32(b, 54, 0x00FF0000);
  put32(b, 58, 0x0000FF00);
  put32(b, 62, 0x000000FF);
  put32(b, 66, 0xFF000000);
  put32(b, 14 + header, 0x80FF0000);
  put32(b, 14 + header + 4, 0xFF00FF00);
  GfxBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateFromBytes(b));
  EXPECT_EQ(Pixel(bitmap, 0, 0), 0x80FF0000u);
  EXPECT_EQ(Pixel(bitmap, 1, 0), 0xFF00FF00u);
}

TEST(Bmp, BitFieldsAfterAFortyByteHeader) {
  // Masks in the three words after a plain info header, red and blue swapped.
  ByteArray b = bmpHeader(1, 1, 32, 40, 3, 12 + 4);
  put32(b, 10, 14 + 40 + 12);
  put32(b, 54, 0x000000FF);
  put32(b, 58, 0x0000FF00);
  put32(b, 62, 0x00FF0000);
  put32(b, 66, 0x00332211);
  GfxBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateFromBytes(b));
  EXPECT_EQ(Pixel(bitmap, 0, 0), 0xFF112233u);
}

TEST(Bmp, Plain32BitIgnoresTheUnusedByte) {
  ByteArray b = bmpHeader(1, 1, 32, 40, 0, 4);
  put32(b, 54, 0x00123456);
  GfxBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateFromBytes(b));
  EXPECT_EQ(Pixel(bitmap, 0, 0), 0xFF123456u);
}

TEST(Bmp, RefusesTruncatedOversizedAndUnsupportedFiles) {
  GfxBitmap bitmap;
  ByteArray truncated = bmpHeader(100, 100, 24, 40, 0, 100);
  EXPECT_FALSE(bitmap.CreateFromBytes(truncated));
  ByteArray huge = bmpHeader(20000, 1, 24, 40, 0, 0);
  EXPECT_FALSE(bitmap.CreateFromBytes(huge));
  EXPECT_EQ(LastStatus(), GfxStatus::OutOfMemory);
  ByteArray eightBit = bmpHeader(1, 1, 8, 40, 0, 4);
  EXPECT_FALSE(bitmap.CreateFromBytes(eightBit));
  ByteArray minHeight = bmpHeader(1, int(0x80000000u), 24, 40, 0, 4);
  EXPECT_FALSE(bitmap.CreateFromBytes(minHeight));
}

TEST(Image, LoadFromFileReportsMissingFiles) {
  GfxBitmap bitmap;
  EXPECT_FALSE(bitmap.CreateFromFile("/nonexistent/picture.png"));
  EXPECT_EQ(LastStatus(), GfxStatus::FileNotFound);
  EXPECT_FALSE(bitmap.CreateFromFile(""));
  test::TempDir dir;
  std::ofstream(dir / "text.png") << "not a picture";
  EXPECT_FALSE(bitmap.CreateFromFile((dir / "text.png").string()));
  EXPECT_EQ(LastStatus(), GfxStatus::UnknownImageFormat);
}

TEST(Encoders, FindsPngByExactGuidText) {
  EXPECT_EQ(FindEncoder("{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}"), kPngEncoderClsid);
  EXPECT_EQ(FindEncoder("{b96b3caf-0728-11d3-9d7b-0000f81ef32e}"), "");
  EXPECT_EQ(FindEncoder(kImageFormatMemoryBMP), "");
  std::vector<EncoderInfo> list;
  EXPECT_EQ(ListEncoders(list), 1);
  EXPECT_EQ(list[0].MimeType, "image/png");
}

TEST(Encoders, SavingWithoutAFormatUsesTheRawFormatAndFailsForMemoryBitmaps) {
  GfxBitmap bitmap;
  bitmap.CreateBlank(2, 2);
  test::TempDir dir;
  std::string format;
  EXPECT_FALSE(bitmap.SaveToFile((dir / "x.png").string(), format, false));
  EXPECT_EQ(format, kImageFormatMemoryBMP);
  EXPECT_TRUE(bitmap.SaveToBytes(format, false).empty());
  format = kImageFormatPNG;
  EXPECT_TRUE(bitmap.SaveToFile((dir / "x.png").string(), format));
}

TEST(Encoders, GuidTextRoundTrip) {
  const std::string text = "{557CF406-1A04-11D3-9A73-0000F81EF32E}";
  const auto guid = TextToGuid(text);
  EXPECT_EQ(guid[0], 0x06);  // Data1 is little-endian
  EXPECT_EQ(guid[8], 0x9A);  // Data4 is as written
  EXPECT_EQ(GuidToText(guid), text);
  EXPECT_EQ(GuidToText(TextToGuid("not a guid")), "{00000000-0000-0000-0000-000000000000}");
}

TEST(MemoryStream, FillsReleasesAndRefusesOversizedCopies) {
  MemoryStream s;
  s.Release();  // nothing to release
  EXPECT_FALSE(s.IsOpen());
  const ByteArray bytes = {1, 2, 3, 4};
  EXPECT_TRUE(s.FromBytes(bytes, 3));
  EXPECT_EQ(s.GetSize(), 3u);
  EXPECT_EQ(s.ToBytes(), (ByteArray{1, 2, 3}));
  EXPECT_FALSE(s.FromBytes(bytes, 5));
  EXPECT_FALSE(s.IsOpen());
  EXPECT_TRUE(s.FromBytes({}));
  EXPECT_TRUE(s.IsOpen());
  EXPECT_EQ(s.GetSize(), 0u);
  s.Write(bytes.data(), 2);
  EXPECT_EQ(s.GetSize(), 2u);
}

}  // namespace
}  // namespace korvane
