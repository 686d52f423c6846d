#include "bridge/bridge.h"

#include <algorithm>

#include "bridge/field_encoding.h"
#include "bridge/relay_tables.h"
#include "core/app_paths.h"
#include "core/names.h"
#include "core/peer_sender.h"
#include "net/bytes.h"
#include "platform/files.h"
#include "platform/game_path.h"

namespace {

constexpr std::string_view kMarker = "QUIB::";
// A log that grew by a lot between two ticks is read and consumed piece by piece.
constexpr uint64_t kReadChunk = 4u << 20;
// An unfinished marker line longer than this is dropped: no set of that size could travel.
constexpr size_t kMaxLineLength = 1u << 20;
// Channels 250 and above would collide with message types.
constexpr size_t kMaxKeys = 250;
// A set value's length travels in two bytes.
constexpr size_t kMaxSetValue = 65535;
// Every field encodes to at least one byte, so a set with this many fields can never be
// sent; positions beyond it are not stored.
constexpr int32_t kMaxFieldPositions = 65532;

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || u < 32 || u == 127;
  });
}

}  // namespace

Bridge::Bridge(const AppPaths& paths, RelayTables& relay, PeerSender& peer)
    : paths_(paths), relay_(relay), peer_(peer) {}

void Bridge::Tick() {
  if (paths_.GameDir == kNotFound) return;
  const auto log = GamePath(paths_.GameDir, "\\MWScriptExtender.log");
  if (!NormalFileExists(log)) return;
  const int64_t length = FileSize(log);
  if (length < 0) return;
  if (length <= LogReadOffset) {
    // A log cut short or made anew: text written into it below the old offset is skipped.
    LogReadOffset = length;
    return;
  }
  while (LogReadOffset < length) {
    const uint64_t count =
        std::min<uint64_t>(static_cast<uint64_t>(length - LogReadOffset), kReadChunk);
    const auto bytes = ReadFileAt(log, static_cast<uint64_t>(LogReadOffset), count);
    if (!bytes || bytes->empty()) break;
    LogReadOffset += static_cast<int64_t>(bytes->size());
    Append(*bytes);
    ConsumeLines();
  }
  Flush();
}

void Bridge::Append(std::string_view bytes) {
  if (skippingLine_) {
    const size_t lineFeed = bytes.find('\n');
    if (lineFeed == std::string_view::npos) return;
    bytes.remove_prefix(lineFeed + 1);
    skippingLine_ = false;
  }
  LogBuffer.append(bytes);
}

void Bridge::ConsumeLines() {
  size_t start = 0;
  for (;;) {
    const size_t marker = LogBuffer.find(kMarker, start);
    if (marker == std::string::npos) {
      // Only the last few bytes could still become the start of a marker.
      if (LogBuffer.size() > start + kMarker.size() - 1) {
        start = LogBuffer.size() - (kMarker.size() - 1);
      }
      break;
    }
    const size_t lineFeed = LogBuffer.find('\n', marker);
    if (lineFeed == std::string::npos) {
      // The line waits for its line feed; the text before the marker is of no use.
      start = marker;
      if (LogBuffer.size() - marker > kMaxLineLength) {
        start = LogBuffer.size();
        skippingLine_ = true;
      }
      break;
    }
    HandleLine(std::string_view(LogBuffer).substr(marker, lineFeed - marker));
    start = lineFeed + 1;
  }
  LogBuffer.erase(0, start);
}

OutVar* Bridge::FindOrAddKey(std::string_view key) {
  auto& vars = relay_.OutVars;
  if (relay_.OutVarCount == 0) {
    vars.clear();
  } else {
    // Entries past the count belong to a table that was started afresh.
    vars.resize(std::min<size_t>(vars.size(), relay_.OutVarCount));
    for (auto& var : vars) {
      if (var.Key == key) return &var;
    }
  }
  if (vars.size() >= kMaxKeys) return nullptr;
  OutVar added;
  added.Key = std::string(key);
  vars.push_back(std::move(added));
  relay_.OutVarCount = static_cast<uint8_t>(vars.size());
  return &vars.back();
}

