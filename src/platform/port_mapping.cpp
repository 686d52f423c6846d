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
#else
#include "platform/natpmp_client.h"
#include "platform/network_facts.h"
#endif

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include "core/octet_text.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDescription = "Quib";
// UPnP error of routers that only keep mappings without a lease.
constexpr int kOnlyPermanentLeases = 725;

// Who the router forwards TCP `port` to, as "address:port"; nothing when it forwards it to
// no one or does not say.
std::optional<std::string> UpnpHolder(const char* controlUrl, const char* serviceType,
                                      const std::string& port) {
  char client[16] = "", clientPort[6] = "", description[80] = "", enabled[4] = "", lease[16] = "";
  if (UPNP_GetSpecificPortMappingEntry(controlUrl, serviceType, port.c_str(), "TCP", nullptr,
                                       client, clientPort, description, enabled,
                                       lease) != UPNPCOMMAND_SUCCESS)
    return std::nullopt;
  return std::string(client) + ":" + clientPort;
}

// Asks the UPnP gateway at `controlUrl` to forward TCP `report.Port` to `client`.
void MapWithUpnp(const std::string& controlUrl, const std::string& serviceType,
                 const std::string& client, int leaseSeconds, PortMapReport& report,
                 RouterMapping& held) {
  const char* url = controlUrl.c_str();
  const char* service = serviceType.c_str();
  const std::string port = std::to_string(report.Port);
  char external[40] = "";
  if (UPNP_GetExternalIPAddress(url, service, external) == UPNPCOMMAND_SUCCESS)
    report.ExternalAddress = external;
  report.Result = PortMapReport::Outcome::Refused;
  // Adding over another host's forwarding would either fail or take it over.
  const std::optional<std::string> holder = UpnpHolder(url, service, port);
  if (holder && *holder != client + ":" + port) {
    report.Reason = "already forwarded to " + *holder;
    return;
  }
  int64_t granted = leaseSeconds;
  int r = UPNP_AddPortMapping(url, service, port.c_str(), port.c_str(), client.c_str(),
                              kDescription, "TCP", nullptr, std::to_string(leaseSeconds).c_str());
  if (r == kOnlyPermanentLeases) {
    granted = 0;
    r = UPNP_AddPortMapping(url, service, port.c_str(), port.c_str(), client.c_str(), kDescription,
                            "TCP", nullptr, "0");
  }
  if (r != UPNPCOMMAND_SUCCESS) {
    const char* why = strupnperror(r);
    report.Reason = why ? why : "UPnP error " + std::to_string(r);
    return;
  }
  report.Result = PortMapReport::Outcome::Open;
  held = {RouterMapping::Protocol::Upnp, report.Port, granted, controlUrl, serviceType, client};
}

// What the gateway said to a mapping request: the forwarding granted, or why not.
struct NatPmpGrant {
  std::string Refusal;  // empty when granted
  uint16_t MappedPort = 0;
  uint32_t LeaseSeconds = 0;
};

#ifdef QUIB_NATPMP
std::string DottedAddress(const in_addr& address) {
  std::array<uint8_t, 4> bytes;
  std::memcpy(bytes.data(), &address, bytes.size());
  return AddressToText(bytes);
}

// Waits for the answer of `type` to the request in flight, resending as the protocol asks,
// until the deadline. A late answer to an earlier request (another type) or a packet from
// elsewhere is not the answer. The library's result: 0, or a negative error.
int NatPmpAnswer(natpmp_t& session, natpmpresp_t& answer, uint16_t type,
                 std::chrono::milliseconds deadline) {
  const Clock::time_point end = Clock::now() + deadline;
  int r = NATPMP_TRYAGAIN;
  while ((r == NATPMP_TRYAGAIN || r == NATPMP_ERR_WRONGPACKETSOURCE) && Clock::now() < end) {
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
    if (r >= 0 && answer.type != type) {
      session.has_pending_request = 1;  // the library took it as the answer; ours is to come
      r = NATPMP_TRYAGAIN;
    }
  }
  return r;
}

// NAT-PMP through libnatpmp, which finds the gateway itself.
class NatPmpSession {
 public:
  NatPmpSession() : open_(initnatpmp(&session_, 0, 0) >= 0) {}
  ~NatPmpSession() {
    if (open_) closenatpmp(&session_);
  }
  NatPmpSession(const NatPmpSession&) = delete;
  NatPmpSession& operator=(const NatPmpSession&) = delete;
  bool Open() const { return open_; }

  std::optional<std::string> PublicAddress(std::chrono::milliseconds deadline) {
    natpmpresp_t answer{};
    if (sendpublicaddressrequest(&session_) < 0 ||
        NatPmpAnswer(session_, answer, NATPMP_RESPTYPE_PUBLICADDRESS, deadline) < 0)
      return std::nullopt;
    return DottedAddress(answer.pnu.publicaddress.addr);
  }

