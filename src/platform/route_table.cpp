#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/network_facts.h"

namespace {

constexpr unsigned kRouteUp = 0x1;  // RTF_UP

}  // namespace

std::vector<DefaultRoute> DefaultRoutes(const std::string& routeTable) {
  std::vector<DefaultRoute> routes;
  std::istringstream rows(routeTable);
  std::string line;
  std::getline(rows, line);  // column titles
  while (std::getline(rows, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags, refCount, use, metric, mask;
    if (!(fields >> iface >> destination >> gateway >> flags >> refCount >> use >> metric >> mask))
      continue;
    unsigned flagBits = static_cast<unsigned>(std::strtoul(flags.c_str(), nullptr, 16));
    if (destination != "00000000" || mask != "00000000" || !(flagBits & kRouteUp) || iface == "lo")
      continue;
    DefaultRoute route{iface, {}, static_cast<uint32_t>(std::strtoul(metric.c_str(), nullptr, 10))};
    // The address as it lies in memory, written as one number of the machine's byte order.
    const auto address = static_cast<uint32_t>(std::strtoul(gateway.c_str(), nullptr, 16));
    std::memcpy(route.Gateway.data(), &address, 4);
    routes.push_back(route);
  }
  return routes;
}
