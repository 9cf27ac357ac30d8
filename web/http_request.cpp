#include "web/http_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <vector>

#include "web/cookie_helpers.h"

namespace korvane {

namespace {

bool contains(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// Every "set-cookie" in any letter case written as "Set-Cookie".
std::string normaliseSetCookie(std::string headers) {
  const std::string low = LowerAscii(headers);
  for (size_t at = low.find("set-cookie"); at != std::string::npos; at = low.find("set-cookie", at + 10))
    headers.replace(at, 10, "Set-Cookie");
  return headers;
}

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

void initialiseCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  ByteArray body;
  size_t maxBody = 0;
  bool overCap = false;
  std::vector<std::string> headerLines;  // of the last response only
  const std::atomic<bool>* cancel = nullptr;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  if (t->body.size() + n > t->maxBody) {
    t->overCap = true;
    return 0;  // aborts the transfer
  }
  t->body.insert(t->body.end(), data, data + n);
  return n;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  std::string line(data, n);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  // A new status line starts the headers of a new response (a redirect or
  // an interim 100): only the last response's headers are kept.
  if (line.rfind("HTTP/", 0) == 0) t->headerLines.clear();
  if (!line.empty()) t->headerLines.push_back(std::move(line));
  return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* t = static_cast<Transfer*>(user);
  return t->cancel && t->cancel->load() ? 1 : 0;
}

}  // namespace

const char* HttpVerb(int32_t method) {
  static const char* const kVerbs[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  return kVerbs[method >= 0 && method <= 7 ? method : 0];
}

std::string AgentFor(const std::string& extra) {
  if (!contains(LowerAscii(extra), "user-agent:")) return kDefaultAgent;
  std::string agent = TrimSpaces(TextBetween(extra + "\r\n", "User-Agent:", "\r\n"));
  // The search ignores case, the marker does not: "user-agent: x" falls to
  // everything after the block's first colon.
  if (agent.empty()) agent = TextAfterColon(extra);
  return agent;
}

std::string BuildHeaderBlock(const HttpRequestArgs& args) {
  std::string block = args.extraHeaders.value_or("");
  if (block.empty())
    block = "Accept: */*";
  else if (!contains(block, "Accept:"))
    block += "\r\nAccept: */*";
  if (!contains(block, "Referer:")) block += "\r\nReferer: " + args.url;
  if (!contains(block, "Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
  if (args.method == 1 && !contains(block, "Content-Type:"))
    block += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (args.requestCookies && !args.requestCookies->empty()) {
    if (contains(*args.requestCookies, "Cookie:"))
      block += "\r\n" + *args.requestCookies;
    else
      block += "\r\nCookie: " + *args.requestCookies;
  }
  return block;
}

std::string ResponseCookies(const std::string& responseHeaders) {
  std::string out;
  size_t at = 0;
  while (at <= responseHeaders.size()) {
    const size_t end = responseHeaders.find("\r\n", at);
    const std::string line = responseHeaders.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? responseHeaders.size() + 1 : end + 2;
    if (!contains(line, "Set-Cookie")) continue;
    std::string item;
    if (contains(line, ";")) {
      item = TrimSpaces(TextBetween(line, "Set-Cookie:", ";"));
    } else {
      item = line;
      const std::string low = LowerAscii(item);
      // Remove every "set-cookie:" in any letter case, last first.
      for (size_t p = low.rfind("set-cookie:"); p != std::string::npos;
           p = p == 0 ? std::string::npos : low.rfind("set-cookie:", p - 1))
        item.erase(p, 11);
      item = TrimSpaces(item);
    }
    out += item + "; ";
  }
  if (out.size() >= 2) out.resize(out.size() - 2);
  return out;
}

ByteArray HttpRequest(const HttpRequestArgs& args, HttpResponseInfo* info) {
  initialiseCurl();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl || args.url.empty()) return {};
  CURL* c = curl.get();

  const int32_t method = args.method >= 0 && args.method <= 7 ? args.method : 0;
  HttpRequestArgs effective = args;
  effective.method = method;
  const std::string block = BuildHeaderBlock(effective);

  std::unique_ptr<curl_slist, SlistDeleter> headers;
  auto addHeader = [&headers](const std::string& line) {
    if (curl_slist* l = curl_slist_append(headers.get(), line.c_str())) {
      headers.release();
      headers.reset(l);
    }
  };
  for (size_t at = 0; at <= block.size();) {
    const size_t end = block.find("\r\n", at);
    const std::string line = block.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (!line.empty()) addHeader(line);
    at = end == std::string::npos ? block.size() + 1 : end + 2;
  }
  // Only the block is sent: no "Expect: 100-continue", and no form content
  // type unless the block has one.
  addHeader("Expect:");
  if (!contains(block, "Content-Type:")) addHeader("Content-Type:");

  ByteArray body = args.bodyBytes.value_or(ByteArray());
  if (method != 0 && body.empty() && args.bodyText) body.assign(args.bodyText->begin(), args.bodyText->end());

  Transfer t;
  t.maxBody = args.maxBodyBytes;
  t.cancel = args.cancel;
  // The address as written: rebuilt from host, port and path it would lose
  // an IPv6 host in brackets or a user name before the host.
  curl_easy_setopt(c, CURLOPT_URL, args.url.c_str());
  curl_easy_setopt(c, CURLOPT_DEFAULT_PROTOCOL, "http");
  curl_easy_setopt(c, CURLOPT_USERAGENT, AgentFor(args.extraHeaders.value_or("")).c_str());
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, args.noRedirect ? 0L : 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
  // A direct connection is direct: no proxy from the environment either.
  curl_easy_setopt(c, CURLOPT_PROXY, args.proxy.value_or("").c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, args.connectTimeoutSeconds);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, args.stallSeconds);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, args.totalSeconds);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  switch (method) {
    case 0: curl_easy_setopt(c, CURLOPT_HTTPGET, 1L); break;
    case 2: curl_easy_setopt(c, CURLOPT_NOBODY, 1L); break;
    default:
      curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
      curl_easy_setopt(c, CURLOPT_COPYPOSTFIELDS, body.empty() ? "" : reinterpret_cast<const char*>(body.data()));
      if (method != 1) curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, HttpVerb(method));
      break;
  }

  const CURLcode result = curl_easy_perform(c);
  // An exchange that failed part way shows as an empty body; one cut off
  // at its cap is refused whole.
  if (result != CURLE_OK || t.overCap) t.body.clear();

  std::string raw;
  for (const std::string& line : t.headerLines) raw += line + "\r\n";
  raw = normaliseSetCookie(raw);
  if (info) {
    info->sentHeaders = block;
    info->responseHeaders = raw;
    info->bodyBytes = method != 0 ? body : args.bodyBytes.value_or(ByteArray());
    info->responseCookies = ResponseCookies(raw);
    if (args.mergeCookies.value_or(true) && args.requestCookies)
      info->responseCookies = MergeCookies(*args.requestCookies, info->responseCookies);
  }
  return t.body;
}

}  // namespace korvane
