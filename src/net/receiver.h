#pragma once

#include "core/byte_string.h"
#include "net/receive_state.h"

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

  // Processes the bytes of one arrival.
  void ProcessArrival(const ByteString& data);

  // The connection ended (or a new one starts): back to idle, temporary files removed.
  void Reset();

  ReceiveState& State() { return state_; }

 private:
  AppPaths& paths_;
  MediaList& media_;
  RelayTables& relay_;
  NameGenerator& names_;
  Ui& ui_;
  PeerSender& peer_;
  ReceiveState state_;
};
