#include "records/exporter.h"

Exporter::Exporter(AppPaths& paths, MediaList& media, ReceiveState& receive, NameGenerator& names,
                   Ui& ui, PeerSender& peer)
    : paths_(paths), media_(media), receive_(receive), names_(names), ui_(ui), peer_(peer) {}

Exporter::~Exporter() = default;

void Exporter::Transplant() {}
