// The character export against a plain sequential read of the same files.
//
// The benchmark writes a game folder of its own: three plug-ins of together over 300 MB
// with over 100,000 item records (and the cells, land, body parts, enchantments and
// spells that fill real plug-ins), and a 20 MB savegame whose player carries 200 inventory
// entries and 100 spells. BM_Export runs the whole "Transplant!" command and, in the same
// iterations, a plain read of the four files; it reports their ratio (aim: at most 2).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench_ui.h"
#include "core/app_paths.h"
#include "core/peer_sender.h"
#include "fixtures/arena_template.h"
#include "fixtures/tes3_writer.h"
#include "media/media_list.h"
#include "net/receive_state.h"
#include "records/exporter.h"
#include "records/record_file.h"
#include "support/game_folder.h"

namespace {

using namespace tes3;
using Clock = std::chrono::steady_clock;

constexpr int kPlugins = 3;
constexpr int kItemsPerPlugin = 35000;  // 105,000 item records
constexpr int kLandEvery = 11;          // one 32 KB LAND per 11 items: 104 MB per plug-in
constexpr int kLandPerPlugin = (kItemsPerPlugin + kLandEvery - 1) / kLandEvery;
constexpr int kBodyPartsPerPlugin = 400;
constexpr int kEnchantmentsPerPlugin = 400;
constexpr int kSpellsPerPlugin = 1000;
constexpr int kSaveFillers = 1200;  // 16 KB each: about 20 MB of savegame
constexpr int kInventory = 200;
constexpr int kSpells = 100;
constexpr const char* kItemTypes[] = {"CLOT", "ALCH", "ARMO", "MISC", "INGR", "WEAP",
                                      "APPA", "BOOK", "LIGH", "PROB", "REPA"};

class CountingPeer : public PeerSender {
 public:
  bool IsConnected() const override { return true; }
  void Send(const ByteString& bytes) override { sent += bytes.size(); }
  size_t sent = 0;
};

// Appends records to a file through a large buffer.
class FileWriter {
 public:
  explicit FileWriter(const std::filesystem::path& path) : out_(path, std::ios::binary) {}
  ~FileWriter() { Flush(); }
  void Add(const ByteString& bytes) {
    buffer_ += bytes;
    if (buffer_.size() > (8u << 20)) Flush();
  }

 private:
  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }
  std::ofstream out_;
  ByteString buffer_;
};

std::string ItemId(int plugin, int n) {
  return "quib_item_" + std::to_string(plugin) + "_" + std::to_string(n);
}
std::string SpellId(int plugin, int n) {
  return "quib_spell_" + std::to_string(plugin) + "_" + std::to_string(n);
}

struct World {
  GameFolder game;
  std::vector<std::filesystem::path> files;
  uint64_t bytes = 0;

