#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

// An IPv4 address in network order: byte 0 is the first number of the dotted form.
using IPv4 = std::array<uint8_t, 4>;

// Who may link over an incoming connection. One from a known address (the last peer's, or
// the one typed in the address boxes) links at once. One from any other address waits,
// unread, for the player's answer, for `wait` at most, one stranger at a time; strangers who
// come meanwhile are refused. A known peer who comes meanwhile ends that wait and links.
// Connections are named by numbers the caller chooses.
class AcceptPolicy {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Verdict { Link, Ask, Refuse };
  struct Decision {
    Verdict What = Verdict::Refuse;
    // A waiting stranger's connection to close (its question goes with it).
    std::optional<uint64_t> Dropped;
  };

  explicit AcceptPolicy(Clock::duration wait = std::chrono::seconds(60)) : wait_(wait) {}

  Decision Incoming(uint64_t connection, const IPv4& from, const std::vector<IPv4>& known,
                    Clock::time_point now);
  // The waiting stranger's connection, which waits no longer (the player answered, or the
  // listener closed); nothing when none waits.
  std::optional<uint64_t> Take();
  // The waiting stranger's connection when its time is up at `now`; it waits no longer.
  std::optional<uint64_t> Expire(Clock::time_point now);
  // When the waiting stranger's time is up; nothing when none waits.
  std::optional<Clock::time_point> Deadline() const;

 private:
  struct Stranger {
    uint64_t Connection;
    Clock::time_point Deadline;
  };
  Clock::duration wait_;
  std::optional<Stranger> waiting_;
};
