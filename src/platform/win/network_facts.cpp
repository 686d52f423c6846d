#include "platform/network_facts.h"

// The IP helper's header needs winsock2.h's types first; the blank line keeps the order.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <cstring>
#include <memory>

#include "core/octet_text.h"

namespace {

struct InterfaceAddress {
  IF_INDEX Index;
  std::array<uint8_t, 4> Address;
  bool Up;
  bool Loopback;
};

std::vector<InterfaceAddress> InterfaceAddresses() {
  std::vector<InterfaceAddress> result;
  ULONG size = 16 * 1024;
  std::unique_ptr<char[]> buffer;
  ULONG status = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer = std::make_unique<char[]>(size);
    status = GetAdaptersAddresses(
        AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
        nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()), &size);
  }
  if (status != NO_ERROR) return result;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()); adapter;
       adapter = adapter->Next) {
    for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
      const sockaddr* address = unicast->Address.lpSockaddr;
      if (!address || address->sa_family != AF_INET) continue;
      InterfaceAddress row{};
      row.Index = adapter->IfIndex;
      std::memcpy(row.Address.data(), &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, 4);
      row.Up = adapter->OperStatus == IfOperStatusUp;
      row.Loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
      result.push_back(row);
    }
  }
  return result;
}

// The IPv4 default routes (destination and mask 0.0.0.0).
std::vector<MIB_IPFORWARDROW> DefaultRoutes() {
  std::vector<MIB_IPFORWARDROW> routes;
  ULONG size = 0;
  if (GetIpForwardTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER) return routes;
  auto buffer = std::make_unique<char[]>(size);
  auto* table = reinterpret_cast<MIB_IPFORWARDTABLE*>(buffer.get());
  if (GetIpForwardTable(table, &size, TRUE) != NO_ERROR) return routes;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_IPFORWARDROW& row = table->table[i];
    if (row.dwForwardDest == 0 && row.dwForwardMask == 0) routes.push_back(row);
  }
  return routes;
}

}  // namespace

bool HasDefaultRoute() {
  const std::vector<InterfaceAddress> rows = InterfaceAddresses();
  for (const MIB_IPFORWARDROW& route : DefaultRoutes()) {
    for (const auto& row : rows) {
      if (row.Index == route.dwForwardIfIndex && !row.Loopback) return true;
    }
  }
  return false;
}

std::optional<std::array<uint8_t, 4>> DefaultGateway() {
  std::optional<MIB_IPFORWARDROW> best;
  for (const MIB_IPFORWARDROW& route : DefaultRoutes()) {
    if (route.dwForwardNextHop != 0 && (!best || route.dwForwardMetric1 < best->dwForwardMetric1))
      best = route;
  }
  if (!best) return std::nullopt;
  std::array<uint8_t, 4> gateway;
  std::memcpy(gateway.data(), &best->dwForwardNextHop, 4);  // in network byte order
  return gateway;
}

std::vector<std::array<uint8_t, 4>> LocalIPv4Addresses() {
  std::vector<std::array<uint8_t, 4>> result;
  for (const auto& row : InterfaceAddresses()) result.push_back(row.Address);
  return result;
}

std::string PrimaryIPv4Address() {
  const std::vector<InterfaceAddress> rows = InterfaceAddresses();
  // The interface that carries the default route is the one others see this machine by.
  for (const MIB_IPFORWARDROW& route : DefaultRoutes()) {
    for (const auto& row : rows) {
      if (row.Index == route.dwForwardIfIndex && row.Up && !row.Loopback)
        return AddressToText(row.Address);
    }
  }
  for (const auto& row : rows) {
    if (row.Up && !row.Loopback) return AddressToText(row.Address);
  }
  return "127.0.0.1";
}
