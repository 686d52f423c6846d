#include "platform/network_facts.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace {

TEST(NetworkFacts, LoopbackIsListedAndThePrimaryAddressIsAnInterfaceAddress) {
  auto addresses = LocalIPv4Addresses();
  std::array<uint8_t, 4> loopback{127, 0, 0, 1};
  EXPECT_NE(std::find(addresses.begin(), addresses.end(), loopback), addresses.end());

  std::string primary = PrimaryIPv4Address();
  bool listed = primary == "127.0.0.1";
  for (const auto& a : addresses) {
    listed |= primary == std::to_string(a[0]) + "." + std::to_string(a[1]) + "." +
                             std::to_string(a[2]) + "." + std::to_string(a[3]);
  }
  EXPECT_TRUE(listed) << primary;
}

TEST(NetworkFacts, DefaultRouteNeedsAnUpRouteToEverywhereOffLoopback) {
  const std::string header =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
  struct Case {
    std::string Rows;
    std::vector<std::string> Interfaces;
  } cases[] = {
      {"eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
       "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n",
       {"eth0"}},
      {"eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n", {}},
      {"lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n", {}},
      {"wlan0\t00000000\t0101A8C0\t0002\t0\t0\t600\t00000000\t0\t0\t0\n", {}},  // down
      {"broken line\n\nwg0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n", {"wg0"}},
      {"", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DefaultRouteInterfaces(header + c.Rows), c.Interfaces) << c.Rows;
}

}  // namespace