  World() {
    const ByteString land = Record(
        "LAND", {Sub("INTV", Int32(0) + Int32(0)), Sub("VHGT", ByteString(32 * 1024 - 40, '\7'))});
    std::vector<MasterFile> masters = {{"Morrowind.esm", 79837557}};
    Header header;
    header.Masters = masters;
    for (int f = 0; f < kPlugins; ++f) {
      const std::string name = "quib_bench_" + std::to_string(f) + ".esp";
      const auto path = game.Dir().Path() / "Morrowind" / "Data Files" / name;
      std::filesystem::create_directories(path.parent_path());
      {
        FileWriter out(path);
        out.Add(HeaderRecord(header, kItemsPerPlugin + kLandPerPlugin + kBodyPartsPerPlugin +
                                         kEnchantmentsPerPlugin + kSpellsPerPlugin));
        for (int n = 0; n < kBodyPartsPerPlugin; ++n) {
          out.Add(BodyPartRecord("quib_part_" + std::to_string(n)));
        }
        for (int n = 0; n < kEnchantmentsPerPlugin; ++n) {
          out.Add(EnchantmentRecord("quib_ench_" + std::to_string(n)));
        }
        for (int n = 0; n < kSpellsPerPlugin; ++n) out.Add(SpellRecord(SpellId(f, n)));
        for (int n = 0; n < kItemsPerPlugin; ++n) {
          Item item(kItemTypes[n % 11], ItemId(f, n));
          item.WithModel("quib\\item_" + std::to_string(n) + ".nif")
              .WithEnchantment(n % 3 == 0 ? "quib_ench_" + std::to_string(n % 400) : "");
          if (item.Type == "ARMO" || item.Type == "CLOT") {
            item.WithBodyParts({"quib_part_" + std::to_string(n % 400)});
          }
          out.Add(ItemRecord(item));
          if (n % kLandEvery == 0) out.Add(land);
        }
      }
      masters.push_back({name, 1});
      files.push_back(path);
    }

    // The player: items spread over the plug-ins (some in two of them, some in none) and
    // spells of the plug-ins and of the savegame.
    Npc player;
    for (int k = 0; k < kInventory; ++k) {
      const int n = (k * 173) % kItemsPerPlugin;
      player.Inventory.push_back(
          {1, k % 10 == 9 ? "master_item_" + std::to_string(k) : ItemId(k % kPlugins, n)});
    }
    for (int k = 0; k < kSpells; ++k) {
      player.Spells.push_back(k % 4 == 3 ? "save_spell_" + std::to_string(k)
                                         : SpellId(k % kPlugins, k * 7));
    }
    const std::filesystem::path save = game.Dir().Path() / "Morrowind" / "Saves" / "bench.ess";
    std::filesystem::create_directories(save.parent_path());
    {
      FileWriter out(save);
      const ByteString full = Savegame(masters, {});
      out.Add(full);  // a header without records: the count is not checked
      const ByteString filler = Record(
          "CELL", {Sub("NAME", Z("Balmora")), Sub("DATA", ByteString(16 * 1024 - 40, '\3'))});
      for (int n = 0; n < kSaveFillers; ++n) {
        out.Add(filler);
        if (n == kSaveFillers / 2) out.Add(NpcRecord(player));
        if (n % 12 == 0) out.Add(SpellRecord("save_spell_" + std::to_string(n / 12 * 4 + 3)));
      }
    }
    game.ChooseSavegame("bench.ess");
    files.push_back(save);
    for (const auto& file : files) bytes += std::filesystem::file_size(file);
  }
};

World& TheWorld() {
  static World world;
  return world;
}

// Reads every file front to back in 1 MB pieces.
uint64_t PlainRead(const std::vector<std::filesystem::path>& files) {
  std::vector<char> buffer(1 << 20);
  uint64_t total = 0;
  for (const auto& file : files) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) continue;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
      total += got;
      benchmark::DoNotOptimize(buffer.data());
    }
    std::fclose(f);
  }
  return total;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_PlainRead(benchmark::State& state) {
  World& world = TheWorld();
  for (auto _ : state) benchmark::DoNotOptimize(PlainRead(world.files));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * world.bytes));
}

void BM_Export(benchmark::State& state) {
  World& world = TheWorld();
  MediaList media;
  ReceiveState receive;
  NameGenerator names;
  BenchUi ui;
  CountingPeer peer;
  Exporter exporter(world.game.Paths(), media, receive, names, ui, peer);
  double exportSeconds = 0;
  double readSeconds = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    benchmark::DoNotOptimize(PlainRead(world.files));
    const auto middle = Clock::now();
    exporter.Transplant();
    const auto end = Clock::now();
    readSeconds += Seconds(middle - start);
    exportSeconds += Seconds(end - middle);
    state.SetIterationTime(Seconds(end - middle));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * world.bytes));
  state.counters["plain_read_s"] = readSeconds / static_cast<double>(state.iterations());
  state.counters["export_s"] = exportSeconds / static_cast<double>(state.iterations());
  state.counters["ratio"] = exportSeconds / readSeconds;
  state.counters["file_MB"] = static_cast<double>(world.bytes) / 1e6;
  state.counters["plugin_size"] = static_cast<double>(media.ArenaPlugin.size());
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
