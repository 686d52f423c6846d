#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// Asking a NAT-PMP gateway (RFC 6886) over UDP, for the builds without libnatpmp. A request
// goes out again 250 ms after the first time, then after twice as long each time, until the
// gateway answers or the deadline passes. A datagram from anywhere but the gateway's address
// and port, or one that is not a whole answer to the request, is skipped.

constexpr uint16_t kNatPmpPort = 5351;

struct NatPmpGateway {
  std::array<uint8_t, 4> Address{};  // network byte order
  uint16_t Port = kNatPmpPort;
};

struct NatPmpAnswer {
  // 0 when the gateway did what was asked; else its reason not to (the fields below unset).
  uint16_t ResultCode = 0;
  std::array<uint8_t, 4> PublicAddress{};  // public address answers
  uint16_t MappedPort = 0;                 // mapping answers: the outside port it forwards
  uint32_t LeaseSeconds = 0;               // mapping answers: how long it keeps the forwarding
};

// The gateway's public address; nothing when it did not answer before the deadline.
std::optional<NatPmpAnswer> AskNatPmpPublicAddress(const NatPmpGateway& gateway,
                                                   std::chrono::milliseconds deadline);

// Asks the gateway to forward its TCP port `suggestedPort` (or one of its choice) to this
// machine's `internalPort` for `leaseSeconds`; a lease of 0 with port 0 removes the forwarding
// of `internalPort`. Nothing when it did not answer before the deadline.
std::optional<NatPmpAnswer> AskNatPmpTcpMapping(const NatPmpGateway& gateway, uint16_t internalPort,
                                                uint16_t suggestedPort, uint32_t leaseSeconds,
                                                std::chrono::milliseconds deadline);

// A result code other than 0, in words.
std::string NatPmpResultText(uint16_t resultCode);
