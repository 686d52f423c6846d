#include "commands/relay_receiver.h"

#include <algorithm>

#include "bridge/bridge.h"
#include "bridge/relay_tables.h"
#include "core/app_paths.h"

RelayReceiver::RelayReceiver(AppPaths& paths, RelayTables& relay)
    : paths_(paths), relay_(relay), varWriter_(WriteVarFile) {}

std::optional<RelayHandler::Channel> RelayReceiver::VarRegister(const ByteString& key) {
  RelayTables& r = relay_;
  size_t held = 0;
  if (r.VarNameCount > 0) {
    held = std::min<size_t>(r.VarNameCount, r.VarNames.size());
    const auto it = std::find(r.VarNames.begin(), r.VarNames.begin() + held, key);
    if (it != r.VarNames.begin() + held) {
      return Channel{static_cast<uint8_t>(it - r.VarNames.begin()), false};
    }
  }
  // A key past the last channel gets none: its values are dropped and it is not answered.
  if (held >= kRelayChannelCount) return std::nullopt;
  r.VarNames.resize(held);
  r.VarCounts.resize(held);
  r.VarNames.push_back(key);
  r.VarCounts.push_back(0);
  r.VarNameCount = static_cast<uint8_t>(held + 1);
  return Channel{static_cast<uint8_t>(held), true};
}

void RelayReceiver::VarChannel(uint8_t channel, const ByteString& key) {
  const size_t held = std::min<size_t>(relay_.OutVarCount, relay_.OutVars.size());
  for (size_t i = 0; i < held; ++i) {
    if (relay_.OutVars[i].Key == key) {
      relay_.OutVars[i].Channel = channel;
      return;
    }
  }
}

void RelayReceiver::VarValue(uint8_t channel, const ByteString& value) {
  // A channel the table does not hold is dropped.
  const size_t c = channel;
  if (c >= relay_.VarNameCount || c >= relay_.VarNames.size()) return;
  if (relay_.VarCounts.size() <= c) relay_.VarCounts.resize(c + 1, 0);
  ++relay_.VarCounts[c];
  varWriter_(paths_.GameDir, value, relay_.VarNames[c], relay_.VarCounts[c]);
}
