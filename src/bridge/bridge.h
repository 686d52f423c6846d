#pragma once

#include <cstdint>
#include <string>

#include "core/byte_string.h"

struct AppPaths;
struct RelayTables;
class PeerSender;

// Relays the values in-game scripts write into the script extender's log to the peer.
class Bridge {
 public:
  Bridge(const AppPaths& paths, RelayTables& relay, PeerSender& peer);

  // One poll of the log (Timer2, every 300 ms once a peer has connected).
  void Tick();

 private:
  const AppPaths& paths_;
  RelayTables& relay_;
  PeerSender& peer_;
  int32_t LogReadOffset = 0;
  ByteString LogBuffer;
};

// Writes one received set into GameDir\Data Files\MWSE\<key>: the count, then the value, at
// offset 0, never truncating. Failures are silent.
void WriteVarFile(const std::string& gameDir, const ByteString& value, const std::string& key,
                  int32_t count);
