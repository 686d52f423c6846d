// The receiver's half of the exchange: unpacking the character data into Data Files.
#include <algorithm>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/ui.h"
#include "net/bytes.h"
#include "net/bzip2_parallel.h"
#include "net/comp.h"
#include "net/media_name.h"
#include "net/receive_state.h"
#include "net/staged_files.h"
#include "net/transfer.h"
#include "platform/files.h"
#include "platform/game_path.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kYieldEveryEntries = 256;
// The arrived plug-in is read back for the character's name only up to this size.
constexpr int64_t kMaxPluginRead = 64 * 1024 * 1024;

// One line of the delivered-file list and where its bytes go.
struct Delivered {
  std::string Name;
  int64_t Size = 0;
  StagedFiles::File* File = nullptr;  // none: the bytes are passed over
  bool Complete = false;
};

// Reads the delivered-file list. The peer answers the requests in their order, leaving out
// files it no longer has, so the list must be "arena.esp" and then lines this side asked for,
// in the order asked, each once and no larger than the list it answered said. A list that
// names anything else, or a line without a readable size, is not trusted: nothing of it is
// written.
std::optional<std::vector<Delivered>> ReadDeliveredList(const std::string& list,
                                                        const std::vector<RequestedFile>& asked) {
  if (asked.empty() || asked.front().Line != 0) return std::nullopt;
  std::vector<Delivered> entries;
  auto next = asked.begin();
  ListReader reader(list);
  std::string_view line;
  while (reader.Next(line)) {
    const std::string_view name = *ListField(line, 0);
    const auto sizeText = ListField(line, 1);
    const auto size = sizeText ? ParseListSize(*sizeText) : std::nullopt;
    if (!size) return std::nullopt;
    if (entries.empty()) {
      if (name != kArenaName) return std::nullopt;
    } else {
      while (next != asked.end() && next->Name != name) ++next;
    }
    if (next == asked.end() || *size > next->Size) return std::nullopt;
    ++next;
    entries.push_back({std::string(name), *size});
  }
  return entries;
}

// Hands the decompressed contents out to the entries in list order, each into its staged
// file. Declines output past `limit` bytes, and all output once the delivery failed or the
// connection was reset while the window ran.
class EntryWriter {
 public:
  EntryWriter(std::vector<Delivered>& entries, uint64_t limit, StagedFiles& staged,
              const Transfer::YieldFn& yield)
      : entries_(entries), limit_(limit), staged_(staged), yield_(yield) {
    OpenEntries();
  }

  bool Take(const char* p, size_t n) {
    if (stopped_) return false;
    const bool fits = n <= limit_ - produced_;
    if (!fits) n = static_cast<size_t>(limit_ - produced_);
    produced_ += n;
    while (n > 0 && current_ < entries_.size()) {
      Delivered& e = entries_[current_];
      const auto part = static_cast<size_t>(std::min<uint64_t>(n, e.Size - filled_));
      if (e.File && !e.File->temp.WriteAt(filled_, p, part)) return Stop();
      filled_ += part;
      p += part;
      n -= part;
      if (filled_ == static_cast<uint64_t>(e.Size)) {
        if (!Finish(e)) return false;
        ++current_;
        filled_ = 0;
        if (!OpenEntries()) return false;
      }
    }
    return fits;  // bytes past the last entry (the trailing zero) are dropped
  }

  bool Abandoned() const { return abandoned_; }

 private:
  // Stages the entries from the current one up to the first with bytes to come; entries of
  // no bytes are complete at once. A loop, however many empty entries a list holds.
  bool OpenEntries() {
    for (; current_ < entries_.size(); ++current_) {
      Delivered& e = entries_[current_];
      e.File = staged_.Stage(e.Name, current_ == 0);
      if (staged_.Failed()) return Stop();
      if (++opened_ % kYieldEveryEntries == 0 && !yield_()) {
        abandoned_ = true;
        return Stop();
      }
      if (e.Size > 0) return true;
      if (!Finish(e)) return false;
    }
    return true;
  }
  bool Finish(Delivered& e) {
    e.Complete = true;
    return !e.File || e.File->temp.Close() || Stop();
  }
  bool Stop() {
    stopped_ = true;
    return false;
  }

  std::vector<Delivered>& entries_;
  uint64_t limit_;
  StagedFiles& staged_;
  const Transfer::YieldFn& yield_;
  size_t current_ = 0;
  size_t opened_ = 0;
  uint64_t filled_ = 0;
  uint64_t produced_ = 0;
  bool stopped_ = false;
  bool abandoned_ = false;
};

}  // namespace

