#include "net/transfer.h"

#include <utility>

#include "core/app_paths.h"
#include "core/peer_sender.h"
#include "core/ui.h"
#include "net/bytes.h"
#include "net/bzip2_stream.h"
#include "net/comp.h"
#include "net/media_name.h"
#include "net/receive_state.h"
#include "platform/folder_index.h"
#include "platform/game_path.h"
#include "platform/path_text.h"

namespace {
constexpr int kNamesBetweenYields = 1024;
}  // namespace

std::optional<ByteString> BuildFileRequests(const std::string& list, FolderIndex& dataFiles,
                                            std::vector<RequestedFile>* requested,
                                            const std::function<bool()>& keepGoing) {
  ByteString requests;
  ListReader reader(list);
  std::string_view line;
  for (int k = 0; reader.Next(line); ++k) {
    if (keepGoing && k % kNamesBetweenYields == kNamesBetweenYields - 1 && !keepGoing()) {
      return std::nullopt;
    }
    const std::string_view name = *ListField(line, 0);
    if (k > 0) {
      if (!IsSafeMediaName(name)) continue;
      // A name with no form on this disk could not be written either.
      const auto found = dataFiles.Find(name);
      if (!found || !found->path.empty()) continue;
    }
    requests += LongToBytes(k);
    if (requested) {
      const auto sizeText = ListField(line, 1);
      const auto size = sizeText ? ParseListSize(*sizeText) : std::nullopt;
      requested->push_back({k, std::string(name), size.value_or(0)});
    }
  }
  return requests;
}

Transfer::Transfer(AppPaths& paths, MediaList& media, NameGenerator& names, Ui& ui,
                   PeerSender& peer, ReceiveState& state, YieldFn yield)
    : paths_(paths),
      media_(media),
      names_(names),
      ui_(ui),
      peer_(peer),
      state_(state),
      yield_(std::move(yield)) {}

void Transfer::TransferStartAction() {
  state_.Transplanting = true;
  ui_.BusyState();
  ui_.SetLabel4("Receiving character media list.");
  state_.MessagePayload.clear();
}

void Transfer::FileRequestsHeaderAction() {
  state_.ServingRequests = true;
  ui_.SetLabel4("Receiving file requests.");
}

void Transfer::CharacterDataHeaderAction() {
  // A failed create leaves the body unstored; the handler then finds nothing to unpack.
  body_.Create(PathFromUtf8(paths_.ProgramDir), names_);
  state_.TempFileName = body_.FileName();
  ui_.SetLabel4("Receiving character data.");
}

void Transfer::StoreCharacterData(const ByteString& part, int64_t offset) {
  if (offset >= 0) body_.WriteAt(static_cast<uint64_t>(offset), part.data(), part.size());
}

void Transfer::DropCharacterData() {
  body_.Remove();
  state_.TempFileName.clear();
}

void Transfer::Reset() {
  DropCharacterData();
  requested_.clear();
  sent_.reset();
}

std::optional<TransplantOutcome> Transfer::TakeSent() {
  std::optional<TransplantOutcome> sent = std::move(sent_);
  sent_.reset();
  return sent;
}

void Transfer::MediaListHandler(const ByteString& body) {
  std::string list;
  if (body.size() < 4) {
    // Too short to hold its length, or dropped for being over the cap.
    ShowCompressionError(kBzDataError, ui_);
  } else if (const int32_t u = BytesToLong(body); u > 0) {
    int r = kBzDataError;
    if (u <= kMaxListBytes) {
      r = DecompressBounded(body.substr(4), static_cast<size_t>(u), list);
      // The library stops after the first stream and calls that success: short is damaged.
      if (r == kBzOk && list.size() < static_cast<size_t>(u)) r = kBzDataError;
    }
    ShowCompressionError(r, ui_);
    if (r != kBzOk && r != kBzOutbuffFull) {
      // Keep the whole lines only; a cut last line would carry a wrong size.
      const size_t end = list.rfind("\r\n");
      list.resize(end == std::string::npos ? 0 : end + 2);
    }
  }
  requested_.clear();
  // Without a game folder (its chooser still open) there is nowhere to put files: only the
  // plug-in is asked for, so the peer answers and nobody waits; nothing is written.
  if (paths_.GameDir == kNotFound) {
    const size_t end = list.find("\r\n");
    list.resize(end == std::string::npos ? 0 : end + 2);
  }
  FolderIndex dataFiles(GamePath(paths_.GameDir, "\\Data Files"));
  std::vector<RequestedFile> requested;
  const std::optional<ByteString> requests = BuildFileRequests(list, dataFiles, &requested, yield_);
  if (!requests) return;
  requested_ = std::move(requested);
  ui_.SetLabel4("Sending file requests.");
  if (!yield_()) return;
  peer_.Send(static_cast<char>(253) + LongToBytes(static_cast<int32_t>(requests->size())) +
             *requests);
}
