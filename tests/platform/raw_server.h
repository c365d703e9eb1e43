// A TCP server on 127.0.0.1 for peers that cpp-httplib cannot play: it
// records every request exactly as it arrived, then lets the test answer
// with raw bytes, cut the answer short or never answer at all. Connections
// are served one after another on the server's own thread.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace sfx::test {

// How long the server waits for a request to arrive or to be read whole;
// a client that stays silent longer is dropped so no test can hang on it.
inline constexpr std::chrono::milliseconds kRawRequestWait{5000};
// How often the accept loop looks at the stop flag.
inline constexpr int kRawPollMs = 20;

inline bool sendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

// A loopback port that refuses connections: bound, then closed again.
inline int closedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

class RawServer {
 public:
  // Called with the connected socket and the request head (up to and
  // including the blank line); the server closes the socket afterwards.
  using Responder = std::function<void(RawServer& server, int fd, const std::string& request)>;

  explicit RawServer(Responder respond) : respond_(std::move(respond)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    ::listen(listener_, 16);
    thread_ = std::thread([this] { serve(); });
  }

  ~RawServer() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    stopped_.notify_all();
    thread_.join();
    ::close(listener_);
  }

  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  int port() const { return port_; }
  std::string url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }

  std::vector<std::string> requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  int connections() const { return connections_.load(); }

  // For a responder that holds the connection open: returns when the server
  // is being destroyed, or after `limit` at the latest; true in the first case.
  bool holdUntilStopped(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return stopped_.wait_for(lock, limit, [this] { return stopping_; });
  }

 private:
  bool stopping() {
    std::lock_guard lock(mutex_);
    return stopping_;
  }

  void serve() {
    while (!stopping()) {
      pollfd ready{listener_, POLLIN, 0};
      if (::poll(&ready, 1, kRawPollMs) <= 0) continue;
      const int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      ++connections_;
      const std::string request = readHead(fd);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      respond_(*this, fd, request);
      ::close(fd);
    }
  }

  static std::string readHead(int fd) {
    std::string head;
    const auto deadline = std::chrono::steady_clock::now() + kRawRequestWait;
    while (head.find("\r\n\r\n") == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd ready{fd, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[4096];
      const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      head.append(buffer, static_cast<size_t>(got));
    }
    return head;
  }

  Responder respond_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::vector<std::string> requests_;
  std::atomic<int> connections_{0};
};

}  // namespace sfx::test