void Transfer::CharacterDataHandler(const ByteString& lastPart) {
  const std::vector<RequestedFile> asked = std::move(requested_);
  requested_.clear();
  if (paths_.GameDir == kNotFound) {
    // Without a game folder (its chooser still open) nothing can be written.
    DropCharacterData();
    state_.Transplanting = false;
    ui_.IdleState();
    ui_.ShowMessage("The character was not received: choose the game folder first.", "error",
                    MessageIcon::Exclamation);
    return;
  }
  StoreCharacterData(lastPart, static_cast<int64_t>(state_.ExpectedLength) -
                                   static_cast<int64_t>(lastPart.size()));
  ByteString plugin;
  const Unpacked result = Unpack(asked, plugin);
  DropCharacterData();
  if (result == Unpacked::Abandoned) return;
  state_.Transplanting = false;
  ui_.IdleState();
  TransplantOutcome outcome;
  if (result == Unpacked::Written) {
    outcome.What = TransplantOutcome::Kind::Arrived;
    outcome.Plugin = std::move(plugin);
  }
  ui_.ShowOutcome(outcome);
}

Transfer::Unpacked Transfer::Unpack(const std::vector<RequestedFile>& asked, ByteString& plugin) {
  const uint64_t end = std::min<uint64_t>(body_.Size(), std::max(state_.ExpectedLength, 0));
  const auto head = body_.ReadAt(0, 8);
  const int64_t c = head && head->size() == 8 ? BytesToLongAt(*head, 0) : -1;
  if (c < 0 || c > kMaxListBytes || static_cast<uint64_t>(12 + c) > end) {
    ShowCompressionError(kBzDataError, ui_);
    return Unpacked::NothingWritten;
  }
  const int32_t u = BytesToLongAt(*head, 4);
  std::string list;
  if (u > 0) {
    int r = kBzDataError;
    if (u <= kMaxListBytes) {
      const auto packed = body_.ReadAt(8, static_cast<size_t>(c));
      if (packed) r = DecompressBounded(*packed, static_cast<size_t>(u), list);
      if (r == kBzOk && list.size() < static_cast<size_t>(u)) r = kBzDataError;
    }
    ShowCompressionError(r, ui_);
    // Without the whole list the delivery cannot be known to be whole.
    if (r != kBzOk && r != kBzOutbuffFull) return Unpacked::NothingWritten;
  }
  const ByteString fBytes = body_.ReadAt(8 + static_cast<uint64_t>(c), 4).value_or(ByteString());
  const int32_t f = fBytes.size() == 4 ? BytesToLong(fBytes) : 0;

  std::optional<std::vector<Delivered>> entries = ReadDeliveredList(list, asked);
  ui_.SetLabel4("Unpacking media files.");
  if (!yield_()) return Unpacked::Abandoned;
  if (!entries || entries->empty()) return Unpacked::NothingWritten;

  // Decode no further than the contents length claims and than the end of the last file;
  // one more byte lets the trailing zero and the stream's end (with its check sums) be seen.
  uint64_t total = 0;
  for (const auto& e : *entries) total += static_cast<uint64_t>(e.Size);
  const uint64_t limit = std::min<uint64_t>(f > 0 ? f - 1 : 0, total) + 1;
  StagedFiles staged(GamePath(paths_.GameDir, "\\Data Files"), names_);
  EntryWriter writer(*entries, limit, staged, yield_);
  int result = BzDecompressor::kNeedInput;
  if (f > 0) {
    const uint64_t from = 12 + static_cast<uint64_t>(c);
    const StreamReader read = [&](uint64_t at, size_t count) {
      return body_.ReadAt(from + at, count);
    };
    // The window runs between pieces of the stream (it paces itself), and a reset meanwhile
    // (the connection ended, the program is ending) stops the decoding at the next piece.
    const auto decoded = DecodeStoredStream(
        read, end - std::min(end, from), WorkerCount(workers_),
        [&](const char* p, size_t n) { return writer.Take(p, n); }, yield_);
    if (!decoded) return Unpacked::Abandoned;
    result = *decoded;
  }
  if (writer.Abandoned()) return Unpacked::Abandoned;

  if (result < 0) {
    // A damaged stream: the block that failed was already handed out, so none of the
    // contents can be trusted. Nothing is written.
    ShowCompressionError(result, ui_);
    return Unpacked::NothingWritten;
  }
  // All or nothing: a character with part of its files, or without its plug-in, would
  // arrive broken, and the player is told that nothing was written.
  if (staged.Failed()) return Unpacked::NothingWritten;
  for (const auto& e : *entries) {
    if (!e.Complete) {
      ShowCompressionError(kBzDataError, ui_);
      return Unpacked::NothingWritten;
    }
  }
  const fs::path arena = entries->front().File->target;
  if (!staged.Commit()) return Unpacked::NothingWritten;
  if (entries->front().Size <= kMaxPluginRead) {
    plugin = ReadWholeFile(arena).value_or(ByteString());
  }
  return Unpacked::Written;
}
