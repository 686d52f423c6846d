#include "platform/port_mapping.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win/winsock.h"
#else
#include <arpa/inet.h>
#include <sys/select.h>
#endif
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>
#ifdef QUIB_NATPMP
#include <natpmp.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDescription = "Quib";
// UPnP error of routers that only keep mappings without a lease.
constexpr int kOnlyPermanentLeases = 725;

void MapWithUpnp(const UPNPUrls& urls, const IGDdatas& data, const std::string& client,
                 int leaseSeconds, PortMapReport& report, RouterMapping& held) {
  const std::string port = std::to_string(report.Port);
  char external[40] = "";
  if (UPNP_GetExternalIPAddress(urls.controlURL, data.first.servicetype, external) ==
      UPNPCOMMAND_SUCCESS)
    report.ExternalAddress = external;
  int r = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, port.c_str(), port.c_str(),
                              client.c_str(), kDescription, "TCP", nullptr,
                              std::to_string(leaseSeconds).c_str());
  if (r == kOnlyPermanentLeases)
    r = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, port.c_str(), port.c_str(),
                            client.c_str(), kDescription, "TCP", nullptr, "0");
  if (r != UPNPCOMMAND_SUCCESS) {
    report.Result = PortMapReport::Outcome::Refused;
    const char* why = strupnperror(r);
    report.Reason = why ? why : "UPnP error " + std::to_string(r);
    return;
  }
  report.Result = PortMapReport::Outcome::Open;
  held = {RouterMapping::Protocol::Upnp, report.Port, urls.controlURL, data.first.servicetype};
}

#ifdef QUIB_NATPMP
// Waits for the answer to the request in flight, resending as the protocol asks, until the
// deadline. The library's result: 0, or a negative error.
int NatPmpAnswer(natpmp_t& session, natpmpresp_t& answer, std::chrono::milliseconds deadline) {
  const Clock::time_point end = Clock::now() + deadline;
  int r = NATPMP_TRYAGAIN;
  while (r == NATPMP_TRYAGAIN && Clock::now() < end) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(session.s, &readable);
    timeval timeout{};
    getnatpmprequesttimeout(&session, &timeout);
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(end - Clock::now()).count();
    const long long wanted = timeout.tv_sec * 1000000LL + timeout.tv_usec;
    const long long wait = std::clamp<long long>(std::min<long long>(wanted, left), 0, 1000000);
    timeout.tv_sec = static_cast<decltype(timeout.tv_sec)>(wait / 1000000);
    timeout.tv_usec = static_cast<decltype(timeout.tv_usec)>(wait % 1000000);
    select(static_cast<int>(session.s) + 1, &readable, nullptr, nullptr, &timeout);
    r = readnatpmpresponseorretry(&session, &answer);
  }
  return r;
}

void MapWithNatPmp(int leaseSeconds, std::chrono::milliseconds deadline, PortMapReport& report,
                   RouterMapping& held) {
  natpmp_t session;
  if (initnatpmp(&session, 0, 0) < 0) return;
  natpmpresp_t answer{};
  // A gateway that does not tell its address speaks no NAT-PMP.
  if (sendpublicaddressrequest(&session) < 0 || NatPmpAnswer(session, answer, deadline) < 0) {
    closenatpmp(&session);
    return;
  }
  char external[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &answer.pnu.publicaddress.addr, external, sizeof external);
  report.ExternalAddress = external;
  int r = sendnewportmappingrequest(&session, NATPMP_PROTOCOL_TCP, report.Port, report.Port,
                                    static_cast<uint32_t>(leaseSeconds));
  if (r >= 0) r = NatPmpAnswer(session, answer, deadline);
  report.Result = PortMapReport::Outcome::Refused;
  if (r < 0) {
    report.Reason = "NAT-PMP error " + std::to_string(r);
  } else if (answer.pnu.newportmapping.mappedpublicport != report.Port) {
    // The friend dials this port; a forwarding from another one is of no use.
    report.Reason = "port taken";
    sendnewportmappingrequest(&session, NATPMP_PROTOCOL_TCP, report.Port, 0, 0);
    NatPmpAnswer(session, answer, deadline);
  } else {
    report.Result = PortMapReport::Outcome::Open;
    held = {RouterMapping::Protocol::NatPmp, report.Port, {}, {}};
  }
  closenatpmp(&session);
}

void UnmapWithNatPmp(uint16_t port, std::chrono::milliseconds deadline) {
  natpmp_t session;
  if (initnatpmp(&session, 0, 0) < 0) return;
  natpmpresp_t answer{};
  if (sendnewportmappingrequest(&session, NATPMP_PROTOCOL_TCP, port, 0, 0) >= 0)
    NatPmpAnswer(session, answer, deadline);
  closenatpmp(&session);
}
#else
// Built without libnatpmp: no NAT-PMP gateway is ever found.
void MapWithNatPmp(int, std::chrono::milliseconds, PortMapReport&, RouterMapping&) {}
void UnmapWithNatPmp(uint16_t, std::chrono::milliseconds) {}
#endif

}  // namespace

