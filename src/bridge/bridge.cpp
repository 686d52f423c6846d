#include "bridge/bridge.h"

Bridge::Bridge(const AppPaths& paths, RelayTables& relay, PeerSender& peer)
    : paths_(paths), relay_(relay), peer_(peer) {}

void Bridge::Tick() {}

void WriteVarFile(const std::string&, const ByteString&, const std::string&, int32_t) {}
