#include "link/outgoing_queue.h"

#include <utility>

bool OutgoingQueue::Push(ByteString message) {
  if (message.empty()) return true;
  if (held_ > 0 && held_ + message.size() > maxHeld_) return false;
  held_ += message.size();
  entries_.push_back({std::move(message), nullptr});
  return true;
}

void OutgoingQueue::Push(std::unique_ptr<MessageSource> message) {
  if (message && message->Left() > 0) entries_.push_back({{}, std::move(message)});
}

ByteString OutgoingQueue::Take(size_t most, bool& failed) {
  failed = false;
  ByteString out;
  while (!entries_.empty() && out.size() < most) {
    Entry& next = entries_.front();
    if (!next.Source) {
      held_ -= next.Bytes.size();
      out += next.Bytes;
      entries_.pop_front();
      continue;
    }
    const ByteString piece = next.Source->Next(most - out.size());
    if (piece.empty()) {
      failed = true;
      Clear();
      return {};
    }
    out += piece;
    if (next.Source->Left() == 0) entries_.pop_front();
  }
  return out;
}

uint64_t OutgoingQueue::Waiting() const {
  uint64_t waiting = held_;
  for (const Entry& entry : entries_)
    if (entry.Source) waiting += entry.Source->Left();
  return waiting;
}

void OutgoingQueue::Clear() {
  entries_.clear();
  held_ = 0;
}
