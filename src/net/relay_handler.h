#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/byte_string.h"

// Channel numbers are 0..249; the numbers above are message types.
inline constexpr size_t kRelayChannelCount = 250;

// Where the receive side hands the relay's messages, each complete and checked against the
// wire's rules. The relay keeps the key tables and delivers the values to the game.
class RelayHandler {
 public:
  // The channel a registered key's values arrive on.
  struct Channel {
    uint8_t Number = 0;
    // The key had none before: the peer is told the number with a VarChannel message.
    bool New = false;
  };

  virtual ~RelayHandler() = default;

  // VarRegister: the peer will send values of `key` (5 bytes). Nothing when the key gets no
  // channel; its values are then dropped.
  virtual std::optional<Channel> VarRegister(const ByteString& key) = 0;
  // VarChannel: the peer receives this side's `key` on `channel` (below kRelayChannelCount).
  virtual void VarChannel(uint8_t channel, const ByteString& key) = 0;
  // A value that arrived on `channel` (below kRelayChannelCount).
  virtual void VarValue(uint8_t channel, const ByteString& value) = 0;
};
