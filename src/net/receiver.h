#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "core/byte_string.h"
#include "net/receive_state.h"
#include "net/transfer.h"

struct AppPaths;
struct MediaList;
struct RelayTables;
class NameGenerator;
class PeerSender;
class Ui;

// The receive side of the peer protocol: reassembles messages from arrivals of any size,
// answers relay registrations, delivers relay values to their files and runs the transfer
// exchange. The peer link feeds it every arrival; it is never re-entered.
class Receiver {
 public:
  Receiver(AppPaths& paths, MediaList& media, RelayTables& relay, NameGenerator& names, Ui& ui,
           PeerSender& peer);
  ~Receiver();

  // Processes the bytes of one arrival. Called again while an arrival is being processed
  // (from inside a yield), it queues the bytes; they are processed afterwards, in order.
  void ProcessArrival(const ByteString& data);

  // The connection ended (or a new one starts): back to idle, temporary files removed.
  // Called from inside a yield, the arrival in hand is abandoned as soon as it resumes.
  void Reset();

  ReceiveState& State() { return state_; }
  std::optional<TransplantOutcome> TakeSentOutcome() { return transfer_.TakeSent(); }

  // Where delivered relay values go: WriteVarFile unless replaced (tests record the calls).
  using VarWriter = std::function<void(const std::string& gameDir, const ByteString& value,
                                       const std::string& key, int32_t count)>;
  void SetVarWriter(VarWriter writer) { varWriter_ = std::move(writer); }

 private:
  void Run(const ByteString& arrival);
  bool TakeHeader(bool& last);
  void Dispatch();
  void RegisterKey(const ByteString& key);
  void SetOutChannel(uint8_t channel, const ByteString& key);
  bool YieldOk();
  void ResetNow();
  size_t Available() const { return state_.ReceiveBuffer.size() - pos_; }
  // Bodies counted as they pass instead of collected: CharacterData, and over-long lists.
  bool Streamed() const;

  AppPaths& paths_;
  RelayTables& relay_;
  Ui& ui_;
  PeerSender& peer_;
  ReceiveState state_;
  Transfer transfer_;
  VarWriter varWriter_;
  size_t pos_ = 0;         // bytes of ReceiveBuffer already taken in this arrival
  bool dropBody_ = false;  // the current body is over its cap and is not kept
  bool busy_ = false;      // an arrival is being processed
  bool resetPending_ = false;
  std::deque<ByteString> pending_;  // arrivals that came during a yield
};
