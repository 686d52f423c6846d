#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

// A one-shot web server on 127.0.0.1 in a thread of its own (the address page is fetched
// with a blocking socket). It takes one request, answers it with `reply` (or keeps the line
// open without a word), then closes.
class AddressPageServer {
 public:
  explicit AddressPageServer(std::string reply, bool answer = true)
      : reply_(std::move(reply)), answer_(answer) {
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
  std::string Request() const {  // what the client sent, once served
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
  }
  bool Contacted() const { return contacted_; }

 private:
  bool WaitReadable(int fd) {
    for (pollfd p{fd, POLLIN, 0}; !stop_;)
      if (poll(&p, 1, 20) > 0) return true;
    return false;
  }
  void Serve() {
    const int client = WaitReadable(listener_) ? accept(listener_, nullptr, nullptr) : -1;
    if (client < 0) return;
    contacted_ = true;
    std::string request;
    char buffer[1024];
    for (ssize_t n = 1; n > 0 && request.find("\r\n\r\n") == std::string::npos;) {
      if (!WaitReadable(client) || (n = recv(client, buffer, sizeof buffer, 0)) <= 0) break;
      std::lock_guard<std::mutex> lock(mutex_);
      request_ = request.append(buffer, static_cast<size_t>(n));
    }
    if (answer_) send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
    while (!answer_ && !stop_) usleep(10000);
    close(client);
  }

  std::string reply_;
  bool answer_;
  int listener_ = socket(AF_INET, SOCK_STREAM, 0);
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false}, contacted_{false};
  mutable std::mutex mutex_;
  std::string request_;
  std::thread thread_;
};
