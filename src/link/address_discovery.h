#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_string.h"

struct Environment;

// Finding the addresses a player can give the peer: the public one (asked of a web page)
// and those of the machine's own interfaces, and the choice of the listener's address.

// How many bytes of the address page are read at most.
inline constexpr size_t kAddressPageBytes = 250;
// How long one request of the address page may take before it is given up.
inline constexpr std::chrono::milliseconds kAddressPageTimeout{4000};

bool IsInternetConnected(const Environment& env);

// The public address as the page reports it (may still carry what follows it on its
// line); empty when not connected - then no request is made - or when the page is empty.
// Blocks for the request (kAddressPageTimeout at most); the window asks on another thread.
std::string GetExternalAddress(const Environment& env);

// The machine's IPv4 addresses in the platform's order, joined by CR LF.
std::string GetLocalAddresses(const Environment& env);

// The address shown as this machine's on the LAN and the one the router forwards to: the
// first valid table address other than "0.0.0.0" (a loopback one gives way to the first
// later address that is neither), unless a later public one equals the external address
// (the address page's last answer; cut before "<", blanks and line ends trimmed). Empty
// when the table has none.
std::string ChooseLocalAddress(const Environment& env, const std::string& external);

// The address shown as the machine's own when the listener is bound to all interfaces.
std::string PrimaryAddress(const Environment& env);

// Four decimal parts of digits only, each below 256.
bool IsValidAddress(std::string_view text);
// False only for "192.168.", "172.16.", "10." prefixes and exactly "127.0.0.1".
bool IsPublicAddress(std::string_view text);
// Four bytes in written order; parts that are missing or not a number from 0 to 255 give 0.
ByteString AddressToBytes(std::string_view text);
// The address of a valid dotted text in network order; nothing for any other text.
std::optional<std::array<uint8_t, 4>> ParseAddress(std::string_view text);

// The address in a reply of the address page: the reply in a 250-byte blank-filled buffer,
// the text right behind "Address:" (any case; without the marker from the 8th character),
// cut before the first line feed, blanks trimmed; empty when the buffer holds only blanks.
std::string AddressFromReply(std::string_view reply);

// The choice of ChooseLocalAddress over a given list (CR LF separated) and external address.
std::string ChooseFromList(const std::string& localList, const std::string& external);