  NatPmpGrant MapTcp(uint16_t port, uint16_t suggestedPort, uint32_t leaseSeconds,
                     std::chrono::milliseconds deadline) {
    natpmpresp_t answer{};
    int r = sendnewportmappingrequest(&session_, NATPMP_PROTOCOL_TCP, port, suggestedPort,
                                      leaseSeconds);
    if (r >= 0) r = NatPmpAnswer(session_, answer, NATPMP_RESPTYPE_TCPPORTMAPPING, deadline);
    if (r < 0) return {"NAT-PMP error " + std::to_string(r)};
    return {{}, answer.pnu.newportmapping.mappedpublicport, answer.pnu.newportmapping.lifetime};
  }

 private:
  natpmp_t session_;
  bool open_;
};
#else
// NAT-PMP through our own client, with the gateway of the default route.
class NatPmpSession {
 public:
  NatPmpSession() {
    if (const auto address = DefaultGateway()) gateway_ = NatPmpGateway{*address};
  }
  bool Open() const { return gateway_.has_value(); }

  std::optional<std::string> PublicAddress(std::chrono::milliseconds deadline) {
    const std::optional<NatPmpAnswer> answer = AskNatPmpPublicAddress(*gateway_, deadline);
    if (!answer || answer->ResultCode != 0) return std::nullopt;
    return AddressToText(answer->PublicAddress);
  }

  NatPmpGrant MapTcp(uint16_t port, uint16_t suggestedPort, uint32_t leaseSeconds,
                     std::chrono::milliseconds deadline) {
    const std::optional<NatPmpAnswer> answer =
        AskNatPmpTcpMapping(*gateway_, port, suggestedPort, leaseSeconds, deadline);
    if (!answer) return {"no NAT-PMP answer"};
    if (answer->ResultCode != 0) return {NatPmpResultText(answer->ResultCode)};
    return {{}, answer->MappedPort, answer->LeaseSeconds};
  }

 private:
  std::optional<NatPmpGateway> gateway_;
};
#endif

void MapWithNatPmp(int leaseSeconds, std::chrono::milliseconds deadline, PortMapReport& report,
                   RouterMapping& held) {
  NatPmpSession session;
  // A gateway that does not tell its address speaks no NAT-PMP.
  const std::optional<std::string> external =
      session.Open() ? session.PublicAddress(deadline) : std::nullopt;
  if (!external) return;
  report.ExternalAddress = *external;
  const NatPmpGrant grant =
      session.MapTcp(report.Port, report.Port, static_cast<uint32_t>(leaseSeconds), deadline);
  report.Result = PortMapReport::Outcome::Refused;
  if (!grant.Refusal.empty()) {
    report.Reason = grant.Refusal;
  } else if (grant.MappedPort != report.Port) {
    // The friend dials this port; a forwarding from another one is of no use.
    report.Reason = "port taken";
    session.MapTcp(report.Port, 0, 0, deadline);
  } else {
    report.Result = PortMapReport::Outcome::Open;
    held = {RouterMapping::Protocol::NatPmp, report.Port, grant.LeaseSeconds, {}, {}, {}};
  }
}

void UnmapWithNatPmp(uint16_t port, std::chrono::milliseconds deadline) {
  NatPmpSession session;
  if (session.Open()) session.MapTcp(port, 0, 0, deadline);
}

}  // namespace

PortMapReport MapRouterPort(uint16_t port, int leaseSeconds, std::chrono::milliseconds deadline,
                            RouterMapping& held) {
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
    // The address this machine reached the gateway from: another interface's (a VPN, a
    // container bridge) would be refused or lead nowhere.
    char lanAddress[64] = "";
    const int igd = UPNP_GetValidIGD(devices, &urls, &data, lanAddress, sizeof lanAddress);
    freeUPNPDevlist(devices);
    if (igd == 1 || igd == 2)
      MapWithUpnp(urls.controlURL, data.first.servicetype, lanAddress, leaseSeconds, report, held);
    if (igd != 0) FreeUPNPUrls(&urls);
    if (igd == 1 || igd == 2) return report;
  }
  // NAT-PMP forwards to the host the request comes from.
  MapWithNatPmp(leaseSeconds, deadline, report, held);
  return report;
}

void UnmapRouterPort(const RouterMapping& held, std::chrono::milliseconds deadline) {
  const std::string port = std::to_string(held.Port);
  if (held.Via == RouterMapping::Protocol::Upnp) {
    const std::optional<std::string> holder =
        UpnpHolder(held.ControlUrl.c_str(), held.ServiceType.c_str(), port);
    if (holder && *holder != held.Client + ":" + port) return;
    UPNP_DeletePortMapping(held.ControlUrl.c_str(), held.ServiceType.c_str(), port.c_str(), "TCP",
                           nullptr);
  } else if (held.Via == RouterMapping::Protocol::NatPmp) {
    UnmapWithNatPmp(held.Port, deadline);
  }
}

