#include "link/accept_policy.h"

#include <algorithm>

AcceptPolicy::Decision AcceptPolicy::Incoming(uint64_t connection, const IPv4& from,
                                              const std::vector<IPv4>& known,
                                              Clock::time_point now) {
  if (std::find(known.begin(), known.end(), from) != known.end()) {
    // A stranger waiting for an answer never keeps the friend out.
    return {Verdict::Link, Take()};
  }
  // One whose time is up gives way, even if its timer has not been heard yet.
  const std::optional<uint64_t> expired = Expire(now);
  if (waiting_) return {Verdict::Refuse, std::nullopt};
  waiting_ = Stranger{connection, now + wait_};
  return {Verdict::Ask, expired};
}

std::optional<uint64_t> AcceptPolicy::Take() {
  std::optional<uint64_t> connection;
  if (waiting_) connection = waiting_->Connection;
  waiting_.reset();
  return connection;
}

std::optional<uint64_t> AcceptPolicy::Expire(Clock::time_point now) {
  if (!waiting_ || now < waiting_->Deadline) return std::nullopt;
  return Take();
}

std::optional<AcceptPolicy::Clock::time_point> AcceptPolicy::Deadline() const {
  if (!waiting_) return std::nullopt;
  return waiting_->Deadline;
}
