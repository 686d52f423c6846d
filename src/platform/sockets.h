#pragma once

#include <array>
#include <cstdint>
#include <optional>

// Plain socket calls the program makes itself, next to the event loop's own sockets.

// The IPv4 address at the other end of a connected socket, read without touching the data
// waiting on it; nothing when it has none (or it is not an IPv4 connection).
std::optional<std::array<uint8_t, 4>> PeerIPv4Address(intptr_t socket);
