// The sender's half of the exchange: answering the peer's file requests.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
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

// The CharacterData message: its header and list in memory, then the compressed contents,
// read from their temporary file as the link takes them. The file goes with the message.
class CharacterDataMessage : public MessageSource {
 public:
  CharacterDataMessage(ByteString head, TempFile contents)
      : head_(std::move(head)),
        contents_(std::move(contents)),
        size_(head_.size() + contents_.Size()) {}
  uint64_t Left() const override { return size_ - at_; }
  ByteString Next(size_t most) override {
    ByteString piece;
    if (at_ < head_.size()) {
      piece = head_.substr(at_, most);
    } else if (auto read = contents_.ReadAt(at_ - head_.size(), std::min<uint64_t>(most, Left()))) {
      piece = std::move(*read);
    }
    at_ += piece.size();
    return piece;
  }

 private:
  ByteString head_;
  TempFile contents_;
  uint64_t size_;
  uint64_t at_ = 0;
};

// Feeds a whole file into the compressor, asking `keepGoing` after each piece (false stops
// the feeding); the bytes fed, or -1 when the file cannot be opened.
int64_t FeedFile(const std::filesystem::path& path, ParallelBzCompressor& comp,
                 const ByteSink& sink, int64_t room, const std::function<bool()>& keepGoing) {
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
    if (!keepGoing()) break;
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
        "The character was not sent: no temporary file can be made in " + paths_.ProgramDir + ".",
        "error", MessageIcon::Exclamation);
    state_.Transplanting = false;  // nothing more goes out
    return;
  }
  ParallelBzCompressor comp(WorkerCount(workers_));
  const ByteSink toFile = [&](const char* p, size_t n) { return contents.Append(p, n); };

  std::string list;
  int files = 0;
  int64_t total = 0;
  int32_t previous = -1;
  // The window runs after every piece (it paces itself); a reset meanwhile (the connection
  // ended, the program is ending) drops the answer, its temporary file with it.
  bool dropped = false;
  const auto keepGoing = [&] {
    if (!dropped && !yield_()) dropped = true;
    return !dropped;
  };
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
      keepGoing();
    } else {
      const auto path = GamePath(paths_.GameDir, "\\Data Files\\" + media_.MediaNames[k]);
      // A file that vanished since the list was built is left out of the answer.
      if (!NormalFileExists(path)) continue;
      size = FeedFile(path, comp, toFile, kMaxContents - total, keepGoing);
      if (size < 0) continue;
    }
    // The size sent is what was really read, so the peer's offsets stay right even if the
    // file changed since the list was made.
    list += media_.MediaNames[k] + "\t" + std::to_string(size) + "\r\n";
    ++files;
    total += size;
    if (dropped) return;
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
  const uint64_t length = head.size() + contents.Size();
  if (length > static_cast<uint64_t>(INT32_MAX)) return false;
  // Sent whole: relay values and replies that come meanwhile wait behind it.
  peer_.SendLong(std::make_unique<CharacterDataMessage>(
      static_cast<char>(254) + LongToBytes(static_cast<int32_t>(length)) + head,
      std::move(contents)));
  return true;
}
