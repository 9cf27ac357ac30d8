#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace korvane::test {

namespace {

int listenOnLoopback(int* port, bool v6 = false) {
  const int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_storage storage{};
  socklen_t len;
  if (v6) {
    auto* addr = reinterpret_cast<sockaddr_in6*>(&storage);
    addr->sin6_family = AF_INET6;
    addr->sin6_addr = in6addr_loopback;
    len = sizeof *addr;
  } else {
    auto* addr = reinterpret_cast<sockaddr_in*>(&storage);
    addr->sin_family = AF_INET;
    addr->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    len = sizeof *addr;
  }
  auto* any = reinterpret_cast<sockaddr*>(&storage);
  if (::bind(fd, any, len) != 0 || ::listen(fd, 16) != 0 || ::getsockname(fd, any, &len) != 0) {
    ::close(fd);
    return -1;
  }
  *port = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
  return fd;
}

void sendAll(int fd, const std::string& data) {
  for (size_t done = 0; done < data.size();) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += size_t(n);
  }
}

}  // namespace

CannedResponse Ok(const std::string& body, const std::string& contentType, const std::string& extraHeaders) {
  return {"HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size()) +
          "\r\n" + extraHeaders + "Connection: close\r\n\r\n" + body};
}

LoopbackServer::LoopbackServer(Handler handler, bool ipv6) : m_handler(std::move(handler)) {
  m_listener = listenOnLoopback(&m_port, ipv6);
  if (m_listener >= 0) m_thread = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  for (std::thread& t : m_connections) t.join();
  if (m_listener >= 0) ::close(m_listener);
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> LoopbackServer::Requests() const {
  std::lock_guard lock(m_mutex);
  return m_requests;
}

void LoopbackServer::serve() {
  while (!m_stop) {
    pollfd p{m_listener, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    m_connections.emplace_back([this, client] { answer(client); });
  }
}

void LoopbackServer::answer(int client) {
  // The request: headers, then as many body bytes as Content-Length says.
  std::string request;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  size_t need = std::string::npos;
  while (!m_stop && std::chrono::steady_clock::now() < deadline) {
    pollfd p{client, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buf[4096];
    const ssize_t n = ::recv(client, buf, sizeof buf, 0);
    if (n <= 0) break;
    request.append(buf, size_t(n));
    const size_t end = request.find("\r\n\r\n");
    if (end != std::string::npos && need == std::string::npos) {
      size_t length = 0;
      const size_t at = request.find("Content-Length: ");
      if (at != std::string::npos && at < end) length = std::stoul(request.substr(at + 16));
      need = end + 4 + length;
    }
    if (need != std::string::npos && request.size() >= need) break;
  }
  {
    std::lock_guard lock(m_mutex);
    m_requests.push_back(request);
  }
  const CannedResponse response = m_handler(request);
  for (int waited = 0; waited < response.delayMs && !m_stop; waited += 10)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (response.stallAfterHeaders) {
    const size_t end = response.raw.find("\r\n\r\n");
    sendAll(client, response.raw.substr(0, end == std::string::npos ? response.raw.size() : end + 4));
    // Nothing more until the server stops (bounded: at most 20 s).
    for (int i = 0; i < 2000 && !m_stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } else if (response.trickleMs > 0) {
    // Headers at once, then the body a byte at a time (bounded: 20 s).
    const size_t end = response.raw.find("\r\n\r\n");
    const size_t body = end == std::string::npos ? response.raw.size() : end + 4;
    sendAll(client, response.raw.substr(0, body));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (size_t i = body; i < response.raw.size() && !m_stop && std::chrono::steady_clock::now() < until; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(response.trickleMs));
      if (::send(client, response.raw.data() + i, 1, MSG_NOSIGNAL) != 1) break;
    }
  } else {
    sendAll(client, response.raw);
  }
  ::shutdown(client, SHUT_RDWR);
  ::close(client);
}

int ClosedLoopbackPort() {
  int port = 0;
  const int fd = listenOnLoopback(&port);
  if (fd >= 0) ::close(fd);  // free again: nothing listens there now
  return port;
}

}  // namespace korvane::test
