// A small HTTP server on 127.0.0.1 for tests: any port the system gives,
// each request recorded, each answer chosen by the test. It stops when it
// goes; nothing it does leaves the machine.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvane::test {

struct CannedResponse {
  std::string raw;         // the whole response, status line to body
  int delayMs = 0;         // wait this long before answering
  bool stallAfterHeaders = false;  // send up to the body, then nothing more
  int trickleMs = 0;               // send the body one byte every so often
};

// A 200 response with the given content type, extra header lines (each
// ending in CR LF) and body.
CannedResponse Ok(const std::string& body, const std::string& contentType = "text/plain",
                  const std::string& extraHeaders = "");

class LoopbackServer {
 public:
  using Handler = std::function<CannedResponse(const std::string& request)>;
  // On 127.0.0.1, or on [::1] when asked (Port() is 0 where there is none).
  explicit LoopbackServer(Handler handler, bool ipv6 = false);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return m_port; }
  std::string Url(const std::string& path) const;
  // Every request received so far, headers and body as sent.
  std::vector<std::string> Requests() const;

 private:
  void serve();
  void answer(int client);

  Handler m_handler;
  int m_listener = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
  mutable std::mutex m_mutex;
  std::vector<std::string> m_requests;
  std::vector<std::thread> m_connections;
};

// A port on 127.0.0.1 where nothing listens.
int ClosedLoopbackPort();

}  // namespace korvane::test
