#pragma once

// The plain socket calls of the platform floor's own code (and its tests), with the few places
// where Winsock differs from the POSIX sockets. Every socket is IPv4 and non-blocking.

#ifdef _WIN32
#include <winsock2.h>
// After winsock2.h, which it needs.
#include <ws2tcpip.h>

#include "platform/win/winsock.h"
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace socket_calls {

using Clock = std::chrono::steady_clock;

#ifdef _WIN32
using Descriptor = SOCKET;
constexpr Descriptor kNoSocket = INVALID_SOCKET;
inline int LastError() { return WSAGetLastError(); }
constexpr int kInterrupted = WSAEINTR, kWouldBlock = WSAEWOULDBLOCK, kInProgress = WSAEWOULDBLOCK;
constexpr int kSendFlags = 0;
inline int PollOne(Descriptor fd, short events, int milliseconds) {
  WSAPOLLFD p{fd, events, 0};
  return WSAPoll(&p, 1, milliseconds);
}
// `type`: SOCK_STREAM or SOCK_DGRAM.
inline Descriptor OpenSocket(int type) {
  if (!StartWinsock()) return kNoSocket;
  const Descriptor fd = socket(AF_INET, type, 0);
  u_long nonBlocking = 1;
  if (fd != kNoSocket && ioctlsocket(fd, FIONBIO, &nonBlocking) != 0) {
    closesocket(fd);
    return kNoSocket;
  }
  return fd;
}
inline void CloseSocket(Descriptor fd) { closesocket(fd); }
#else
using Descriptor = int;
constexpr Descriptor kNoSocket = -1;
inline int LastError() { return errno; }
constexpr int kInterrupted = EINTR, kWouldBlock = EAGAIN, kInProgress = EINPROGRESS;
constexpr int kSendFlags = MSG_NOSIGNAL;
inline int PollOne(Descriptor fd, short events, int milliseconds) {
  pollfd p{fd, events, 0};
  return poll(&p, 1, milliseconds);
}
inline Descriptor OpenSocket(int type) {
  return socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}
inline void CloseSocket(Descriptor fd) { close(fd); }
#endif

inline int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<int64_t>(left, 0, 1 << 30));
}

// Until the socket is ready for `events`; false when the deadline passes first.
inline bool Await(Descriptor fd, short events, Clock::time_point deadline) {
  for (;;) {
    const int ready = PollOne(fd, events, MillisecondsLeft(deadline));
    if (ready > 0) return true;
    if (ready == 0 || LastError() != kInterrupted) return false;
  }
}

// The address a dotted IPv4 text ("192.168.1.100") names; nothing for any other text (a name
// is not looked up).
inline std::optional<in_addr> ParseIPv4(const std::string& text) {
  in_addr address{};
  if (inet_pton(AF_INET, text.c_str(), &address) != 1) return std::nullopt;
  return address;
}

inline sockaddr_in IPv4Endpoint(in_addr address, uint16_t port) {
  sockaddr_in endpoint{};
  endpoint.sin_family = AF_INET;
  endpoint.sin_port = htons(port);
  endpoint.sin_addr = address;
  return endpoint;
}

// The socket address of `address` (network byte order: byte 0 is the first number of the
// dotted form) and `port`.
inline sockaddr_in IPv4Endpoint(const std::array<uint8_t, 4>& address, uint16_t port) {
  in_addr bytes{};
  std::memcpy(&bytes.s_addr, address.data(), 4);
  return IPv4Endpoint(bytes, port);
}

class Socket {
 public:
  explicit Socket(int type) : fd_(OpenSocket(type)) {}
  ~Socket() {
    if (fd_ != kNoSocket) CloseSocket(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  Descriptor Fd() const { return fd_; }

 private:
  Descriptor fd_;
};

}  // namespace socket_calls
