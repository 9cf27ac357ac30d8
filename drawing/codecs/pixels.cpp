#include "drawing/codecs/pixels.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "base/file_io.h"
#include "drawing/gfx_status.h"

namespace korvane {

namespace {

// From about a seal of 400 x 400 up, pixels go in huge pages.
constexpr size_t kHugePagesFrom = size_t(512) << 10;

const cairo_user_data_key_t kMemoryKey{};

// The last bitmap's memory, kept by the thread that let it go for its next
// bitmap: a batch would otherwise map, zero and unmap a huge page for every
// seal, each unmapping interrupting the other cores to flush their TLBs
// (1,000 start-up seals on two workers: 0.42 -> 0.27 s of system CPU,
// 1.6 -> 1.4 s in all). Up to a seal of about 4000 x 4000; larger ones are
// rare enough to map afresh.
constexpr size_t kSpareUpTo = size_t(64) << 20;

// Plain pointers stay usable while the thread's other thread_locals are
// destroyed; the owner frees the spare first and marks the thread as ending.
thread_local HugePageMemory* t_spare = nullptr;
thread_local bool t_ending = false;
struct SpareOwner {
  ~SpareOwner() {
    delete std::exchange(t_spare, nullptr);
    t_ending = true;
  }
};
thread_local SpareOwner t_spareOwner;

void release(void* data) {
  auto* memory = static_cast<HugePageMemory*>(data);
  if (t_ending || memory->capacity() > kSpareUpTo) {
    delete memory;
    return;
  }
  (void)&t_spareOwner;  // constructs it, so that the spare is freed with the thread
  if (t_spare && t_spare->capacity() >= memory->capacity()) {
    delete memory;
    return;
  }
  delete std::exchange(t_spare, memory);
}

HugePageMemory* takeSpare(size_t bytes) {
  if (!t_spare || t_spare->capacity() < bytes) return nullptr;
  HugePageMemory* memory = std::exchange(t_spare, nullptr);
  std::memset(memory->data(), 0, bytes);
  return memory;
}

// Pixels in huge pages: a fresh bitmap is otherwise faulted in 4 KiB at a
// time, which on some machines costs more than drawing it (a 400 x 400
// seal: 160 faults, a 6400 x 6400 one 40,000). The memory comes zeroed, as
// cairo's does.
CairoSurfacePtr createInHugePages(int width, int height) {
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  if (stride <= 0) return nullptr;
  const size_t bytes = size_t(stride) * size_t(height);
  if (bytes < kHugePagesFrom) return nullptr;
  HugePageMemory* memory = takeSpare(bytes);
  if (!memory) {
    memory = new (std::nothrow) HugePageMemory;
    if (!memory || !memory->Allocate(bytes)) {
      delete memory;
      return nullptr;
    }
  }
  CairoSurfacePtr s(cairo_image_surface_create_for_data(memory->data(), CAIRO_FORMAT_ARGB32, width, height, stride));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_set_user_data(s.get(), &kMemoryKey, memory, release) != CAIRO_STATUS_SUCCESS) {
    s.reset();
    delete memory;
    return nullptr;
  }
  return s;
}

}  // namespace

void TrimSpareBitmap() { delete std::exchange(t_spare, nullptr); }

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
