// Image formats and encoders, named by GDI+'s format GUIDs as text so that
// callers and saved settings read the same as on the original platform.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing/codecs/memory_stream.h"

namespace korvane {

inline constexpr const char kImageFormatMemoryBMP[] = "{B96B3CAA-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char kImageFormatBMP[] = "{B96B3CAB-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char kImageFormatJPEG[] = "{B96B3CAE-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char kImageFormatPNG[] = "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char kPngEncoderClsid[] = "{557CF406-1A04-11D3-9A73-0000F81EF32E}";

struct EncoderInfo {
  std::string Clsid;
  std::string FormatID;
  std::string CodecName;
  std::string DllName;
  std::string FormatDescription;
  std::string FilenameExtension;
  std::string MimeType;
  int32_t Flags = 0;
  int32_t Version = 0;
  int32_t SigCount = 0;
  int32_t SigSize = 0;
  ByteArray SigPattern;
  ByteArray SigMask;
};

// Fills the list with the available encoders and returns their count.
int32_t ListEncoders(std::vector<EncoderInfo>& list);
// The encoder's Clsid for a format, compared exactly (case-sensitive); empty
// when there is none.
std::string FindEncoder(const std::string& formatGuid);

// Braced upper-case text of 16 GUID bytes (Windows byte order), and back
// (all zero when the text is not a GUID).
std::string GuidToText(const std::array<uint8_t, 16>& guid);
std::array<uint8_t, 16> TextToGuid(const std::string& text);

}  // namespace korvane
