#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win/winsock.h"
#else
#include <netdb.h>
#include <netinet/in.h>
#endif

#include <cstring>

#include "platform/network_facts.h"

std::optional<std::array<uint8_t, 4>> LookUpIPv4(const std::string& host) {
#ifdef _WIN32
  if (!StartWinsock()) return std::nullopt;
#endif
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  std::array<uint8_t, 4> address{};
  std::memcpy(address.data(), &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr, 4);
  freeaddrinfo(found);
  return address;
}
