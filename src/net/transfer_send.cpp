// The sender's half of the exchange: answering the peer's file requests.
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/peer_sender.h"
#include "core/ui.h"
#include "net/bytes.h"
#include "net/bzip2_parallel.h"
#include "net/comp.h"
#include "net/media_list.h"
#include "net/receive_state.h"
#include "net/transfer.h"
#include "platform/file_handle.h"
#include "platform/game_path.h"
#include "platform/path_text.h"

namespace {

constexpr size_t kChunk = 1024 * 1024;
// Lengths travel as signed 32-bit values; the contents must stay well inside them even when
// compression adds its bit.
constexpr int64_t kMaxContents = 2'000'000'000;
// Let the window process events this often while compressing, so the window stays alive.
constexpr int64_t kYieldEvery = 8 * 1024 * 1024;
// Keep at most this much queued on the connection while sending from the file.
constexpr int64_t kMaxQueued = 4 * 1024 * 1024;

// Feeds a whole file into the compressor; the bytes fed, or -1 when it cannot be opened.
int64_t FeedFile(const std::filesystem::path& path, ParallelBzCompressor& comp,
                 const ByteSink& sink, int64_t room) {
  const FileHandle file = FileHandle::OpenForReading(path);
  if (!file.IsOpen()) return -1;
  std::vector<char> buffer(kChunk);
  int64_t fed = 0;
  while (fed < room) {
    const int64_t n = file.ReadAt(static_cast<uint64_t>(fed), buffer.data(),
                                  std::min<int64_t>(kChunk, room - fed));
    if (n <= 0) break;
    comp.Feed(buffer.data(), static_cast<size_t>(n), sink);
    fed += n;
  }
  return fed;
}

}  // namespace

void Transfer::FileRequestsHandler(const ByteString& body) {
  // Everything asked for is compressed as one stream (on every core) into a temporary file,
  // so memory does not grow with the size of the media.
  TempFile contents;
  if (!contents.Create(PathFromUtf8(paths_.ProgramDir), names_)) {
    // An empty answer still ends the exchange on both sides instead of leaving them busy.
    ByteString nothing(1, '\0');
    CompressBytes(nothing, 7);
    const ByteString body = LongToBytes(0) + LongToBytes(0) + LongToBytes(1) + nothing;
    peer_.Send(static_cast<char>(254) + LongToBytes(static_cast<int32_t>(body.size())) + body);
    ui_.ShowMessage(
        "The character was not sent: no temporary file can be made in the program "
        "folder " +
            paths_.ProgramDir + ".",
        "error", MessageIcon::Exclamation);
    return;
  }
  ParallelBzCompressor comp(WorkerCount(workers_));
  const ByteSink toFile = [&](const char* p, size_t n) { return contents.Append(p, n); };

  std::string list;
  int files = 0;
  int64_t total = 0;
  int64_t sinceYield = 0;
  int32_t previous = -1;
  for (size_t at = 0; at + 4 <= body.size(); at += 4) {
    const int32_t k = BytesToLongAt(body, at);
    // Lines are asked for in increasing order; a line asked again or out of order is not
    // served twice, and a line this side's list does not hold is not served at all.
    if (k <= previous || k < 0 || static_cast<size_t>(k) >= media_.MediaNames.size()) continue;
    previous = k;
    int64_t size = 0;
    if (k == 0) {
      size = static_cast<int64_t>(media_.ArenaPlugin.size());
      if (total + size > kMaxContents) continue;
      comp.Feed(media_.ArenaPlugin.data(), media_.ArenaPlugin.size(), toFile);
    } else {
      const auto path = GamePath(paths_.GameDir, "\\Data Files\\" + media_.MediaNames[k]);
      // A file that vanished since the list was built is left out of the answer.
      if (!NormalFileExists(path)) continue;
      size = FeedFile(path, comp, toFile, kMaxContents - total);
      if (size < 0) continue;
    }
    // The size sent is what was really read, so the peer's offsets stay right even if the
    // file changed since the list was made.
    list += media_.MediaNames[k] + "\t" + std::to_string(size) + "\r\n";
    ++files;
    total += size;
    sinceYield += size;
    if (sinceYield >= kYieldEvery) {
      sinceYield = 0;
      if (!yield_()) return;
    }
  }
  // The contents end with one zero byte, which the contents length counts.
  // Whatever went wrong on the way is sent as it stands: the peer then finds a damaged
  // stream, says so and goes idle, instead of waiting for an answer that never comes.
  comp.Feed("", 1, toFile);
  comp.Finish(toFile);

  const auto listLength = static_cast<int32_t>(list.size());
  if (listLength > 0) CompressString(list, ui_);
  ByteString head = LongToBytes(static_cast<int32_t>(list.size())) + LongToBytes(listLength) +
                    list + LongToBytes(static_cast<int32_t>(total + 1));

  ui_.SetLabel4("Sending character data.");
  if (!yield_()) return;
  if (SendCharacterData(head, contents)) {
    sent_ = TransplantOutcome{TransplantOutcome::Kind::Sent, media_.ArenaPlugin, files, total};
  }
}

bool Transfer::SendCharacterData(const ByteString& head, TempFile& contents) {
  const uint64_t packed = contents.Size();
  const uint64_t length = head.size() + packed;
  if (length > static_cast<uint64_t>(INT32_MAX)) return false;
  peer_.Send(static_cast<char>(254) + LongToBytes(static_cast<int32_t>(length)) + head);
  for (uint64_t at = 0; at < packed;) {
    while (peer_.BytesToWrite() > kMaxQueued) {
      ui_.WaitForEvents();
      if (!yield_() || !peer_.IsConnected()) return false;
    }
    const auto chunk = contents.ReadAt(at, kChunk);
    if (!chunk || chunk->empty()) return false;
    peer_.Send(*chunk);
    at += chunk->size();
  }
  return true;
}
