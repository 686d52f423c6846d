#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "core/byte_string.h"
#include "core/peer_sender.h"

// What waits to go out on the peer connection, in order and as whole messages: a long
// message read from a source holds back everything queued after it until its last byte has
// been taken, so nothing lands inside it.
class OutgoingQueue {
 public:
  // Whole messages held in memory are capped at `maxHeld` bytes (one message alone is always
  // taken); beyond it a message is dropped whole. Only relay values come in such numbers,
  // while a long message holds them back, and each is sent again with the next change.
  explicit OutgoingQueue(uint64_t maxHeld = 16 * 1024 * 1024) : maxHeld_(maxHeld) {}

  // False when the message was dropped.
  bool Push(ByteString message);
  void Push(std::unique_ptr<MessageSource> message);
  // The next bytes to write, at most about `most` (a whole message may be longer); empty
  // when nothing waits. `failed` is set when a long message cannot be read to its end: the
  // peer waits for the rest, so the connection must end, and the queue is emptied.
  ByteString Take(size_t most, bool& failed);
  // Bytes not yet taken, the unread part of long messages included.
  uint64_t Waiting() const;
  bool Empty() const { return entries_.empty(); }
  void Clear();

 private:
  struct Entry {
    ByteString Bytes;
    std::unique_ptr<MessageSource> Source;  // set for a long message
  };
  uint64_t maxHeld_;
  uint64_t held_ = 0;  // bytes of whole messages
  std::deque<Entry> entries_;
};
