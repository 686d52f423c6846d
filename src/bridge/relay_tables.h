#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_string.h"

// Channel value of an outgoing key the peer has not assigned a channel yet.
inline constexpr uint8_t kNoChannel = 251;

// One key seen in the script extender's log.
struct OutVar {
  uint8_t Continuing = 0;  // the key's last line ended with "~"
  uint8_t Ready = 0;       // the key's last line ended with "|": the set waits to be sent
  std::string Key;         // 5 characters
  uint8_t Channel = kNoChannel;
  std::vector<ByteString> Values{ByteString()};  // encoded value per field position
  std::vector<uint8_t> Kinds{0};                 // 0 integer, 1 real, 2 text
  int32_t FieldCount = 0;                        // positions that belong to the current set
};

// The relay's key tables: incoming keys by channel, and outgoing keys from the log. Both
// are started afresh (counts set to 0) whenever the listener (re)starts.
struct RelayTables {
  std::vector<std::string> VarNames;  // 5-byte keys; the position is the channel
  std::vector<int32_t> VarCounts;     // values delivered per channel
  uint8_t VarNameCount = 0;           // 0 while the incoming table is empty
  std::vector<OutVar> OutVars;
  uint8_t OutVarCount = 0;  // 0 while the outgoing table does not exist
};
