#include "web/cookie_helpers.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "base/utf8.h"

namespace korvane {

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

// Byte position of `needle` in `text` from `from`, or npos.
size_t find(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
  if (from > text.size()) return std::string::npos;
  if (!ignoreCase) return text.find(needle, from);
  return LowerAscii(text).find(LowerAscii(needle), from);
}

void replaceAll(std::string& s, std::string_view what, std::string_view with) {
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + with.size()))
    s.replace(at, what.size(), with);
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  size_t at = 0;
  while (true) {
    const size_t next = text.find(separator, at);
    pieces.emplace_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
    if (next == std::string::npos) break;
    at = next + separator.size();
  }
  return pieces;
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string TrimSpaces(std::string_view text) {
  size_t b = 0, e = text.size();
  while (true) {
    if (b < e && text[b] == ' ') {
      ++b;
    } else if (e - b >= 3 && text.substr(b, 3) == kIdeographicSpace) {
      b += 3;
    } else {
      break;
    }
  }
  while (true) {
    if (e > b && text[e - 1] == ' ') {
      --e;
    } else if (e - b >= 3 && text.substr(e - 3, 3) == kIdeographicSpace) {
      e -= 3;
    } else {
      break;
    }
  }
  return std::string(text.substr(b, e - b));
}

std::string RemoveSpaces(std::string_view text) {
  std::string out(text);
  replaceAll(out, kIdeographicSpace, "");
  out.erase(std::remove(out.begin(), out.end(), ' '), out.end());
  return out;
}

std::string TextBetween(std::string_view text, std::string left, std::string right, size_t start, bool ignoreCase) {
  replaceAll(left, "#引号", "\"");
  replaceAll(right, "#引号", "\"");
  const size_t p = find(text, left, start, ignoreCase);
  if (p == std::string::npos) return {};
  const size_t b = p + left.size();
  const size_t e = find(text, right, b, ignoreCase);
  if (e == std::string::npos) return {};
  return std::string(text.substr(b, e - b));
}

std::string TextAfterColon(std::string_view text) {
  const size_t colon = text.find(':');
  return colon == std::string::npos ? std::string() : TrimSpaces(text.substr(colon + 1));
}

std::string UrlHost(std::string_view url, bool keepPort) {
  std::string t = LowerAscii(url);
  if (t.empty() || t.back() != '/') t += '/';
  std::string h;
  if (t.rfind("https://", 0) == 0) {
    h = TextBetween(t, "https://", "/");
  } else {
    if (t.find("http://") == std::string::npos) t = "http://" + t;
    h = TextBetween(t, "http://", "/");
  }
  if (keepPort) return h;
  const size_t colon = h.find(':');
  return colon == std::string::npos ? h : h.substr(0, colon);
}

int32_t UrlPort(std::string_view url) {
  const std::string h = UrlHost(url, true);
  const size_t k = h.rfind(':');
  if (k == std::string::npos) return LowerAscii(url.substr(0, 5)) == "https" ? 443 : 80;
  int32_t port = 0;
  for (size_t i = k + 1; i < h.size() && std::isdigit(static_cast<unsigned char>(h[i])); ++i)
    port = port * 10 + (h[i] - '0');
  return port;
}

std::string UrlObject(std::string_view url) {
  const std::string h = UrlHost(url, false);
  const size_t a = find(url, h, 0, true);
  const size_t s = find(url, "/", a == std::string::npos ? 0 : a, true);
  if (s == std::string::npos) return "/";
  return std::string(url.substr(s));
}

std::string CookieName(std::string_view item) {
  const size_t eq = item.find('=');
  return TrimSpaces(item.substr(0, eq));
}

bool CookieListHasName(std::string_view list, std::string_view name) {
  if (list.empty()) return false;
  for (const std::string& item : split(list, ";"))
    if (CookieName(item) == name) return true;
  return false;
}

std::string MergeCookies(std::string_view sent, std::string_view received) {
  const std::string s = RemoveSpaces(sent), r = RemoveSpaces(received);
  auto pieces = [](const std::string& text) {
    std::vector<std::string> list = text.empty() ? std::vector<std::string>() : split(text, ";");
    while (!list.empty() && list.back().empty()) list.pop_back();
    return list;
  };
  std::vector<std::string> R = pieces(r);
  std::string joinedR;
  for (const std::string& item : R) joinedR += item + ";";
  for (const std::string& item : pieces(s))
    if (!CookieListHasName(joinedR, CookieName(item))) {
      R.push_back(item);
      joinedR += item + ";";
    }
  std::string out;
  for (const std::string& item : R)
    if (item.size() < 8 || item.compare(item.size() - 8, 8, "=deleted") != 0) out += item + "; ";
  if (out.size() >= 2) out.resize(out.size() - 2);
  return JoinDistinct(out, "; ");
}

std::string JoinDistinct(std::string_view text, std::string_view separator) {
  if (text.empty()) return {};
  std::vector<std::string> kept;
  for (std::string& piece : split(text, separator))
    if (std::find(kept.begin(), kept.end(), piece) == kept.end()) kept.push_back(std::move(piece));
  std::string out;
  for (const std::string& piece : kept) out += piece + std::string(separator);
  out.resize(out.size() - separator.size());
  return out;
}

std::string Utf8ToText(const ByteArray& bytes) {
  std::string text;
  const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  for (char32_t cp : DecodeUtf8(view)) {
    if (cp == 0) break;
    text += EncodeUtf8(cp);
  }
  return text;
}

}  // namespace korvane
