#include "app/environment.h"

#include <gtest/gtest.h>

#include "support/scoped_env.h"

namespace {

TEST(EnvironmentDefault, VariablesSetThePortsAndTurnRouterMappingOff) {
  ScopedEnv port("QUIB_PORT", "6113"), dial("QUIB_DIAL_PORT", "61x2"),
      mapping("QUIB_PORT_MAPPING", std::nullopt);
  const Environment env = Environment::Default("/opt/quib");
  EXPECT_EQ(env.PeerPort, 6113);
  EXPECT_EQ(env.DialPort, 0);  // not a port: ignored, so "Connect" dials PeerPort
  EXPECT_TRUE(env.MapRouterPort);
  ScopedEnv off("QUIB_PORT_MAPPING", "0");
  EXPECT_FALSE(Environment::Default("/opt/quib").MapRouterPort);
}

}  // namespace
