#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Asking the home router to forward a TCP port to this machine: UPnP-IGD first, NAT-PMP when
// no UPnP gateway answers.

// The longest lease asked for, so a forwarding that could not be removed (a crash, a router
// that did not answer in time) lapses soon after the program.
constexpr int kLongestRouterLease = 20 * 60;

struct PortMapReport {
  enum class Outcome { NoRouter, Open, Refused };
  Outcome Result = Outcome::NoRouter;
  uint16_t Port = 0;
  // The router's own public address, when it told it; empty otherwise.
  std::string ExternalAddress;
  // Why the router refused, in its own words or numbers.
  std::string Reason;
};

// A forwarding held with a router, to be renewed or removed later.
struct RouterMapping {
  enum class Protocol { None, Upnp, NatPmp };
  Protocol Via = Protocol::None;
  uint16_t Port = 0;
  // The lease the router granted; 0 when it keeps the forwarding without end.
  int64_t LeaseSeconds = 0;
  std::string ControlUrl;   // UPnP
  std::string ServiceType;  // UPnP
  std::string Client;       // UPnP: this machine's address towards the router
};

// Blocking: finds a gateway (each step bounded by `deadline`) and asks it to forward TCP
// `port` to the address this machine reaches the gateway from, for `leaseSeconds`. A port the
// router already forwards to another host or port is reported refused. `held` receives what to
// renew or remove.
PortMapReport MapRouterPort(uint16_t port, int leaseSeconds, std::chrono::milliseconds deadline,
                            RouterMapping& held);
// Blocking: removes a forwarding made by MapRouterPort, unless the router now forwards the
// port to someone else; nothing for Protocol::None.
void UnmapRouterPort(const RouterMapping& held, std::chrono::milliseconds deadline);

// When to renew a forwarding asked for `askedSeconds` and granted for `grantedSeconds` (0:
// without end): halfway through the shorter, so a late renewal still finds it in place.
std::chrono::seconds RenewalDelay(int64_t grantedSeconds, int askedSeconds);
// How long to wait before trying again after `failures` failed renewals in a row: doubling
// from a few seconds up to a minute.
std::chrono::seconds RetryDelay(int failures);

// Keeps one port forwarded from a thread of its own, so no caller waits for the router:
// Request() maps (replacing an earlier mapping), the lease (at most kLongestRouterLease) is
// renewed before it runs out, a failed renewal is tried again until it succeeds, and Stop() or
// the destructor removes the mapping. Reports arrive on that thread.
class PortMapper {
 public:
  using ReportFn = std::function<void(const PortMapReport&)>;
  PortMapper(ReportFn report, int leaseSeconds = kLongestRouterLease,
             std::chrono::milliseconds deadline = std::chrono::milliseconds(2500));
  ~PortMapper();
  PortMapper(const PortMapper&) = delete;
  PortMapper& operator=(const PortMapper&) = delete;

  void Request(uint16_t port);
  // Removes the mapping and ends the thread, waiting 2 s at most; a router slower than that
  // is left to the thread, which owns everything it still touches. No report arrives after it
  // returns.
  void Stop();

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};
