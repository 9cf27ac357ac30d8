// An owned, growable block of bytes: images and fonts are loaded from one,
// encoders write into one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/file_io.h"

namespace korvane {

class MemoryStream {
 public:
  // Replaces the contents with the first `size` bytes; a size beyond the
  // array is refused (false, stream left empty).
  bool FromBytes(const ByteArray& bytes, size_t size);
  bool FromBytes(const ByteArray& bytes) { return FromBytes(bytes, bytes.size()); }
  // Drops the contents; does nothing on an empty stream.
  void Release();
  size_t GetSize() const { return m_data.size(); }
  bool IsOpen() const { return m_open; }
  ByteArray ToBytes() const { return m_data; }
  const ByteArray& Data() const { return m_data; }

  void Write(const void* data, size_t size);

 private:
  ByteArray m_data;
  bool m_open = false;
};


}  // namespace korvane
