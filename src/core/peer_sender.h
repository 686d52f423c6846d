#pragma once

#include <cstdint>
#include <memory>

#include "core/byte_string.h"

// A message too long to hold in memory, taken piece by piece as the connection drains.
class MessageSource {
 public:
  virtual ~MessageSource() = default;
  // Bytes not yet taken.
  virtual uint64_t Left() const = 0;
  // The next piece, at most `most` bytes; empty when it cannot be read (the message is then
  // cut short, and the connection cannot go on).
  virtual ByteString Next(size_t most) = 0;
};

// The one peer connection, as the logic sees it.
class PeerSender {
 public:
  virtual ~PeerSender() = default;
  virtual bool IsConnected() const = 0;
  // Queues whole messages for sending; nothing happens when the link is down.
  virtual void Send(const ByteString& bytes) = 0;
  // Queues one long message. It goes out whole: whatever is sent after it waits until its
  // last byte has gone. This default, for senders without a queue of their own, takes it all
  // at once.
  virtual void SendLong(std::unique_ptr<MessageSource> message) {
    for (ByteString piece; IsConnected() && message->Left() > 0; Send(piece)) {
      if ((piece = message->Next(1 << 20)).empty()) return;
    }
  }
};