void Bridge::HandleLine(std::string_view line) {
  // "QUIB::" + key (5) + one skipped character, then the field text.
  constexpr size_t kTextStart = 12;
  if (line.size() < kTextStart) return;
  const std::string_view key = line.substr(kMarker.size(), 5);
  std::string_view text = TrimBlanks(line.substr(kTextStart));
  if (text.empty()) return;
  OutVar* var = FindOrAddKey(key);
  if (!var) return;

  var->Ready = 0;
  int32_t position = 0;
  if (var->Continuing == 1) {
    position = var->FieldCount;
  } else {
    var->FieldCount = 0;
  }
  if (text.back() == '|') {
    var->Ready = 1;
    var->Continuing = 0;
  } else if (text.back() == '~') {
    var->Continuing = 1;
  }

  // "~" separates only once no "|" is left; text only shrinks, so that is known for good
  // once the first search for "|" fails.
  bool pipeLeft = true;
  for (;;) {
    size_t separator = std::string_view::npos;
    if (pipeLeft) {
      separator = text.find('|');
      pipeLeft = separator != std::string_view::npos;
    }
    if (!pipeLeft) separator = text.find('~');
    if (separator == std::string_view::npos) break;
    const std::string_view field = text.substr(0, separator);
    text.remove_prefix(separator + 1);
    if (position >= kMaxFieldPositions) continue;

    const auto index = static_cast<size_t>(position);
    if (var->Values.size() <= index) var->Values.resize(index + 1);
    if (var->Kinds.size() <= index) var->Kinds.resize(index + 1, kKindInteger);
    // An empty field where a text stood keeps the text.
    if (!(field.empty() && var->Kinds[index] == kKindText)) {
      EncodedField encoded = EncodeField(field);
      var->Values[index] = std::move(encoded.Value);
      var->Kinds[index] = encoded.Kind;
    }
    ++position;
    var->FieldCount = position;
  }
}

void Bridge::Flush() {
  if (relay_.OutVarCount == 0) return;
  ByteString out;
  const size_t count = std::min<size_t>(relay_.OutVars.size(), relay_.OutVarCount);
  for (size_t k = 0; k < count; ++k) {
    OutVar& var = relay_.OutVars[k];
    if (var.Ready != 1) continue;
    var.Ready = 0;
    const size_t fields =
        std::min<size_t>(static_cast<size_t>(std::max(var.FieldCount, 0)), var.Values.size());
    size_t length = 4;
    for (size_t j = 0; j < fields; ++j) length += var.Values[j].size();
    // The length travels in two bytes; a longer set cannot be sent.
    if (length > kMaxSetValue) continue;

    ByteString value = LongToBytes(static_cast<int32_t>(fields));
    for (size_t j = 0; j < fields; ++j) value += var.Values[j];
    if (var.Channel == kNoChannel) {
      out.push_back(static_cast<char>(kNoChannel));
      out += var.Key;
    } else {
      out.push_back(static_cast<char>(var.Channel));
    }
    out += ShortToBytes(static_cast<int32_t>(value.size()));
    out += value;
  }
  if (!out.empty() && peer_.IsConnected()) peer_.Send(out);
}

void WriteVarFile(const std::string& gameDir, const ByteString& value, const std::string& key,
                  int32_t count) {
  // Windows and Wine drop trailing spaces and dots from a file name, so the in-game script
  // opens the name without them.
  const std::string fileName = key.substr(0, key.find_last_not_of(" .") + 1);
  if (gameDir == kNotFound || !IsPlainFileName(fileName)) return;
  const auto path = GamePath(gameDir, "\\Data Files\\MWSE\\" + fileName);
  WriteFileAt(path, 0, LongToBytes(count) + value);
}
