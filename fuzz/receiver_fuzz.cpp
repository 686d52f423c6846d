// The receive state machine fed a fuzzed byte stream in fuzzed arrival sizes, with the
// transfer handlers and the relay file writer behind it working in a temporary game folder.
// Checks: nothing is written outside Data Files and the program folder, nothing next to
// the fuzz folder changes, and no temporary file outlives Reset().
//
// Input: byte 0 = (reset yield << 3) | number of size bytes (0..7); the size bytes (each an
// arrival size, 0 meaning 4096, used in turn); then the stream. A nonzero reset yield
// resets the receiver from inside that yield, as a dropped connection does.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "bridge/relay_tables.h"
#include "commands/relay_receiver.h"
#include "core/app_paths.h"
#include "core/name_generator.h"
#include "fuzz_support.h"
#include "net/media_list.h"
#include "net/receiver.h"
#include "records/record_file.h"

namespace fs = std::filesystem;

namespace {

const char kSentinelText[] = "sentinel";

// Every regular file below folder, relative to it.
std::set<std::string> FilesBelow(const fs::path& folder) {
  std::set<std::string> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_directory()) files.insert(fs::relative(it->path(), folder).string());
  }
  return files;
}

bool Below(const std::string& relative, const std::string& folder) {
  return relative.compare(0, folder.size() + 1, folder + "/") == 0;
}

// A temporary file as TempFile names them: nine letters or digits and ".tmp".
bool LooksTemporary(const fs::path& file, const ByteString& input) {
  const std::string name = file.filename().string();
  if (name.size() != 13 || name.compare(9, 4, ".tmp") != 0) return false;
  return input.find(name.substr(0, 9)) == ByteString::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDir dir;
  // A folder next to the fuzz folder, and one inside it beside the game: both must stay
  // exactly as they are.
  static const struct Sibling {
    fs::path path = dir.Path().string() + "-sentinel";
    Sibling() {
      fs::create_directories(path);
      std::ofstream(path / "keep.txt") << kSentinelText;
      dir.Write("sentinel/keep.txt", kSentinelText);
    }
    ~Sibling() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  } sibling;
  const ByteString input = AsBytes(data, size);

  const fs::path root = dir.Path() / "root";
  std::error_code ec;
  fs::remove_all(root, ec);
  dir.Write("root/game/Data Files/Meshes/m.nif", "mesh bytes");
  dir.Write("root/program/keep.dat", "program file");

  AppPaths paths;
  paths.GameDir = (root / "game").string();
  paths.ProgramDir = (root / "program").string();
  MediaList media;
  media.ArenaPlugin = "TES3 arena plug-in";
  media.MediaNames = {"arena.esp", "Meshes\\m.nif"};
  media.MediaSizes = {static_cast<int32_t>(media.ArenaPlugin.size()), 10};
  RelayTables relay;
  NameGenerator names;
  FakeUi ui;
  FakePeer peer;
  RelayReceiver relayReceiver(paths, relay);
  Receiver receiver(paths, media, relayReceiver, names, ui, peer);

  size_t at = 0;
  const unsigned control = size > 0 ? static_cast<unsigned char>(input[at++]) : 0;
  const size_t sizeCount = std::min<size_t>(control & 7, size - at);
  const ByteString sizes = input.substr(at, sizeCount);
  at += sizeCount;
  const int resetYield = static_cast<int>(control >> 3);
  ui.OnYield = [&] {
    if (ui.Yields == resetYield) receiver.Reset();
  };

  for (size_t k = 0; at < size; ++k) {
    size_t piece = size - at;
    if (!sizes.empty()) {
      const auto b = static_cast<unsigned char>(sizes[k % sizes.size()]);
      piece = std::min<size_t>(piece, b == 0 ? 4096 : b);
    }
    receiver.ProcessArrival(input.substr(at, piece));
    at += piece;
  }
  if (std::getenv("QUIB_FUZZ_VERBOSE")) {  // to check what a seed reaches
    for (const auto& m : ui.Messages) std::fprintf(stderr, "message: %s\n", m.Text.c_str());
    for (const auto& l : ui.Label4) std::fprintf(stderr, "label4: %s\n", l.c_str());
    for (const auto& f : FilesBelow(root)) std::fprintf(stderr, "file: %s\n", f.c_str());
  }
  receiver.Reset();

  if (FilesBelow(sibling.path) != std::set<std::string>{"keep.txt"}) __builtin_trap();
  for (const std::string& file : FilesBelow(dir.Path())) {
    if (file == "sentinel/keep.txt" || file == "root/program/keep.dat") continue;
    if (!Below(file, "root/game/Data Files")) __builtin_trap();
    if (LooksTemporary(file, input)) __builtin_trap();
  }
  if (!receiver.State().TempFileName.empty()) __builtin_trap();
  return 0;
}
