// Any bytes as image rows: our deflate must give a stream zlib inflates
// back to exactly those bytes. The first two bytes choose the row length.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "drawing/codecs/row_deflate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t rowBytes = 1 + (size_t(data[0]) << 8 | data[1]) * 3;
  data += 2, size -= 2;
  std::vector<uint8_t> stream;
  if (!korvane::DeflateRows(data, size, rowBytes, stream)) __builtin_trap();
  std::vector<uint8_t> back(size + 1);
  uLongf backSize = back.size();
  if (uncompress(back.data(), &backSize, stream.data(), stream.size()) != Z_OK || backSize != size ||
      (size && std::memcmp(back.data(), data, size) != 0))
    __builtin_trap();
  return 0;
}
