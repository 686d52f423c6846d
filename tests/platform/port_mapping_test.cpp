#include "platform/port_mapping.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::seconds;

TEST(PortMapping, RenewalComesBeforeTheGrantedOrAskedLeaseRunsOut) {
  struct {
    int64_t Granted;  // 0: without end
    int Asked;
    int64_t Latest;  // just before it runs out, or at once when that is all there is
  } cases[] = {
      {60, 1200, 59}, {1200, 60, 59}, {0, 1200, 1199}, {4000000000, 1200, 1199}, {1, 4, 1}};
  for (const auto& c : cases) {
    EXPECT_GT(RenewalDelay(c.Granted, c.Asked), seconds(0)) << c.Granted << " " << c.Asked;
    EXPECT_LE(RenewalDelay(c.Granted, c.Asked), seconds(c.Latest)) << c.Granted << " " << c.Asked;
  }
}

TEST(PortMapping, RetriesBackOffToOnceAMinute) {
  for (int failures = 1; failures < 100; ++failures) {
    EXPECT_GE(RetryDelay(failures + 1), RetryDelay(failures)) << failures;
    EXPECT_LE(RetryDelay(failures), seconds(60)) << failures;
  }
  EXPECT_GT(RetryDelay(1), seconds(0));
  EXPECT_LT(RetryDelay(1), RetryDelay(99));
}

}  // namespace
