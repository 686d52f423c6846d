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
// The interfaces that carry an up default route in a route table of /proc/net/route's form.
std::vector<std::string> DefaultRouteInterfaces(const std::string& routeTable);

// The machine's IPv4 interface addresses in the platform's order, every one of them, each
// in network byte order (byte 0 is the first number of the dotted form).
std::vector<std::array<uint8_t, 4>> LocalIPv4Addresses();

// The address shown as the machine's own when a listener is bound to all interfaces: the
// first non-loopback IPv4 interface address that is up, else "127.0.0.1".
std::string PrimaryIPv4Address();

// The first IPv4 address the name service gives for a host name, in network byte order;
// nothing when the lookup fails. Blocks for as long as the name service takes.
std::optional<std::array<uint8_t, 4>> LookUpIPv4(const std::string& host);
