#include "drawing/codecs/pixels.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include <sys/mman.h>

#include "drawing/gfx_status.h"

namespace korvane {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
// From about a seal of 400 x 400 up, pixels go in huge pages.
constexpr size_t kHugePagesFrom = size_t(512) << 10;

struct Mapping {
  void* at;
  size_t length;
};
const cairo_user_data_key_t kMappingKey{};

void unmap(void* data) {
  auto* m = static_cast<Mapping*>(data);
  ::munmap(m->at, m->length);
  delete m;
}

// Pixels in anonymous memory on a huge-page boundary, asking for huge pages:
// a fresh bitmap is otherwise faulted in 4 KiB at a time, which on some
// machines costs more than drawing it (a 400 x 400 seal: 160 faults, a
// 6400 x 6400 one 40,000). The memory comes zeroed, as cairo's does.
CairoSurfacePtr createInHugePages(int width, int height) {
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  if (stride <= 0) return nullptr;
  const size_t bytes = size_t(stride) * size_t(height);
  if (bytes < kHugePagesFrom) return nullptr;
  const size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage + kHugePage;
  void* at = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (at == MAP_FAILED) return nullptr;
  auto* pixels = reinterpret_cast<unsigned char*>((reinterpret_cast<uintptr_t>(at) + kHugePage - 1) / kHugePage * kHugePage);
  ::madvise(pixels, length - kHugePage, MADV_HUGEPAGE);  // advice only
  CairoSurfacePtr s(cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, width, height, stride));
  auto* mapping = new (std::nothrow) Mapping{at, length};
  if (!mapping || cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_set_user_data(s.get(), &kMappingKey, mapping, unmap) != CAIRO_STATUS_SUCCESS) {
    s.reset();
    delete mapping;
    ::munmap(at, length);
    return nullptr;
  }
  return s;
}

}  // namespace

CairoSurfacePtr CreateArgbSurface(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide) return nullptr;
  if (CairoSurfacePtr s = createInHugePages(width, height)) return s;
  CairoSurfacePtr s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return s;
}

const UnpremultiplyTable& UnpremultiplyTableOnce() {
  static constexpr UnpremultiplyTable kTable{};
  return kTable;
}

ARGB UnpremultiplyPixel(uint32_t p) { return Unpremultiply(p, UnpremultiplyTableOnce()); }

uint32_t PremultiplyPixel(ARGB s) {
  const uint32_t a = s >> 24;
  if (a == 255) return s;
  if (a == 0) return 0;
  auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (pm((s >> 16) & 0xFF) << 16) | (pm((s >> 8) & 0xFF) << 8) | pm(s & 0xFF);
}

}  // namespace korvane
