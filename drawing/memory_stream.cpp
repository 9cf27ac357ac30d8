#include "drawing/memory_stream.h"

#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  // Opened without blocking and read only when it is a regular file: a
  // path naming a FIFO or a device must never stall a render.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || size_t(st.st_size) > maxBytes) {
    ::close(fd);
    return false;
  }
  struct Closer {
    void operator()(FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<FILE, Closer> f(::fdopen(fd, "rb"));
  if (!f) {
    ::close(fd);
    return false;
  }
  // One read into a buffer of the file's size; a file that grows meanwhile
  // is read on in chunks, still within maxBytes.
  ByteArray data(size_t(st.st_size));
  size_t got = std::fread(data.data(), 1, data.size(), f.get());
  data.resize(got);
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
