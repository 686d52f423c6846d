#include "net/receiver.h"

#include <algorithm>
#include <cstdint>

#include "bridge/bridge.h"
#include "bridge/relay_tables.h"
#include "core/app_paths.h"
#include "core/peer_sender.h"
#include "core/ui.h"
#include "net/bytes.h"

namespace {

constexpr uint8_t kTransferStart = 255;
constexpr uint8_t kCharacterData = 254;
constexpr uint8_t kFileRequests = 253;
constexpr uint8_t kMediaList = 252;
constexpr uint8_t kVarRegister = 251;
constexpr uint8_t kVarChannel = 250;
// Channels are 0..249; higher numbers are message types.
constexpr size_t kMaxChannels = 250;
constexpr size_t kKeyLength = 5;

size_t HeaderSize(uint8_t type) {
  switch (type) {
    case kTransferStart:
      return 0;
    case kCharacterData:
    case kFileRequests:
    case kMediaList:
      return 4;
    case kVarRegister:
      return 7;
    case kVarChannel:
      return 6;
    default:
      return 2;
  }
}

}  // namespace

Receiver::Receiver(AppPaths& paths, MediaList& media, RelayTables& relay, NameGenerator& names,
                   Ui& ui, PeerSender& peer)
    : paths_(paths),
      relay_(relay),
      ui_(ui),
      peer_(peer),
      transfer_(paths, media, names, ui, peer, state_, [this] { return YieldOk(); }),
      varWriter_(WriteVarFile) {}

Receiver::~Receiver() = default;

void Receiver::ProcessArrival(const ByteString& data) {
  if (busy_) {
    pending_.push_back(data);
    return;
  }
  busy_ = true;
  Run(data);
  while (true) {
    if (resetPending_) {
      resetPending_ = false;
      ResetNow();
    } else if (!pending_.empty()) {
      const ByteString next = std::move(pending_.front());
      pending_.pop_front();
      Run(next);
    } else {
      break;
    }
  }
  busy_ = false;
}

void Receiver::Reset() {
  if (busy_) {
    // Bytes queued so far belong to the connection that ended.
    pending_.clear();
    resetPending_ = true;
    return;
  }
  ResetNow();
}

void Receiver::ResetNow() {
  // A transfer cut off before the receiver wrote anything leaves nothing behind.
  if (state_.Transplanting) ui_.ShowOutcome(TransplantOutcome());
  transfer_.Reset();
  state_ = ReceiveState();
  pos_ = 0;
  dropBody_ = false;
}

bool Receiver::YieldOk() {
  ui_.Yield();
  return !resetPending_;
}

bool Receiver::Streamed() const { return state_.MessageType == kCharacterData || dropBody_; }

void Receiver::Run(const ByteString& arrival) {
  ReceiveState& s = state_;
  // The common case of a long body: the whole arrival lies inside it. Steps as below, minus
  // the copy into MessagePayload.
  if (s.PayloadPending && Streamed() && s.MessagePayload.empty() &&
      s.ReceivedLength + static_cast<int64_t>(arrival.size()) < s.ExpectedLength) {
    s.ReceivedLength += static_cast<int32_t>(arrival.size());
    if (!dropBody_) {
      ui_.SetFileProgress(static_cast<double>(s.ReceivedLength) / s.ExpectedLength *
                          ui_.Shape2Width());
      transfer_.StoreCharacterData(arrival,
                                   s.ReceivedLength - static_cast<int64_t>(arrival.size()));
    }
    return;
  }
  bool first = true;
  while (true) {
    bool last = false;
    if (s.PayloadPending) {
      if (first) s.MessagePayload += arrival;
    } else {
      if (first) s.ReceiveBuffer += arrival;
      s.MessagePayload.clear();
      s.ExpectedLength = 0;
      s.ReceivedLength = 0;
      if (!TakeHeader(last)) break;
      if (resetPending_) return;
    }
    first = false;

    // Account. Lengths are added in 64 bits: an arrival may reach past a 2 GB claim.
    int64_t received = static_cast<int64_t>(s.MessagePayload.size());
    if (Streamed()) received += s.ReceivedLength;
    s.ReceivedLength = static_cast<int32_t>(std::min<int64_t>(received, INT32_MAX));

    if (s.ExpectedLength >= 1 && received >= s.ExpectedLength) {
      const auto beyond = static_cast<size_t>(received - s.ExpectedLength);
      if (beyond > 0) {
        s.ReceiveBuffer = s.MessagePayload.substr(s.MessagePayload.size() - beyond) +
                          s.ReceiveBuffer.substr(pos_);
        pos_ = 0;
        s.MessagePayload.erase(s.MessagePayload.size() - beyond);
      }
      Dispatch();
      if (resetPending_) return;
      s.PayloadPending = false;
      s.MessageTypeTaken = false;
      s.MessagePayload.clear();
      s.ExpectedLength = 0;
      s.ReceivedLength = 0;
    }

    if (s.ExpectedLength < 1) {
      if (s.MessageType == kCharacterData) transfer_.DropCharacterData();
      ui_.SetFileProgress(ui_.Shape2Width());
      s.PayloadPending = false;
      s.MessageTypeTaken = false;
      dropBody_ = false;
    } else if (Streamed()) {
      if (!dropBody_) {
        ui_.SetFileProgress(static_cast<double>(s.ReceivedLength) / s.ExpectedLength *
                            ui_.Shape2Width());
        transfer_.StoreCharacterData(s.MessagePayload,
                                     received - static_cast<int64_t>(s.MessagePayload.size()));
      }
      s.MessagePayload.clear();
    }

    if (Available() == 0 || s.ReceivedLength < s.ExpectedLength || last) break;
  }
  s.ReceiveBuffer.erase(0, pos_);
  pos_ = 0;
}

