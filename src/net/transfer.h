#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_string.h"
#include "core/ui.h"
#include "net/list_text.h"
#include "net/temp_file.h"

struct AppPaths;
struct MediaList;
struct ReceiveState;
class FolderIndex;
class NameGenerator;
class PeerSender;
class Ui;

// Bodies and lists held in memory (media lists, file requests, delivered-file lists, each
// compressed and uncompressed) are capped; a real list names a few thousand files.
inline constexpr int32_t kMaxListBytes = 4 * 1024 * 1024;

// A line this side asked for from the peer's media list.
struct RequestedFile {
  int Line = 0;
  std::string Name;
  int64_t Size = 0;  // as the list gives it; 0 when unreadable
};

// The FileRequests body for a media list: line 0 always, and every further line whose name
// nothing in Data Files answers to yet. Anything counts as there: an entry of that name in any
// letter case, be it a file, a folder, a link or a name starting with a dot, since a file of
// that name could only be written over it. A name that could never be written (see
// IsSafeMediaName) is not asked for, nor is its existence tested. The names are resolved
// through `dataFiles`, an index of Data Files; keepGoing is asked every so often (the window
// runs) and ends the walk, with no result, when it says no. The requested lines are appended
// to `requested` when given.
std::optional<ByteString> BuildFileRequests(const std::string& list, FolderIndex& dataFiles,
                                            std::vector<RequestedFile>* requested = nullptr,
                                            const std::function<bool()>& keepGoing = {});

// The character transfer exchange: what this side does when the transfer messages arrive.
// The receive state machine calls it; it sends its answers on the peer connection.
class Transfer {
 public:
  // Lets the window run; false when the connection was reset meanwhile, and the work in
  // hand must be dropped.
  using YieldFn = std::function<bool()>;

  Transfer(AppPaths& paths, MediaList& media, NameGenerator& names, Ui& ui, PeerSender& peer,
           ReceiveState& state, YieldFn yield);

  void TransferStartAction();
  void FileRequestsHeaderAction();
  void CharacterDataHeaderAction();
  // One part of the CharacterData body, written to the temporary file at its offset.
  void StoreCharacterData(const ByteString& part, int64_t offset);
  // Removes the CharacterData temporary file (a body that ended without being handled).
  void DropCharacterData();

  void MediaListHandler(const ByteString& body);
  void FileRequestsHandler(const ByteString& body);
  // lastPart: the end of the body not yet stored; the rest is in the temporary file.
  void CharacterDataHandler(const ByteString& lastPart);

  // Forgets the exchange in progress and removes its temporary files.
  void Reset();

  // What the answer to the peer's requests carried, once all of it is queued for sending;
  // handed out once.
  std::optional<TransplantOutcome> TakeSent();

  // Threads for compressing and unpacking the contents; 0 (the default) is one per core.
  void SetWorkers(int workers) { workers_ = workers; }

 private:
  enum class Unpacked { Written, NothingWritten, Abandoned };
  Unpacked Unpack(const std::vector<RequestedFile>& asked, ByteString& plugin);
  bool SendCharacterData(const ByteString& head, TempFile& contents);

  AppPaths& paths_;
  MediaList& media_;
  NameGenerator& names_;
  Ui& ui_;
  PeerSender& peer_;
  ReceiveState& state_;
  YieldFn yield_;
  std::vector<RequestedFile> requested_;  // what the last FileRequests asked for
  TempFile body_;                         // the CharacterData body as it arrives
  std::optional<TransplantOutcome> sent_;
  int workers_ = 0;
};
