// An HTTP server on 127.0.0.1 at a free port, run on its own thread for the
// life of the object. Register handlers on `http` before calling start().
#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

namespace sfx::test {

class LoopbackServer {
 public:
  LoopbackServer() : server_(std::make_unique<httplib::Server>()) {}
  // TLS server from PEM files (the tests make a self-signed pair).
  LoopbackServer(const std::string& certFile, const std::string& keyFile)
      : server_(std::make_unique<httplib::SSLServer>(certFile.c_str(), keyFile.c_str())) {}
  ~LoopbackServer() { stop(); }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  httplib::Server& http() { return *server_; }

  // Binds 127.0.0.1 at a free port and serves. The socket listens from the
  // bind on, so a client may connect as soon as this returns.
  void start() {
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
  }

  void stop() {
    if (thread_.joinable()) {
      // stop() is ignored until the accept loop runs; wait for it to start.
      while (!server_->is_running()) std::this_thread::yield();
      server_->stop();
      thread_.join();
    }
  }

  int port() const { return port_; }
  std::string url(const std::string& path, const std::string& scheme = "http") const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
};

}  // namespace sfx::test
