#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Asking the home router to forward a TCP port to this machine: UPnP-IGD first, NAT-PMP when
// no UPnP gateway answers.

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
  std::string ControlUrl;   // UPnP
  std::string ServiceType;  // UPnP
};

// Blocking: finds a gateway (each step bounded by `deadline`) and asks it to forward TCP
// `port` to `internalAddress` (empty: the address this machine reaches the gateway from) for
// `leaseSeconds`. `held` receives what to renew or remove.
PortMapReport MapRouterPort(uint16_t port, const std::string& internalAddress, int leaseSeconds,
                            std::chrono::milliseconds deadline, RouterMapping& held);
// Blocking: removes a forwarding made by MapRouterPort; nothing for Protocol::None.
void UnmapRouterPort(const RouterMapping& held, std::chrono::milliseconds deadline);

// Keeps one port forwarded from a thread of its own, so no caller waits for the router:
// Request() maps (replacing an earlier mapping), the lease is renewed at half its time, and
// Stop() or the destructor removes the mapping. Reports arrive on that thread.
class PortMapper {
 public:
  using ReportFn = std::function<void(const PortMapReport&)>;
  PortMapper(ReportFn report, int leaseSeconds = 3600,
             std::chrono::milliseconds deadline = std::chrono::milliseconds(2500));
  ~PortMapper();
  PortMapper(const PortMapper&) = delete;
  PortMapper& operator=(const PortMapper&) = delete;

  void Request(uint16_t port, const std::string& internalAddress);
  // Removes the mapping and ends the thread, waiting a few seconds at most. No report
  // arrives after it returns.
  void Stop();

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};
