#pragma once

#include <cstdint>

#include "core/byte_string.h"

// The one peer connection, as the logic sees it.
class PeerSender {
 public:
  virtual ~PeerSender() = default;
  virtual bool IsConnected() const = 0;
  // Queues the bytes for sending; nothing happens when the link is down.
  virtual void Send(const ByteString& bytes) = 0;
  // Bytes queued and not yet handed to the network; a long send waits (yielding) while
  // this is high, so the queue does not grow with the size of what is sent.
  virtual int64_t BytesToWrite() const { return 0; }
};
