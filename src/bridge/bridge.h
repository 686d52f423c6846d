#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/byte_string.h"

struct AppPaths;
struct RelayTables;
struct OutVar;
class PeerSender;

// Relays the values in-game scripts write into the script extender's log to the peer.
// Marker lines ("QUIB::" + 5-character key + one skipped character + fields ended by "|"
// or "~") fill one set per key in RelayTables::OutVars; each tick sends the completed sets.
class Bridge {
 public:
  Bridge(const AppPaths& paths, RelayTables& relay, PeerSender& peer);

  // One poll of the log (Timer2, every 300 ms once a peer has connected): reads only the
  // bytes added since the last read, consumes the complete marker lines and sends every
  // completed set in one send, or drops them when the peer is not connected.
  void Tick();

  // Bytes of log text held between ticks (an unfinished marker line, or at most the few
  // bytes that could still begin a marker).
  size_t BufferedBytes() const { return LogBuffer.size(); }

 private:
  void Append(std::string_view bytes);
  void ConsumeLines();
  void HandleLine(std::string_view line);
  OutVar* FindOrAddKey(std::string_view key);
  void Flush();

  const AppPaths& paths_;
  RelayTables& relay_;
  PeerSender& peer_;
  // 64 bits so a log beyond 2 GiB cannot wrap the offset.
  int64_t LogReadOffset = 0;
  // Unconsumed log text: at most an unfinished marker line, or the last few bytes that could
  // still begin a marker.
  ByteString LogBuffer;
  // An overlong unfinished marker line was dropped; the rest of it, up to its line feed, is
  // skipped as well.
  bool skippingLine_ = false;
};

// Writes one received set into GameDir\Data Files\MWSE\<key>: the count, then the value, at
// offset 0, never truncating. Failures are silent, the folder is not created, and a key that
// is not a plain file name (separators, NUL or control characters, "." or "..") is refused,
// so nothing a peer sends is written outside that folder.
void WriteVarFile(const std::string& gameDir, const ByteString& value, const std::string& key,
                  int32_t count);
