#include "net/receiver.h"

Receiver::Receiver(AppPaths& paths, MediaList& media, RelayTables& relay, NameGenerator& names,
                   Ui& ui, PeerSender& peer)
    : paths_(paths), media_(media), relay_(relay), names_(names), ui_(ui), peer_(peer) {}

Receiver::~Receiver() = default;

void Receiver::ProcessArrival(const ByteString& data) { state_.ReceiveBuffer += data; }

void Receiver::Reset() { state_ = ReceiveState(); }
