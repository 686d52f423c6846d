// The whole export without a window over a fuzzed savegame and a fuzzed plug-in: reading
// the savegame, collecting the objects, resolving body parts and enchantments, building the
// arena plug-in and listing the media.
#include <cstdio>
#include <cstdlib>

#include "core/app_paths.h"
#include "fixtures/arena_template.h"
#include "fuzz_support.h"
#include "media/media_list.h"
#include "net/receive_state.h"
#include "records/exporter.h"
#include "records/record_file.h"
#include "split_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDir dir;
  static const ByteString arena = ArenaTemplateBytes();
  const auto [savegame, plugin] = SplitInput(AsBytes(data, size));
  dir.Write("program/arena.dat", arena);
  dir.Write("Morrowind/Saves/fuzzed.ess", savegame);
  dir.Write("Morrowind/Data Files/mod.esp", plugin);
  dir.Write("Morrowind/Data Files/Meshes/m.nif", "mesh");

  AppPaths paths;
  paths.GameDir = (dir.Path() / "Morrowind").string();
  paths.SaveGamePath = paths.GameDir + "\\Saves\\fuzzed.ess";
  paths.ProgramDir = (dir.Path() / "program").string();
  paths.ArenaTemplatePath = paths.ProgramDir + "/arena.dat";
  MediaList media;
  ReceiveState receive;
  NameGenerator names;
  FakeUi ui;
  FakePeer peer;
  Exporter exporter(paths, media, receive, names, ui, peer);
  exporter.Transplant();

  if (std::getenv("QUIB_FUZZ_VERBOSE")) {  // to check what a seed reaches
    for (const auto& m : ui.Messages) std::fprintf(stderr, "message: %s\n", m.Text.c_str());
    for (const auto& n : media.MediaNames) std::fprintf(stderr, "media: %s\n", n.c_str());
  }
  if (exporter.Running()) __builtin_trap();
  if (!media.MediaNames.empty() && media.MediaNames[0] != "arena.esp") __builtin_trap();
  if (media.MediaNames.size() != media.MediaSizes.size()) __builtin_trap();
  for (const std::string& name : media.MediaNames) {
    if (HasParentStep(name)) __builtin_trap();
  }
  // Whatever reaches the peer starts with the transfer start byte.
  if (!peer.Sent.empty() && peer.Sent[0] != ByteString(1, '\xFF')) __builtin_trap();
  return 0;
}
