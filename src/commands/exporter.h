#pragma once

#include "records/character_package.h"

struct AppPaths;
struct MediaList;
struct ReceiveState;
class NameGenerator;
class PeerSender;
class Ui;

// The "Transplant!" command: exports the chosen savegame's player character to the peer.
class Exporter {
 public:
  Exporter(AppPaths& paths, MediaList& media, ReceiveState& receive, NameGenerator& names, Ui& ui,
           PeerSender& peer);
  ~Exporter();

  // Click handler of "Transplant!". A click while an export runs is refused.
  void Transplant();
  bool Running() const { return running_; }

 private:
  void Export();

  AppPaths& paths_;
  MediaList& media_;
  ReceiveState& receive_;
  NameGenerator& names_;
  Ui& ui_;
  PeerSender& peer_;
  bool running_ = false;
  // The steps' hand-over fields; empty between exports.
  CharacterPackage package_;
};
