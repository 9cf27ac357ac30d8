// One complete HTTP or HTTPS exchange in a single blocking call, with the
// program's default headers and cookie handling. No state is kept between
// calls: no cache, no cookie store.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "base/file_io.h"

namespace korvane {

// GET 0, POST 1, HEAD 2, PUT 3, OPTIONS 4, DELETE 5, TRACE 6, CONNECT 7;
// any other code is GET.
const char* HttpVerb(int32_t method);

inline constexpr char kDefaultAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The arguments; a left-out argument (nullopt) is told apart from an empty
// one where that matters (the request cookies).
struct HttpRequestArgs {
  std::string url;  // given to the transfer as it is; without a scheme it is http
  int32_t method = 0;
  std::optional<std::string> bodyText;
  std::optional<std::string> requestCookies;
  std::optional<std::string> extraHeaders;
  bool noRedirect = false;
  std::optional<ByteArray> bodyBytes;
  std::optional<std::string> proxy;  // host:port; empty is a direct connection
  std::optional<bool> mergeCookies;  // default true

  // Limits, so that no server can hang a caller or exhaust its memory: a
  // body over maxBodyBytes is an empty result, as is a connection not made
  // within connectTimeoutSeconds, a transfer that makes no progress for
  // stallSeconds, or one not done within totalSeconds (a server that sends a
  // byte now and then makes progress and would never stall). `cancel`, when
  // set from another thread, ends the exchange at once with an empty result.
  size_t maxBodyBytes = size_t(64) << 20;
  long connectTimeoutSeconds = 10;
  long stallSeconds = 30;
  long totalSeconds = 60;
  const std::atomic<bool>* cancel = nullptr;
};

// What the exchange left besides the body.
struct HttpResponseInfo {
  std::string responseCookies;  // name=value items joined by "; "
  std::string sentHeaders;      // the complete header block sent, defaults included
  std::string responseHeaders;  // the raw response header lines, joined by CR LF
  ByteArray bodyBytes;          // the body sent, filled from bodyText when needed
};

// The complete response body; empty when no exchange took place (or the
// body was over its cap). `info`, when given, is left as it was if the
// request could not even be set up.
ByteArray HttpRequest(const HttpRequestArgs& args, HttpResponseInfo* info = nullptr);

// The agent sent for a header block (the User-Agent line's value when it
// has one).
std::string AgentFor(const std::string& extraHeaders);

// The header block sent for these arguments, defaults added in order.
std::string BuildHeaderBlock(const HttpRequestArgs& args);

// The cookies a raw response header block sets, as name=value items.
std::string ResponseCookies(const std::string& responseHeaders);

}  // namespace korvane