// Takes the type byte if needed and the header with its actions; false when the header has
// not fully arrived (or nothing is left to read).
bool Receiver::TakeHeader(bool& last) {
  ReceiveState& s = state_;
  if (!s.MessageTypeTaken) {
    if (Available() == 0) return false;
    s.MessageType = static_cast<uint8_t>(s.ReceiveBuffer[pos_++]);
    s.MessageTypeTaken = true;
    dropBody_ = false;
  }
  const size_t need = HeaderSize(s.MessageType);
  if (Available() < need) return false;
  const ByteString header = s.ReceiveBuffer.substr(pos_, need);
  pos_ += need;

  bool yieldAfter = false;
  switch (s.MessageType) {
    case kTransferStart:
      s.ServingRequests = false;
      transfer_.TransferStartAction();
      YieldOk();
      return true;
    case kVarChannel:
      SetOutChannel(static_cast<uint8_t>(header[0]), header.substr(1, kKeyLength));
      // The rest waits for the next arrival unless a whole header could follow.
      if (Available() < 7) last = true;
      YieldOk();
      return true;
    case kVarRegister:
      s.ExpectedLength = BytesToShort(header.substr(kKeyLength, 2));
      RegisterKey(header.substr(0, kKeyLength));
      yieldAfter = true;
      break;
    case kMediaList:
    case kFileRequests:
    case kCharacterData:
      s.ExpectedLength = BytesToLong(header);
      if (s.MessageType == kFileRequests) transfer_.FileRequestsHeaderAction();
      if (s.MessageType == kCharacterData) transfer_.CharacterDataHeaderAction();
      // Lists are held whole, so one over its cap is counted past instead of kept.
      dropBody_ = s.MessageType != kCharacterData && s.ExpectedLength > kMaxListBytes;
      yieldAfter = true;
      break;
    default:
      s.ExpectedLength = BytesToShort(header);
      break;
  }

  // Take the body, or as much of it as has arrived.
  const auto want = static_cast<size_t>(std::max(s.ExpectedLength, 0));
  const size_t take = std::min(Available(), want);
  s.MessagePayload.assign(s.ReceiveBuffer, pos_, take);
  pos_ += take;
  if (take < want) last = true;
  s.PayloadPending = true;
  if (yieldAfter) YieldOk();
  return true;
}

void Receiver::Dispatch() {
  ReceiveState& s = state_;
  const ByteString body = dropBody_ ? ByteString() : std::move(s.MessagePayload);
  s.MessagePayload.clear();
  switch (s.MessageType) {
    case kMediaList:
      transfer_.MediaListHandler(body);
      return;
    case kFileRequests:
      transfer_.FileRequestsHandler(body);
      return;
    case kCharacterData:
      transfer_.CharacterDataHandler(body);
      return;
    default:
      break;
  }
  // A channel. One the table does not hold (or a key that got none) is dropped.
  const size_t c = s.MessageType;
  if (c >= relay_.VarNameCount || c >= relay_.VarNames.size()) return;
  if (relay_.VarCounts.size() <= c) relay_.VarCounts.resize(c + 1, 0);
  ++relay_.VarCounts[c];
  varWriter_(paths_.GameDir, body, relay_.VarNames[c], relay_.VarCounts[c]);
}

void Receiver::RegisterKey(const ByteString& key) {
  RelayTables& r = relay_;
  ReceiveState& s = state_;
  size_t held = 0;
  if (r.VarNameCount > 0) {
    held = std::min<size_t>(r.VarNameCount, r.VarNames.size());
    const auto it = std::find(r.VarNames.begin(), r.VarNames.begin() + held, key);
    if (it != r.VarNames.begin() + held) {
      s.MessageType = static_cast<uint8_t>(it - r.VarNames.begin());
      return;
    }
  }
  // A key past the last channel gets none: its values are dropped and it is not answered.
  if (held >= kMaxChannels) return;
  r.VarNames.resize(held);
  r.VarCounts.resize(held);
  r.VarNames.push_back(key);
  r.VarCounts.push_back(0);
  r.VarNameCount = static_cast<uint8_t>(held + 1);
  s.MessageType = static_cast<uint8_t>(held);
  peer_.Send(static_cast<char>(kVarChannel) + ByteString(1, static_cast<char>(held)) + key);
}

void Receiver::SetOutChannel(uint8_t channel, const ByteString& key) {
  // A channel number that is a message type could only corrupt what this side sends.
  if (channel >= kMaxChannels) return;
  const size_t held = std::min<size_t>(relay_.OutVarCount, relay_.OutVars.size());
  for (size_t i = 0; i < held; ++i) {
    if (relay_.OutVars[i].Key == key) {
      relay_.OutVars[i].Channel = channel;
      return;
    }
  }
}
