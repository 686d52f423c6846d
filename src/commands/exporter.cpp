#include "commands/exporter.h"

#include "core/app_paths.h"
#include "core/peer_sender.h"
#include "core/ui.h"
#include "media/arena_plugin.h"
#include "media/collect_media.h"
#include "net/receive_state.h"
#include "platform/path_text.h"
#include "records/collect_objects.h"
#include "records/savegame.h"

namespace {

constexpr int kConnectedColour = 65280;
constexpr char kTransferStart = static_cast<char>(255);

std::string TemplatePath(const AppPaths& paths) {
  if (!paths.ArenaTemplatePath.empty()) return paths.ArenaTemplatePath;
  return paths.ProgramDir + "/arena.dat";
}

}  // namespace

Exporter::Exporter(AppPaths& paths, MediaList& media, ReceiveState& receive, NameGenerator& names,
                   Ui& ui, PeerSender& peer)
    : paths_(paths), media_(media), receive_(receive), names_(names), ui_(ui), peer_(peer) {}

Exporter::~Exporter() = default;

void Exporter::Transplant() {
  // The walks yield to the window, so a second click can arrive mid-export; two exports
  // would interleave on the one package. A click while a character is on its way, from or to
  // this side, is ignored as well: the exchange in progress goes on undisturbed.
  if (running_ || receive_.Transplanting) return;
  if (ui_.Drop1BackColor() != kConnectedColour) {
    ui_.ShowMessage("Please establish a connection with Peer", "error", MessageIcon::Information);
    return;
  }
  receive_.ServingRequests = false;
  if (paths_.SaveGamePath.empty()) {
    ui_.ShowMessage("Please drag and drop your savegame onto the field", "Default",
                    MessageIcon::Critical);
    return;
  }
  struct RunningGuard {
    bool& running;
    CharacterPackage& package;
    ~RunningGuard() {
      package.Reset();
      running = false;
    }
  } guard{running_, package_};
  running_ = true;
  Export();
}

void Exporter::Export() {
  package_.Reset();
  // Everything that can stop the export is read and checked before the peer is told that
  // a character is coming, so a failed export never leaves the peer waiting.
  if (StepError error = ReadSavegame(paths_, names_, package_)) {
    ui_.ShowMessage(*error, "error", MessageIcon::Critical);
    return;
  }
  std::string templateError;
  const std::optional<ArenaTemplate> arena =
      LoadArenaTemplate(PathFromUtf8(TemplatePath(paths_)), templateError);
  if (!arena) {
    ui_.ShowMessage(templateError, "error", MessageIcon::Critical);
    return;
  }

  peer_.Send(ByteString(1, kTransferStart));
  receive_.Transplanting = true;
  ui_.BusyState();
  CollectObjects(paths_, names_, ui_, package_);
  BuildArenaPlugin(*arena, package_, media_, ui_);
  CollectMedia(paths_.GameDir, package_, media_, names_, peer_);
}
