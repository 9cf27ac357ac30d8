#include "drawing/memory_stream.h"

#include <cstdio>
#include <memory>

namespace korvane {

bool MemoryStream::FromBytes(const ByteArray& bytes, size_t size) {
  Release();
  if (size > bytes.size()) return false;
  m_data.assign(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size));
  m_open = true;
  return true;
}

void MemoryStream::Release() {
  if (!m_open) return;
  ByteArray().swap(m_data);
  m_open = false;
}

void MemoryStream::Write(const void* data, size_t size) {
  m_open = true;
  const auto* p = static_cast<const uint8_t*>(data);
  m_data.insert(m_data.end(), p, p + size);
}

bool ReadFileBytes(const char* path, ByteArray* out, size_t maxBytes) {
  struct Closer {
    void operator()(FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<FILE, Closer> f(std::fopen(path, "rb"));
  if (!f) return false;
  ByteArray data;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
    if (data.size() + n > maxBytes) return false;
    data.insert(data.end(), buf, buf + n);
  }
  if (std::ferror(f.get())) return false;
  *out = std::move(data);
  return true;
}

}  // namespace korvane
