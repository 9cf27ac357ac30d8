// How a line of text is laid out in its rectangle: alignment across and
// down, flags, and the character ranges to measure.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "drawing/gfx_status.h"
#include "drawing/gfx_types.h"

namespace korvane {

struct StringFormatData {
  int32_t flags = 0;
  int32_t language = 0;
  int32_t align = StringAlignmentNear;
  int32_t lineAlign = StringAlignmentNear;
  int32_t trimming = 1;
  std::vector<std::pair<int32_t, int32_t>> ranges;  // first, length in characters
};

class GfxStringFormat {
 public:
  StringFormatData* GetNative() const { return m_native.get(); }
  bool Create(int32_t flags = 0, int32_t language = 0);
  bool Delete();
  bool SetFlags(int32_t flags);
  bool SetAlign(int32_t align);
  bool SetLineAlign(int32_t align);
  bool SetTrimming(int32_t trimming);
  bool SetMeasurableCharacterRanges(const std::vector<std::pair<int32_t, int32_t>>& ranges);

 private:
  std::unique_ptr<StringFormatData> m_native;
};

}  // namespace korvane