std::chrono::seconds RenewalDelay(int64_t grantedSeconds, int askedSeconds) {
  const int64_t lease =
      grantedSeconds > 0 ? std::min<int64_t>(grantedSeconds, askedSeconds) : askedSeconds;
  return std::chrono::seconds(std::max<int64_t>(1, lease / 2));
}

std::chrono::seconds RetryDelay(int failures) {
  constexpr int kFirst = 5, kLongest = 60;
  const int doublings = std::clamp(failures - 1, 0, 4);
  return std::chrono::seconds(std::min(kLongest, kFirst << doublings));
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
  bool Stopping = false;
  bool Finished = false;
};

namespace {

// Renews with the router that granted `held`, straight away (no discovery, so a renewal takes
// moments); looks for a router afresh when that one does not grant it.
PortMapReport RenewRouterPort(const RouterMapping& held, int leaseSeconds,
                              std::chrono::milliseconds deadline, RouterMapping& renewed) {
  PortMapReport report;
  report.Port = held.Port;
  renewed = {};
  if (held.Via == RouterMapping::Protocol::Upnp) {
    MapWithUpnp(held.ControlUrl, held.ServiceType, held.Client, leaseSeconds, report, renewed);
  } else if (held.Via == RouterMapping::Protocol::NatPmp) {
    MapWithNatPmp(leaseSeconds, deadline, report, renewed);
  }
  if (report.Result == PortMapReport::Outcome::Open) return report;
  return MapRouterPort(held.Port, leaseSeconds, deadline, renewed);
}

// Everything it touches lives in `s`, which it co-owns, so it may outlive the PortMapper.
void RunMapper(const std::shared_ptr<PortMapper::Shared>& s) {
  RouterMapping held;
  uint16_t port = 0;
  int failures = 0;  // renewals in a row that did not succeed
  // When to renew or try again; none while nothing is held or to be retried.
  bool scheduled = false;
  Clock::time_point nextTry{};
  std::unique_lock<std::mutex> lock(s->Mutex);
  for (;;) {
    const auto due = [&] { return s->Pending || s->Stopping; };
    if (scheduled) {
      s->Wake.wait_until(lock, nextTry, due);
    } else {
      s->Wake.wait(lock, due);
    }
    if (s->Stopping) break;
    if (s->Pending) {
      s->Pending = false;
      port = s->Port;
      failures = 0;
    }
    const std::chrono::milliseconds deadline = s->Deadline;
    const int lease = s->LeaseSeconds;
    lock.unlock();
    if (held.Via != RouterMapping::Protocol::None && held.Port != port) {
      UnmapRouterPort(held, deadline);
      held = {};
    }
    RouterMapping made;
    const PortMapReport report = held.Via != RouterMapping::Protocol::None
                                     ? RenewRouterPort(held, lease, deadline, made)
                                     : MapRouterPort(port, lease, deadline, made);
    if (made.Via != RouterMapping::Protocol::None) held = made;
    lock.lock();
    scheduled = false;
    if (report.Result == PortMapReport::Outcome::Open) {
      failures = 0;
      scheduled = true;
      nextTry = Clock::now() + RenewalDelay(held.LeaseSeconds, lease);
    } else if (held.Via != RouterMapping::Protocol::None) {
      // A forwarding held before (the router restarted, or did not answer this once) is
      // asked for again until the router grants it.
      scheduled = true;
      nextTry = Clock::now() + RetryDelay(++failures);
    }
    if (s->Report) s->Report(report);
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
  shared_->LeaseSeconds = std::clamp(leaseSeconds, 1, kLongestRouterLease);
  shared_->Deadline = deadline;
  // Detached: a router that does not answer must not keep the program from ending.
  std::thread([s = shared_] { RunMapper(s); }).detach();
}

PortMapper::~PortMapper() { Stop(); }

void PortMapper::Request(uint16_t port) {
  std::lock_guard<std::mutex> lock(shared_->Mutex);
  shared_->Pending = true;
  shared_->Port = port;
  shared_->Wake.notify_all();
}

void PortMapper::Stop() {
  std::unique_lock<std::mutex> lock(shared_->Mutex);
  if (shared_->Stopping) return;
  shared_->Stopping = true;
  // Cleared under the lock the thread reports under: nothing is reported from here on.
  shared_->Report = nullptr;
  shared_->Wake.notify_all();
  // The removal follows any request under way; whatever of it takes longer goes on without us
  // (miniupnpc's own HTTP waits are not bounded by the deadline).
  shared_->Done.wait_for(lock, std::chrono::seconds(2), [this] { return shared_->Finished; });
}
