#pragma once

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "bridge/relay_tables.h"
#include "commands/relay_receiver.h"
#include "core/app_paths.h"
#include "core/name_generator.h"
#include "net/bytes.h"
#include "net/comp.h"
#include "net/media_list.h"
#include "net/receiver.h"
#include "platform/path_text.h"
#include "records/record_file.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

// One program's side of the connection: its folders, state, window recorder and peer sink.
struct Side {
  struct VarCall {
    std::string Key;
    ByteString Value;
    int32_t Count;
    bool operator==(const VarCall&) const = default;
  };

  TempDir root;
  AppPaths paths;
  MediaList media;
  RelayTables relay;
  NameGenerator names;
  FakeUi ui;
  FakePeer peer;
  std::vector<VarCall> varCalls;
  RelayReceiver relayReceiver{paths, relay};
  Receiver receiver{paths, media, relayReceiver, names, ui, peer};

  Side() {
    paths.GameDir = (root.Path() / "game").string();
    paths.ProgramDir = (root.Path() / "program").string();
    std::filesystem::create_directories(DataFiles());
    std::filesystem::create_directories(paths.ProgramDir);
    relayReceiver.SetVarWriter(
        [this](const std::string&, const ByteString& value, const std::string& key, int32_t count) {
          varCalls.push_back({key, value, count});
        });
  }

  std::filesystem::path DataFiles() const { return root.Path() / "game" / "Data Files"; }
  // "" for a file that does not exist.
  ByteString DataFile(const std::string& relative) const {
    return root.Read("game/Data Files/" + relative);
  }
  void PutDataFile(const std::string& relative, const ByteString& bytes) const {
    root.Write("game/Data Files/" + relative, bytes);
  }
  ByteString TakeSent() {
    ByteString all = peer.AllSent();
    peer.Sent.clear();
    return all;
  }
  // Every file below the root, relative to it.
  std::set<std::string> Files() const {
    std::set<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root.Path())) {
      if (!e.is_regular_file()) continue;
      std::string name = Utf8FromPath(std::filesystem::relative(e.path(), root.Path()));
      std::replace(name.begin(), name.end(), '\\', '/');
      files.insert(name);
    }
    return files;
  }
  // A media file this side's export lists (after SetArena's arena.esp), held in Data Files.
  void AddMedia(std::string name, const ByteString& bytes) {
    media.MediaNames.push_back(name);
    media.MediaSizes.push_back(static_cast<int32_t>(bytes.size()));
    std::ranges::replace(name, '\\', '/');
    PutDataFile(name, bytes);
  }
  void SetArena(const ByteString& plugin) {
    media = MediaList{{"arena.esp"}, {static_cast<int32_t>(plugin.size())}, plugin};
  }
};

inline ByteString B(std::initializer_list<int> bytes) {
  ByteString s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

inline ByteString Message(int type, const ByteString& body) {
  return static_cast<char>(type) + LongToBytes(static_cast<int32_t>(body.size())) + body;
}

inline ByteString Compressed(ByteString bytes) {
  CompressBytes(bytes, 7);
  return bytes;
}

// The MediaList message as the media step builds it from a list text.
inline ByteString MediaListMessage(const std::string& text) {
  return Message(252, LongToBytes(static_cast<int32_t>(text.size())) + Compressed(text));
}

// A CharacterData body made by hand from the list, the contents length F it claims and the
// packed contents.
inline ByteString RawCharacterDataBody(const std::string& list, int32_t claimed,
                                       const ByteString& packedContents) {
  const ByteString packedList = list.empty() ? ByteString() : Compressed(list);
  return LongToBytes(static_cast<int32_t>(packedList.size())) +
         LongToBytes(static_cast<int32_t>(list.size())) + packedList + LongToBytes(claimed) +
         packedContents;
}

// A whole CharacterData body: the list and the contents (the trailing zero added).
inline ByteString CharacterDataBody(const std::string& list, const ByteString& contents) {
  return RawCharacterDataBody(list, static_cast<int32_t>(contents.size() + 1),
                              Compressed(contents + ByteString(1, '\0')));
}

// Passes what each side sends to the other until both fall silent; sends are cut into
// pieces of at most `piece` bytes.
inline void Pump(Side& a, Side& b, size_t piece = 64 * 1024) {
  while (true) {
    bool moved = false;
    for (auto [from, to] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
      const ByteString bytes = from->TakeSent();
      for (size_t at = 0; at < bytes.size(); at += piece) {
        to->receiver.ProcessArrival(bytes.substr(at, piece));
      }
      moved |= !bytes.empty();
    }
    if (!moved) return;
  }
}

// Bytes that compress a little, as game files do; different seeds give different bytes.
inline ByteString Pattern(size_t size, unsigned seed) {
  ByteString s(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (auto& c : s) c = static_cast<char>('a' + ((x = x * 1103515245u + 12345u) >> 20) % 7);
  return s;
}
