#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

// A web server on 127.0.0.1 in a thread of its own. It answers each request with `reply`
// (once Hold is false; while it is true, it keeps the line open without a word), then closes.
class AddressPageServer {
 public:
  explicit AddressPageServer(std::string reply, bool answer = true)
      : Hold(!answer), reply_(std::move(reply)) {
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
    listen(listener_, 4);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~AddressPageServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  uint16_t Port() const { return port_; }
  std::string Request() const {  // what the last client sent
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
  }
  int Requests() const { return requests_; }

  std::atomic<bool> Hold;

 private:
  bool WaitReadable(int fd) {
    for (pollfd p{fd, POLLIN, 0}; !stop_;)
      if (poll(&p, 1, 20) > 0) return true;
    return false;
  }
  void Serve() {
    for (int client;
         WaitReadable(listener_) && (client = accept(listener_, nullptr, nullptr)) >= 0;) {
      ++requests_;
      std::string request;
      char buffer[1024];
      for (ssize_t n = 1; n > 0 && request.find("\r\n\r\n") == std::string::npos;) {
        if (!WaitReadable(client) || (n = recv(client, buffer, sizeof buffer, 0)) <= 0) break;
        std::lock_guard<std::mutex> lock(mutex_);
        request_ = request.append(buffer, static_cast<size_t>(n));
      }
      while (Hold && !stop_) usleep(10000);
      if (!stop_) send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
      close(client);
    }
  }

  std::string reply_;
  int listener_ = socket(AF_INET, SOCK_STREAM, 0);
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  mutable std::mutex mutex_;
  std::string request_;
  std::thread thread_;
};
