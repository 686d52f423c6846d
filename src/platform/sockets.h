#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// Plain socket calls the program makes itself, next to the event loop's own sockets.

// The IPv4 address at the other end of a connected socket, read without touching the data
// waiting on it; nothing when it has none (or it is not an IPv4 connection).
std::optional<std::array<uint8_t, 4>> PeerIPv4Address(intptr_t socket);

// One plain HTTP GET of `url` (http://host[:port][/path]) over IPv4, all of it within
// `timeout`, the host's name lookup included: at most `maxBody` bytes of the body (not the
// headers), fewer when the reply ends or the time runs out; empty when it fails. A reply
// without a status line is all body.
std::string HttpGetBody(const std::string& url, size_t maxBody, std::chrono::milliseconds timeout);
