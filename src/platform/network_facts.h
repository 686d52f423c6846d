#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the operating system tells about the machine's network.

// Whether a default route over an interface other than loopback exists (Linux:
// /proc/net/route). A machine without one has no way to the internet.
bool HasDefaultRoute();

struct DefaultRoute {
  std::string Interface;
  std::array<uint8_t, 4> Gateway{};  // network byte order; 0.0.0.0 for a link without one
  uint32_t Metric = 0;
  bool operator==(const DefaultRoute&) const = default;
};
// The up default routes off loopback in a route table of /proc/net/route's form.
std::vector<DefaultRoute> DefaultRoutes(const std::string& routeTable);

// The gateway of the IPv4 default route with the lowest metric (the home router), in network
// byte order; nothing when no default route goes through a gateway.
std::optional<std::array<uint8_t, 4>> DefaultGateway();

// The machine's IPv4 interface addresses in the platform's order, every one of them, each
// in network byte order (byte 0 is the first number of the dotted form).
std::vector<std::array<uint8_t, 4>> LocalIPv4Addresses();

// The address shown as the machine's own when a listener is bound to all interfaces: the
// first non-loopback IPv4 interface address that is up, else "127.0.0.1".
std::string PrimaryIPv4Address();

// The first IPv4 address the name service gives for a host name, in network byte order;
// nothing when the lookup fails. Blocks for as long as the name service takes.
std::optional<std::array<uint8_t, 4>> LookUpIPv4(const std::string& host);
