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
  // Whatever the machine, the answer comes without a failure.
  (void)HasDefaultRoute();
}

}  // namespace
