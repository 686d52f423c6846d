#include "link/accept_policy.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Verdict = AcceptPolicy::Verdict;

const IPv4 kFriend{10, 0, 0, 2}, kStranger{203, 0, 113, 7}, kOther{203, 0, 113, 8};
const std::vector<IPv4> kKnown{{192, 168, 1, 100}, kFriend};
const AcceptPolicy::Clock::time_point t0;

// One stranger at a time waits for the player; a friend never waits behind it.
TEST(AcceptPolicy, AStrangerWaitsAloneAndTheFriendEndsTheWait) {
  AcceptPolicy policy;
  EXPECT_EQ(policy.Incoming(1, kFriend, kKnown, t0).What, Verdict::Link);
  EXPECT_EQ(policy.Incoming(2, kStranger, kKnown, t0).What, Verdict::Ask);
  EXPECT_EQ(policy.Incoming(3, kOther, kKnown, t0 + 1s).What, Verdict::Refuse);
  EXPECT_EQ(policy.Expire(t0 + 59s), std::nullopt);
  const AcceptPolicy::Decision decision = policy.Incoming(4, kFriend, kKnown, t0 + 59s);
  EXPECT_EQ(decision.What, Verdict::Link);
  EXPECT_EQ(decision.Dropped, 2u);
  EXPECT_EQ(policy.Take(), std::nullopt);
}

// Unanswered for a minute, the stranger is refused, also when the next one comes first.
TEST(AcceptPolicy, AStrangerWaitsAMinuteAtMost) {
  AcceptPolicy policy;
  policy.Incoming(1, kStranger, {}, t0);
  EXPECT_EQ(policy.Deadline(), t0 + 60s);
  EXPECT_EQ(policy.Expire(t0 + 60s), 1u);
  EXPECT_EQ(policy.Deadline(), std::nullopt);
  policy.Incoming(2, kStranger, {}, t0 + 61s);
  const AcceptPolicy::Decision decision = policy.Incoming(3, kOther, {}, t0 + 121s);
  EXPECT_EQ(decision.What, Verdict::Ask);
  EXPECT_EQ(decision.Dropped, 2u);
}

}  // namespace
