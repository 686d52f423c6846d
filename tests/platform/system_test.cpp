#include <gtest/gtest.h>

#include "platform/network_facts.h"

namespace {

TEST(NetworkFacts, DefaultRoutesAreUpRoutesToEverywhereOffLoopback) {
  const std::string header =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
  struct Case {
    std::string Rows;
    std::vector<DefaultRoute> Routes;
  } cases[] = {
      {"eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
       "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n",
       {{"eth0", {192, 168, 1, 1}, 100}}},
      {"eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n", {}},
      {"lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n", {}},
      {"broken line\n\nwg0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n",
       {{"wg0", {}, 0}}},
  };
  for (const Case& c : cases) EXPECT_EQ(DefaultRoutes(header + c.Rows), c.Routes) << c.Rows;
}

}  // namespace
