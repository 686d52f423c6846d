#include "platform/sockets.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

std::optional<std::array<uint8_t, 4>> PeerIPv4Address(intptr_t socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getpeername(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return std::nullopt;
  std::array<uint8_t, 4> bytes{};
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    std::memcpy(bytes.data(), &v4->sin_addr.s_addr, 4);
    return bytes;
  }
  if (address.ss_family == AF_INET6) {
    // An IPv4 peer of a dual-stack socket comes as ::ffff:a.b.c.d.
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    if (!IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) return std::nullopt;
    std::memcpy(bytes.data(), v6->sin6_addr.s6_addr + 12, 4);
    return bytes;
  }
  return std::nullopt;
}
