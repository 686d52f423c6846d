#include "platform/sockets.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/network_facts.h"
#include "platform/socket_calls.h"

namespace {

using namespace socket_calls;

// Headers longer than this are not an address page.
constexpr size_t kMaxHeaderBytes = 64 * 1024;

struct Url {
  std::string Host, Authority, Path;
  uint16_t Port = 80;
};

std::optional<Url> ParseUrl(std::string_view url) {
  constexpr std::string_view kScheme = "http://";
  if (url.size() < kScheme.size()) return std::nullopt;
  for (size_t i = 0; i < kScheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(url[i])) != kScheme[i]) return std::nullopt;
  }
  url.remove_prefix(kScheme.size());
  // Nothing that could break the request's lines.
  if (std::any_of(url.begin(), url.end(),
                  [](char c) { return static_cast<unsigned char>(c) <= ' '; }))
    return std::nullopt;
  Url parsed;
  const size_t end = std::min(url.find_first_of("/?#"), url.size());
  parsed.Authority = std::string(url.substr(0, end));
  parsed.Path = std::string(url.substr(end, url.find('#') - end));
  if (parsed.Path.empty() || parsed.Path[0] != '/') parsed.Path.insert(0, "/");
  parsed.Host = parsed.Authority;
  if (const size_t colon = parsed.Host.find(':'); colon != std::string::npos) {
    unsigned port = 0;
    for (char c : parsed.Host.substr(colon + 1)) {
      if (c < '0' || c > '9' || (port = port * 10 + unsigned(c - '0')) > 65535) return std::nullopt;
    }
    if (port == 0) return std::nullopt;
    parsed.Port = static_cast<uint16_t>(port);
    parsed.Host.resize(colon);
  }
  if (parsed.Host.empty() || parsed.Host.find('@') != std::string::npos) return std::nullopt;
  return parsed;
}

// The IPv4 address of a host. A name lookup cannot be given a timeout, so it runs on a
// thread of its own that is left to finish by itself: a machine with a route but no working
// name service must not hold the caller past the deadline.
std::optional<in_addr> ResolveIPv4(const std::string& host, Clock::time_point deadline) {
  if (const std::optional<in_addr> literal = ParseIPv4(host)) return literal;
  struct Lookup {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    std::optional<std::array<uint8_t, 4>> Address;
  };
  auto lookup = std::make_shared<Lookup>();
  std::thread([lookup, host] {
    const std::optional<std::array<uint8_t, 4>> address = LookUpIPv4(host);
    std::lock_guard<std::mutex> lock(lookup->Mutex);
    lookup->Address = address;
    lookup->Finished = true;
    lookup->Done.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(lookup->Mutex);
  lookup->Done.wait_until(lock, deadline, [&] { return lookup->Finished; });
  if (!lookup->Address) return std::nullopt;
  in_addr address{};
  std::memcpy(&address.s_addr, lookup->Address->data(), 4);
  return address;
}

// Where the body of a reply begins: behind the headers, or at once for a reply without a
// status line; nothing while the headers are incomplete.
std::optional<size_t> BodyStart(std::string_view reply) {
  if (reply.empty()) return std::nullopt;
  if (!std::string_view("HTTP/").starts_with(reply.substr(0, 5))) return 0;
  const size_t crlf = reply.find("\r\n\r\n"), lf = reply.find("\n\n");
  if (crlf != std::string_view::npos && (lf == std::string_view::npos || crlf < lf))
    return crlf + 4;
  if (lf != std::string_view::npos) return lf + 2;
  return std::nullopt;
}

bool Connect(const Socket& socket, in_addr address, uint16_t port, Clock::time_point deadline) {
  const sockaddr_in to = IPv4Endpoint(address, port);
  if (connect(socket.Fd(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return true;
  if (LastError() != kInProgress || !Await(socket.Fd(), POLLOUT, deadline)) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(socket.Fd(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) ==
             0 &&
         error == 0;
}

bool SendAll(const Socket& socket, std::string_view bytes, Clock::time_point deadline) {
  while (!bytes.empty()) {
    const auto n = send(socket.Fd(), bytes.data(), static_cast<int>(bytes.size()), kSendFlags);
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && LastError() != kInterrupted &&
               (LastError() != kWouldBlock || !Await(socket.Fd(), POLLOUT, deadline))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::array<uint8_t, 4>> PeerIPv4Address(intptr_t socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getpeername(static_cast<Descriptor>(socket), reinterpret_cast<sockaddr*>(&address),
                  &length) != 0)
    return std::nullopt;
  std::array<uint8_t, 4> bytes{};
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    std::memcpy(bytes.data(), &v4->sin_addr.s_addr, 4);
    return bytes;
  }
  if (address.ss_family == AF_INET6) {
    // An IPv4 peer of a dual-stack socket comes as ::ffff:a.b.c.d.
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    if (!IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) return std::nullopt;
    std::memcpy(bytes.data(), v6->sin6_addr.s6_addr + 12, 4);
    return bytes;
  }
  return std::nullopt;
}

std::string HttpGetBody(const std::string& url, size_t maxBody, std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  const std::optional<Url> page = ParseUrl(url);
  if (!page) return {};
  const std::optional<in_addr> host = ResolveIPv4(page->Host, deadline);
  const Socket socket(SOCK_STREAM);
  if (!host || socket.Fd() == kNoSocket || !Connect(socket, *host, page->Port, deadline)) return {};
  // HTTP/1.0 keeps the body plain (no chunks); the no-cache headers ask for a fresh copy.
  const std::string request = "GET " + page->Path + " HTTP/1.0\r\nHost: " + page->Authority +
                              "\r\nCache-Control: no-cache\r\nPragma: no-cache\r\n"
                              "Connection: close\r\n\r\n";
  if (!SendAll(socket, request, deadline)) return {};

  std::string reply;
  char buffer[4096];
  for (;;) {
    const std::optional<size_t> start = BodyStart(reply);
    if (start && reply.size() >= *start + maxBody) break;
    if (!start && reply.size() > kMaxHeaderBytes) return {};
    // The reply ended, or the page keeps the line open past the deadline: take what came.
    if (!Await(socket.Fd(), POLLIN, deadline)) break;
    // Never more than what is still wanted, so a flood stays outside.
    const size_t want =
        start ? *start + maxBody - reply.size() : kMaxHeaderBytes + 1 - reply.size();
    const auto n = recv(socket.Fd(), buffer, static_cast<int>(std::min(sizeof buffer, want)), 0);
    if (n < 0 && (LastError() == kInterrupted || LastError() == kWouldBlock)) continue;
    if (n <= 0) break;
    reply.append(buffer, static_cast<size_t>(n));
  }
  const std::optional<size_t> start = BodyStart(reply);
  if (!start || *start >= reply.size()) return {};
  return reply.substr(*start, maxBody);
}
