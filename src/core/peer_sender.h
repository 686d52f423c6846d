#pragma once

#include "core/byte_string.h"

// The one peer connection, as the logic sees it.
class PeerSender {
 public:
  virtual ~PeerSender() = default;
  virtual bool IsConnected() const = 0;
  // Queues the bytes for sending; nothing happens when the link is down.
  virtual void Send(const ByteString& bytes) = 0;
};
