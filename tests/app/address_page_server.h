#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// A one-shot web server on 127.0.0.1 in a thread of its own (the address page is fetched
// with a blocking socket, so it cannot share the test's thread). It takes one request,
// answers it with `reply` (or keeps silent), then closes.
class AddressPageServer {
 public:
  explicit AddressPageServer(std::string reply, bool answer = true)
      : reply_(std::move(reply)), answer_(answer) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 4);
    socklen_t length = sizeof address;
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
  // What the one client sent, once it has been served.
  std::string Request() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
  }
  bool Contacted() const { return contacted_; }

 private:
  bool WaitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    while (!stop_) {
      if (poll(&p, 1, 20) > 0) return true;
    }
    return false;
  }

  void Serve() {
    if (!WaitReadable(listener_)) return;
    int client = accept(listener_, nullptr, nullptr);
    if (client < 0) return;
    contacted_ = true;
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos && WaitReadable(client)) {
      ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      request_ = request;
    }
    if (answer_) {
      send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
    } else {
      while (!stop_) usleep(10000);  // holds the line open without a word
    }
    close(client);
  }

  std::string reply_;
  bool answer_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> contacted_{false};
  mutable std::mutex mutex_;
  std::string request_;
  std::thread thread_;
};