PortMapReport MapRouterPort(uint16_t port, const std::string& internalAddress, int leaseSeconds,
                            std::chrono::milliseconds deadline, RouterMapping& held) {
  PortMapReport report;
  report.Port = port;
  held = {};
#ifdef _WIN32
  if (!StartWinsock()) return report;
#endif
  int error = 0;
  UPNPDev* devices =
      upnpDiscover(static_cast<int>(deadline.count()), nullptr, nullptr, 0, 0, 2, &error);
  if (devices) {
    UPNPUrls urls{};
    IGDdatas data{};
    char lanAddress[64] = "";
    const int igd = UPNP_GetValidIGD(devices, &urls, &data, lanAddress, sizeof lanAddress);
    freeUPNPDevlist(devices);
    if (igd == 1 || igd == 2) {
      MapWithUpnp(urls, data, internalAddress.empty() ? lanAddress : internalAddress, leaseSeconds,
                  report, held);
    }
    if (igd != 0) FreeUPNPUrls(&urls);
    if (igd == 1 || igd == 2) return report;
  }
  MapWithNatPmp(leaseSeconds, deadline, report, held);
  return report;
}

void UnmapRouterPort(const RouterMapping& held, std::chrono::milliseconds deadline) {
  const std::string port = std::to_string(held.Port);
  if (held.Via == RouterMapping::Protocol::Upnp) {
    UPNP_DeletePortMapping(held.ControlUrl.c_str(), held.ServiceType.c_str(), port.c_str(), "TCP",
                           nullptr);
  } else if (held.Via == RouterMapping::Protocol::NatPmp) {
    UnmapWithNatPmp(held.Port, deadline);
  }
}

struct PortMapper::Shared {
  std::mutex Mutex;
  std::condition_variable Wake;
  std::condition_variable Done;
  ReportFn Report;
  int LeaseSeconds;
  std::chrono::milliseconds Deadline;
  bool Pending = false;
  uint16_t Port = 0;
  std::string Address;
  bool Stopping = false;
  bool Finished = false;
};

namespace {

void RunMapper(const std::shared_ptr<PortMapper::Shared>& s) {
  RouterMapping held;
  uint16_t port = 0;
  std::string address;
  std::optional<Clock::time_point> renewAt;
  std::unique_lock<std::mutex> lock(s->Mutex);
  for (;;) {
    const auto due = [&] { return s->Pending || s->Stopping; };
    if (renewAt) {
      s->Wake.wait_until(lock, *renewAt, due);
    } else {
      s->Wake.wait(lock, due);
    }
    if (s->Stopping) break;
    if (s->Pending) {
      s->Pending = false;
      port = s->Port;
      address = s->Address;
    }
    const std::chrono::milliseconds deadline = s->Deadline;
    const int lease = s->LeaseSeconds;
    lock.unlock();
    if (held.Via != RouterMapping::Protocol::None && held.Port != port) {
      UnmapRouterPort(held, deadline);
      held = {};
    }
    RouterMapping made;
    const PortMapReport report = MapRouterPort(port, address, lease, deadline, made);
    if (made.Via != RouterMapping::Protocol::None) held = made;
    lock.lock();
    // Renewed at half the lease, so a late renewal still finds it in place.
    renewAt.reset();
    if (report.Result == PortMapReport::Outcome::Open)
      renewAt = Clock::now() + std::chrono::seconds(std::max(1, lease / 2));
    if (!s->Stopping && s->Report) s->Report(report);
  }
  const std::chrono::milliseconds deadline = s->Deadline;
  lock.unlock();
  UnmapRouterPort(held, deadline);
  lock.lock();
  s->Finished = true;
  s->Done.notify_all();
}

}  // namespace

PortMapper::PortMapper(ReportFn report, int leaseSeconds, std::chrono::milliseconds deadline)
    : shared_(std::make_shared<Shared>()) {
  shared_->Report = std::move(report);
  shared_->LeaseSeconds = leaseSeconds;
  shared_->Deadline = deadline;
  // Detached: a router that does not answer must not keep the program from ending.
  std::thread([s = shared_] { RunMapper(s); }).detach();
}

PortMapper::~PortMapper() { Stop(); }

void PortMapper::Request(uint16_t port, const std::string& internalAddress) {
  std::lock_guard<std::mutex> lock(shared_->Mutex);
  shared_->Pending = true;
  shared_->Port = port;
  shared_->Address = internalAddress;
  shared_->Wake.notify_all();
}

void PortMapper::Stop() {
  std::unique_lock<std::mutex> lock(shared_->Mutex);
  if (shared_->Stopping) return;
  shared_->Stopping = true;
  shared_->Report = nullptr;
  shared_->Wake.notify_all();
  // A mapping under way finishes first; then the removal gets its own deadline.
  shared_->Done.wait_for(lock, shared_->Deadline * 3 + std::chrono::seconds(1),
                         [this] { return shared_->Finished; });
}
