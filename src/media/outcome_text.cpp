#include "media/outcome_text.h"

#include <algorithm>

#include "net/bytes.h"
#include "records/record_file.h"

namespace {
constexpr size_t kLongestName = 31;
}  // namespace

std::string OpponentName(const ByteString& plugin) {
  for (size_t pos = 0; pos + 16 <= plugin.size();) {
    const auto size = static_cast<uint32_t>(BytesToLongAt(plugin, pos + 4));
    if (size > plugin.size() - pos - 16) break;
    const ByteString record = plugin.substr(pos, 16 + size);
    pos += 16 + size;
    if (record.compare(0, 4, "NPC_") != 0 || RecordId(record, false) != "play00") continue;
    const size_t at = FindSubrecord(record, "FNAM", 16);
    if (at == ByteString::npos) return {};
    // The game's names are at most 31 characters; a peer's longer one is cut, so the status
    // label never has to lay out megabytes of text.
    const std::string value = SubrecordValue(record, at);
    return value.substr(0, std::min<size_t>(value.find('\0'), kLongestName));
  }
  return {};
}

std::string OutcomeText(const TransplantOutcome& outcome) {
  return OutcomeText(outcome, OpponentName(outcome.Plugin));
}

std::string OutcomeText(const TransplantOutcome& outcome, const std::string& name) {
  switch (outcome.What) {
    case TransplantOutcome::Kind::Sent: {
      // Tenths of a MB, whatever the locale's decimal mark.
      const int64_t tenths = (outcome.Bytes * 10 + 524288) / 1048576;
      const std::string size =
          tenths == 0 && outcome.Bytes > 0
              ? "less than 0.1"
              : std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
      return (name.empty() ? "Your character" : name) +
             " went out to your friend: " + std::to_string(outcome.Files) +
             (outcome.Files == 1 ? " file, " : " files, ") + size + " MB.";
    }
    case TransplantOutcome::Kind::Arrived:
      return (name.empty() ? "A character" : name) +
             " arrived and is in Data Files\\arena.esp. Tick arena.esp in the game's launcher "
             "(Data Files) to meet the character.";
    case TransplantOutcome::Kind::NothingWritten:
      break;
  }
  return "The character transfer did not finish; nothing was written.";
}
