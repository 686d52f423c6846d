// The receiver's half of the exchange: unpacking the character data into Data Files.
#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/app_paths.h"
#include "core/ui.h"
#include "net/bytes.h"
#include "net/bzip2_parallel.h"
#include "net/comp.h"
#include "net/media_name.h"
#include "net/receive_state.h"
#include "net/transfer.h"
#include "platform/files.h"
#include "platform/game_path.h"

namespace fs = std::filesystem;

namespace {

// The arrived plug-in is read back for the character's name only up to this size.
constexpr int64_t kMaxPluginRead = 64 * 1024 * 1024;

// One line of the delivered-file list and where its bytes go.
struct Delivered {
  int64_t Size = 0;
  bool Wanted = false;  // a file this side asked for, under a name it may write
  fs::path Target;
  TempFile File;  // its bytes, in the target's folder until renamed into place
  bool Complete = false;
};

// Reads the delivered-file list: entry 0 must be "arena.esp" and line 0 must have been asked
// for; every other entry must be a safe media name this side asked for. Entries stop at the
// first line without a readable size, since the offsets after it are unknown.
std::vector<Delivered> ReadDeliveredList(const std::string& list,
                                         const std::vector<RequestedFile>& asked,
                                         const std::string& gameDir) {
  std::unordered_map<std::string, int64_t> open;  // name -> size asked for
  int64_t arenaSize = -1;
  for (const auto& a : asked) {
    if (a.Line == 0) {
      arenaSize = a.Size;
    } else {
      open.emplace(a.Name, a.Size);
    }
  }
  std::vector<Delivered> entries;
  ListReader reader(list);
  std::string_view line;
  for (int k = 0; reader.Next(line); ++k) {
    const std::string name(*ListField(line, 0));
    const auto sizeText = ListField(line, 1);
    const auto size = sizeText ? ParseListSize(*sizeText) : std::nullopt;
    if (!size) break;
    Delivered entry;
    entry.Size = *size;
    // Nothing larger than the list this side answered said is written.
    if (k == 0) {
      entry.Wanted = name == kArenaName && entry.Size <= arenaSize;
    } else if (IsSafeMediaName(name)) {
      const auto it = open.find(name);
      entry.Wanted = it != open.end() && entry.Size <= it->second;
      if (it != open.end()) open.erase(it);  // each asked-for file is written once
    }
    if (entry.Wanted) entry.Target = GamePath(gameDir, "\\Data Files\\" + name);
    // A name with no form on this disk is passed over like one not asked for.
    entry.Wanted = entry.Wanted && !entry.Target.empty();
    if (!entry.Wanted && !entries.empty() && !entries.back().Wanted) {
      // Skipped entries in a row are one run of bytes to pass over; a long hostile list
      // then costs no more memory than the files this side asked for.
      entries.back().Size += entry.Size;
      continue;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

// Hands the decompressed contents out to the entries in list order, each into a temporary
// file beside its target. Declines output past `limit` bytes.
class EntryWriter {
 public:
  EntryWriter(std::vector<Delivered>& entries, uint64_t limit, NameGenerator& names)
      : entries_(entries), limit_(limit), names_(names) {
    SkipEmpty();
  }

  bool Take(const char* p, size_t n) {
    const bool fits = n <= limit_ - produced_;
    if (!fits) n = static_cast<size_t>(limit_ - produced_);
    produced_ += n;
    while (n > 0 && current_ < entries_.size()) {
      Delivered& e = entries_[current_];
      const auto part = static_cast<size_t>(std::min<uint64_t>(n, e.Size - filled_));
      if (e.Wanted && !e.File.WriteAt(filled_, p, part)) e.Wanted = false;
      filled_ += part;
      p += part;
      n -= part;
      if (filled_ == static_cast<uint64_t>(e.Size)) Advance();
    }
    return fits;  // bytes past the last entry (the trailing zero) are dropped
  }

 private:
  void Open() {
    Delivered& e = entries_[current_];
    if (!e.Wanted) return;
    MakeFolders(e.Target);
    if (!e.File.Create(e.Target.parent_path(), names_)) e.Wanted = false;
  }
  void Advance() {
    Delivered& e = entries_[current_];
    e.Complete = true;
    e.File.Close();
    ++current_;
    filled_ = 0;
    SkipEmpty();
  }
  // Opens the next entry; entries of no bytes are complete at once.
  void SkipEmpty() {
    if (current_ >= entries_.size()) return;
    Open();
    if (entries_[current_].Size == 0) Advance();
  }

  std::vector<Delivered>& entries_;
  uint64_t limit_;
  NameGenerator& names_;
  size_t current_ = 0;
  uint64_t filled_ = 0;
  uint64_t produced_ = 0;
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
    if (r != kBzOk && r != kBzOutbuffFull) {
      const size_t lineEnd = list.rfind("\r\n");
      list.resize(lineEnd == std::string::npos ? 0 : lineEnd + 2);
    }
  }
  const ByteString fBytes = body_.ReadAt(8 + static_cast<uint64_t>(c), 4).value_or(ByteString());
  const int32_t f = fBytes.size() == 4 ? BytesToLong(fBytes) : 0;

  std::vector<Delivered> entries = ReadDeliveredList(list, asked, paths_.GameDir);
  ui_.SetLabel4("Unpacking media files.");
  if (!yield_()) return Unpacked::Abandoned;

  // Decode no further than the contents length claims and than the end of the last file
  // this side will write; one more byte lets the trailing zero and the stream's end (with its
  // check sums) be seen.
  uint64_t wantedEnd = 0;
  uint64_t offset = 0;
  for (const auto& e : entries) {
    offset += static_cast<uint64_t>(e.Size);
    if (e.Wanted) wantedEnd = offset;
  }
  const uint64_t limit = std::min<uint64_t>(f > 0 ? f - 1 : 0, wantedEnd) + 1;
  EntryWriter writer(entries, limit, names_);
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

  if (result < 0) {
    // A damaged stream: the block that failed was already handed out, so none of the
    // contents can be trusted. Nothing is written.
    ShowCompressionError(result, ui_);
    return Unpacked::NothingWritten;
  }
  // All or nothing: a character with part of its files, or without its plug-in, would
  // arrive broken, and the player is told that nothing was written.
  for (const auto& e : entries) {
    if (e.Wanted && !e.Complete) {
      ShowCompressionError(kBzDataError, ui_);
      return Unpacked::NothingWritten;
    }
  }
  if (entries.empty() || !entries.front().Wanted) return Unpacked::NothingWritten;
  for (auto& e : entries) {
    if (e.Wanted) e.File.Commit(e.Target);
  }
  if (entries.front().Size <= kMaxPluginRead) {
    plugin = ReadWholeFile(entries.front().Target).value_or(ByteString());
  }
  return Unpacked::Written;
}
