#include "platform/network_facts.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "core/octet_text.h"

namespace {

std::string RouteTable() {
  std::ifstream file("/proc/net/route");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

struct InterfaceAddress {
  std::string Name;
  std::array<uint8_t, 4> Address;
  bool Up;
  bool Loopback;
};

std::vector<InterfaceAddress> InterfaceAddresses() {
  std::vector<InterfaceAddress> result;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return result;
  for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    InterfaceAddress row;
    row.Name = entry->ifa_name ? entry->ifa_name : "";
    const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    std::memcpy(row.Address.data(), &in->sin_addr.s_addr, 4);
    row.Up = (entry->ifa_flags & IFF_UP) != 0;
    row.Loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
    result.push_back(row);
  }
  freeifaddrs(list);
  return result;
}

}  // namespace

bool HasDefaultRoute() { return !DefaultRoutes(RouteTable()).empty(); }

std::optional<std::array<uint8_t, 4>> DefaultGateway() {
  std::optional<DefaultRoute> best;
  for (const DefaultRoute& route : DefaultRoutes(RouteTable())) {
    if (route.Gateway != std::array<uint8_t, 4>{} && (!best || route.Metric < best->Metric))
      best = route;
  }
  if (!best) return std::nullopt;
  return best->Gateway;
}

std::vector<std::array<uint8_t, 4>> LocalIPv4Addresses() {
  std::vector<std::array<uint8_t, 4>> result;
  for (const auto& row : InterfaceAddresses()) result.push_back(row.Address);
  return result;
}

std::string PrimaryIPv4Address() {
  auto rows = InterfaceAddresses();
  // The interface that carries the default route is the one others see this machine by.
  for (const DefaultRoute& route : DefaultRoutes(RouteTable())) {
    for (const auto& row : rows) {
      if (row.Name == route.Interface && row.Up) return AddressToText(row.Address);
    }
  }
  for (const auto& row : rows) {
    if (row.Up && !row.Loopback) return AddressToText(row.Address);
  }
  return "127.0.0.1";
}
