// HttpRequest against a real server on 127.0.0.1: what is sent, what comes
// back, and the limits that keep a slow or hostile server from hanging or
// exhausting the caller.
#include <gtest/gtest.h>

#include <chrono>

#include "support/loopback_server.h"
#include "web/http_request.h"

namespace korvane {
namespace {

using test::CannedResponse;
using test::LoopbackServer;
using test::Ok;

std::string text(const ByteArray& b) { return std::string(b.begin(), b.end()); }

// The request's header lines, without the request line.
std::vector<std::string> headerLines(const std::string& request) {
  std::vector<std::string> lines;
  const size_t end = request.find("\r\n\r\n");
  size_t at = request.find("\r\n") + 2;
  while (at < end) {
    const size_t next = request.find("\r\n", at);
    lines.push_back(request.substr(at, next - at));
    at = next + 2;
  }
  return lines;
}

bool hasLine(const std::string& request, const std::string& line) {
  for (const std::string& l : headerLines(request))
    if (l == line) return true;
  return false;
}

TEST(HttpRequest, AGetWithOnlyAUrlSendsTheDefaultHeaders) {
  LoopbackServer server([](const std::string&) { return Ok("hello"); });
  HttpRequestArgs args;
  args.url = server.Url("/seal?a=1");
  HttpResponseInfo info;
  EXPECT_EQ(text(HttpRequest(args, &info)), "hello");
  EXPECT_EQ(info.sentHeaders, "Accept: */*\r\nReferer: " + args.url + "\r\nAccept-Language: zh-cn");
  const std::string request = server.Requests().at(0);
  EXPECT_EQ(request.rfind("GET /seal?a=1 HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_TRUE(hasLine(request, "Accept: */*"));
  EXPECT_TRUE(hasLine(request, "Referer: " + args.url));
  EXPECT_TRUE(hasLine(request, "Accept-Language: zh-cn"));
  EXPECT_TRUE(hasLine(request, "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"));
  EXPECT_FALSE(hasLine(request, "Expect: 100-continue"));
  EXPECT_EQ(info.responseHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << info.responseHeaders;
}

TEST(HttpRequest, SchemePortAndPathRules) {
  LoopbackServer server([](const std::string&) { return Ok("x"); });
  HttpRequestArgs args;
  args.url = "127.0.0.1:" + std::to_string(server.Port());  // no scheme, no path
  EXPECT_EQ(text(HttpRequest(args)), "x");
  EXPECT_EQ(server.Requests().at(0).rfind("GET / HTTP/1.1\r\n", 0), 0u);
  args.url = "HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/Upper/Case.PNG";
  EXPECT_EQ(text(HttpRequest(args)), "x");
  EXPECT_EQ(server.Requests().at(1).rfind("GET /Upper/Case.PNG HTTP/1.1\r\n", 0), 0u);
}

TEST(HttpRequest, TheAcceptLineIsAddedOnlyWhenTheExactNameIsMissing) {
  LoopbackServer server([](const std::string&) { return Ok(""); });
  HttpRequestArgs args;
  args.url = server.Url("/");
  args.extraHeaders = "Accept: image/png";
  HttpResponseInfo info;
  HttpRequest(args, &info);
  EXPECT_EQ(info.sentHeaders.find("Accept: */*"), std::string::npos);
  EXPECT_TRUE(hasLine(server.Requests().at(0), "Accept: image/png"));
  args.extraHeaders = "accept: image/png";
  HttpRequest(args, &info);
  EXPECT_NE(info.sentHeaders.find("\r\nAccept: */*"), std::string::npos);
}

TEST(HttpRequest, TheAgentComesFromAUserAgentLine) {
  EXPECT_EQ(AgentFor(""), kDefaultAgent);
  EXPECT_EQ(AgentFor("X-A: 1\r\nUser-Agent:  Seal/2 \r\nX-B: 2"), "Seal/2");
  // Another letter case is found by the search but not by the marker: the
  // agent is then all after the block's first colon.
  EXPECT_EQ(AgentFor("user-agent: seal/3"), "seal/3");
  LoopbackServer server([](const std::string&) { return Ok(""); });
  HttpRequestArgs args;
  args.url = server.Url("/");
  args.extraHeaders = "User-Agent: Seal/2";
  HttpRequest(args);
  EXPECT_TRUE(hasLine(server.Requests().at(0), "User-Agent: Seal/2"));
}

TEST(HttpRequest, PostSendsItsBodyWithAFormTypeAndPutWithout) {
  LoopbackServer server([](const std::string&) { return Ok("done"); });
  HttpRequestArgs args;
  args.url = server.Url("/form");
  args.method = 1;
  args.bodyText = "name=印章";
  HttpResponseInfo info;
  EXPECT_EQ(text(HttpRequest(args, &info)), "done");
  const std::string post = server.Requests().at(0);
  EXPECT_EQ(post.rfind("POST /form HTTP/1.1\r\n", 0), 0u);
  EXPECT_TRUE(hasLine(post, "Content-Type: application/x-www-form-urlencoded"));
  EXPECT_EQ(post.substr(post.find("\r\n\r\n") + 4), "name=印章");
  EXPECT_EQ(text(info.bodyBytes), "name=印章");
  args.method = 3;
  HttpRequest(args);
  const std::string put = server.Requests().at(1);
  EXPECT_EQ(put.rfind("PUT /form HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(put.find("Content-Type:"), std::string::npos) << put;
  EXPECT_EQ(put.substr(put.find("\r\n\r\n") + 4), "name=印章");
  args.method = 42;  // out of range: GET
  HttpRequest(args);
  EXPECT_EQ(server.Requests().at(2).rfind("GET /form", 0), 0u);
}

TEST(HttpRequest, ResponseCookiesAreReadAndMergedWithThoseSent) {
  LoopbackServer server([](const std::string&) {
    return Ok("", "text/plain", "Set-Cookie: a=1; Path=/; HttpOnly\r\nset-cookie: b=2\r\nSet-Cookie: a=9\r\n");
  });
  HttpRequestArgs args;
  args.url = server.Url("/");
  args.mergeCookies = false;
  HttpResponseInfo info;
  HttpRequest(args, &info);
  EXPECT_EQ(info.responseCookies, "a=1; b=2; a=9");  // no merge: both a's stay
  EXPECT_NE(info.responseHeaders.find("Set-Cookie: b=2"), std::string::npos);  // the name normalised
  // Cookies passed but empty: no Cookie line, and the merge still runs.
  args.mergeCookies.reset();
  args.requestCookies = "";
  HttpRequest(args, &info);
  EXPECT_EQ(server.Requests().at(1).find("Cookie:"), std::string::npos);
  EXPECT_EQ(info.responseCookies, "a=1; b=2; a=9");
  args.requestCookies = "c=3; b=1";
  HttpRequest(args, &info);
  EXPECT_TRUE(hasLine(server.Requests().at(2), "Cookie: c=3; b=1"));
  EXPECT_EQ(info.responseCookies, "a=1; b=2; a=9; c=3");
}

TEST(HttpRequest, RedirectsAreFollowedUnlessAskedNotTo) {
  LoopbackServer server([&](const std::string& request) -> CannedResponse {
    if (request.rfind("GET /old", 0) == 0)
      return {"HTTP/1.1 302 Found\r\nLocation: /new\r\nContent-Length: 5\r\nConnection: close\r\n\r\nmoved"};
    return Ok("arrived");
  });
  HttpRequestArgs args;
  args.url = server.Url("/old");
  HttpResponseInfo info;
  EXPECT_EQ(text(HttpRequest(args, &info)), "arrived");
  EXPECT_EQ(info.responseHeaders.rfind("HTTP/1.1 200", 0), 0u);  // the last response's headers
  args.noRedirect = true;
  EXPECT_EQ(text(HttpRequest(args)), "moved");
}

TEST(HttpRequest, AnUnreachableServerGivesAnEmptyBody) {
  HttpRequestArgs args;
  args.url = "http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort()) + "/x.png";
  HttpResponseInfo info;
  EXPECT_TRUE(HttpRequest(args, &info).empty());
  EXPECT_EQ(info.responseHeaders, "");
}

TEST(HttpRequest, ABodyOverItsCapIsAnEmptyResult) {
  const std::string big(100000, 'x');
  LoopbackServer server([&](const std::string&) { return Ok(big); });
  HttpRequestArgs args;
  args.url = server.Url("/");
  args.maxBodyBytes = 99999;
  EXPECT_TRUE(HttpRequest(args).empty());
  args.maxBodyBytes = 100000;
  EXPECT_EQ(HttpRequest(args).size(), 100000u);
}

TEST(HttpRequest, AServerThatStallsIsAbandonedWithinTheTimeLimit) {
  LoopbackServer server([](const std::string&) {
    CannedResponse r = Ok(std::string(1000, 'x'));
    r.stallAfterHeaders = true;
    return r;
  });
  HttpRequestArgs args;
  args.url = server.Url("/");
  args.stallSeconds = 1;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(HttpRequest(args).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
}

TEST(HttpRequest, AServerThatTricklesIsAbandonedAtTheOverallDeadline) {
  LoopbackServer server([](const std::string&) {
    CannedResponse r = Ok(std::string(100, 'x'));
    r.trickleMs = 300;  // progress, so never a stall
    return r;
  });
  HttpRequestArgs args;
  args.url = server.Url("/");
  args.totalSeconds = 1;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(HttpRequest(args).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
}

TEST(HttpRequest, TheAddressGoesOutAsWrittenWithUserOrBracketedHost) {
  LoopbackServer server([](const std::string&) { return Ok("x"); });
  const std::string port = std::to_string(server.Port());
  HttpRequestArgs args;
  args.url = "http://user:pw@127.0.0.1:" + port + "/b.png";
  EXPECT_EQ(text(HttpRequest(args)), "x");
  const std::string request = server.Requests().at(0);
  EXPECT_EQ(request.rfind("GET /b.png HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("Host: 127.0.0.1:" + port), std::string::npos) << request;
  EXPECT_NE(request.find("Authorization: Basic dXNlcjpwdw=="), std::string::npos) << request;
  // An IPv6 address in brackets is a host, not "[".
  LoopbackServer v6([](const std::string&) { return Ok("six"); }, true);
  if (v6.Port() == 0) GTEST_SKIP() << "no IPv6 loopback here";
  args.url = "http://[::1]:" + std::to_string(v6.Port()) + "/b.png";
  EXPECT_EQ(text(HttpRequest(args)), "six");
}

TEST(HttpRequest, ResponseHeadersLongerThan5000BytesComeBackWhole) {
  const std::string longValue(7000, 'v');
  LoopbackServer server([&](const std::string&) {
    return Ok("", "text/plain", "X-Long: " + longValue + "\r\nSet-Cookie: k=1\r\n");
  });
  HttpRequestArgs args;
  args.url = server.Url("/");
  HttpResponseInfo info;
  HttpRequest(args, &info);
  EXPECT_NE(info.responseHeaders.find(longValue), std::string::npos);
  EXPECT_EQ(info.responseCookies, "k=1");
}

TEST(HttpRequest, ACancelEndsTheExchangeAtOnce) {
  LoopbackServer server([](const std::string&) {
    CannedResponse r = Ok("late");
    r.delayMs = 3000;
    return r;
  });
  std::atomic<bool> cancel{true};
  HttpRequestArgs args;
  args.url = server.Url("/");
  args.cancel = &cancel;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(HttpRequest(args).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace korvane
