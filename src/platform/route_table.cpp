#include <cstdlib>
#include <sstream>

#include "platform/network_facts.h"

namespace {

constexpr unsigned kRouteUp = 0x1;  // RTF_UP

}  // namespace

std::vector<std::string> DefaultRouteInterfaces(const std::string& routeTable) {
  std::vector<std::string> names;
  std::istringstream routes(routeTable);
  std::string line;
  std::getline(routes, line);  // column titles
  while (std::getline(routes, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags, refCount, use, metric, mask;
    if (!(fields >> iface >> destination >> gateway >> flags >> refCount >> use >> metric >> mask))
      continue;
    unsigned flagBits = static_cast<unsigned>(std::strtoul(flags.c_str(), nullptr, 16));
    if (destination == "00000000" && mask == "00000000" && (flagBits & kRouteUp) && iface != "lo")
      names.push_back(iface);
  }
  return names;
}
