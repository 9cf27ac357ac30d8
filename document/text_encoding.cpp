#include "document/text_encoding.h"

#include <cerrno>
#include <iconv.h>

namespace korvane {

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts everything; each undecodable input byte is skipped and
  // `replacement` written in its place (`lone80` for a lone byte 0x80).
  std::optional<std::string> run(std::string_view in, std::string_view replacement, std::string_view lone80) {
    if (m_cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[4096];
    while (true) {
      char* dst = buf;
      size_t dstLeft = sizeof buf;
      const size_t r = iconv(m_cd, srcLeft ? &src : nullptr, &srcLeft, &dst, &dstLeft);
      out.append(buf, size_t(dst - buf));
      if (r != size_t(-1)) {
        if (srcLeft == 0) break;
        continue;
      }
      if (errno == E2BIG) continue;
      // EILSEQ, or EINVAL for a sequence cut short at the end.
      if (srcLeft == 0) break;
      out.append(static_cast<unsigned char>(*src) == 0x80 ? lone80 : replacement);
      ++src;
      --srcLeft;
    }
    // Flush any shift state.
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, size_t(dst - buf));
    return out;
  }

 private:
  iconv_t m_cd;
};

}  // namespace

std::optional<std::string> Gb18030ToUtf8(std::string_view bytes) {
  Converter c("UTF-8", "GB18030");
  // Windows writes the euro sign as the single byte 0x80 in code page 936,
  // which GB18030 itself leaves undefined.
  return c.run(bytes, "\xEF\xBF\xBD", "\xE2\x82\xAC");
}

std::optional<std::string> Utf8ToGb18030(std::string_view text) {
  Converter c("GB18030", "UTF-8");
  return c.run(text, "?", "?");
}

}  // namespace korvane
