#include "drawing/codecs/memory_stream.h"


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

}  // namespace korvane
