// The character export against a plain sequential read of the same files, on two worlds.
//
// Large records: three plug-ins of together over 300 MB with over 100,000 item records
// between 32 KB land records (and the body parts, enchantments and spells that fill real
// plug-ins). Small records: three plug-ins of 64, 106 and 160 MB holding about 1.2 million
// records of a few hundred bytes, as large mods have, mostly of types the export passes
// over, with meshes that name textures and icons for the carried items. Each world has a
// 20 MB savegame whose player carries 200 inventory entries and 100 spells. BM_Export runs
// the whole "Transplant!" command and, in the same iterations, a plain read of the four
// files; it reports their ratio (aim: at most 2).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_ui.h"
#include "commands/exporter.h"
#include "core/app_paths.h"
#include "core/name_generator.h"
#include "core/peer_sender.h"
#include "fixtures/arena_template.h"
#include "fixtures/tes3_writer.h"
#include "net/media_list.h"
#include "net/receive_state.h"
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
  uint64_t pluginRecords = 0;

  std::filesystem::path DataFile(const std::string& name) const {
    const auto path = game.Dir().Path() / "Morrowind" / "Data Files" / name;
    std::filesystem::create_directories(path.parent_path());
    return path;
  }
};

// The player of both worlds: items spread over the plug-ins (some in two of them, some in
// none) and spells of the plug-ins and of the savegame; `itemsPerPlugin` item ids per
// plug-in, `spellsPerPlugin` spell ids.
Npc Player(int itemsPerPlugin, int spellsPerPlugin) {
  Npc player;
  for (int k = 0; k < kInventory; ++k) {
    const int n = (k * 173) % itemsPerPlugin;
    player.Inventory.push_back(
        {1, k % 10 == 9 ? "master_item_" + std::to_string(k) : ItemId(k % kPlugins, n)});
  }
  for (int k = 0; k < kSpells; ++k) {
    player.Spells.push_back(k % 4 == 3 ? "save_spell_" + std::to_string(k)
                                       : SpellId(k % kPlugins, (k * 7) % spellsPerPlugin));
  }
  return player;
}

// A 20 MB savegame after the plug-ins, holding the player and the savegame's own spells.
void WriteSavegame(World& world, const std::vector<MasterFile>& masters, const Npc& player) {
  const std::filesystem::path save = world.game.Dir().Path() / "Morrowind" / "Saves" / "bench.ess";
  std::filesystem::create_directories(save.parent_path());
  {
    FileWriter out(save);
    out.Add(Savegame(masters, {}));  // a header without records: the count is not checked
    const ByteString filler =
        Record("CELL", {Sub("NAME", Z("Balmora")), Sub("DATA", ByteString(16 * 1024 - 40, '\3'))});
    for (int n = 0; n < kSaveFillers; ++n) {
      out.Add(filler);
      if (n == kSaveFillers / 2) out.Add(NpcRecord(player));
      if (n % 12 == 0) out.Add(SpellRecord("save_spell_" + std::to_string(n / 12 * 4 + 3)));
    }
  }
  world.game.ChooseSavegame("bench.ess");
  world.files.push_back(save);
  for (const auto& file : world.files) world.bytes += std::filesystem::file_size(file);
}

// Writes the plug-ins Data Files\<stem><f>.esp, each filled by fill(f, header, out), and
// returns the savegame's masters: the game's own master, then the plug-ins.
template <typename Fill>
std::vector<MasterFile> WritePlugins(World& world, const std::string& stem, const Fill& fill) {
  std::vector<MasterFile> masters = {{"Morrowind.esm", 79837557}};
  Header header;
  header.Masters = masters;
  for (int f = 0; f < kPlugins; ++f) {
    const std::string name = stem + std::to_string(f) + ".esp";
    const auto path = world.DataFile(name);
    {
      FileWriter out(path);
      fill(f, header, out);
    }
    masters.push_back({name, 1});
    world.files.push_back(path);
  }
  return masters;
}

// Item n of plug-in f: its mesh, every third enchanted, armour and clothing with a body part.
ByteString BenchItem(int f, int n, const std::string& icon) {
  Item item(kItemTypes[n % 11], ItemId(f, n));
  item.WithModel("quib\\item_" + std::to_string(n) + ".nif")
      .WithIcon(icon)
      .WithEnchantment(n % 3 == 0 ? "quib_ench_" + std::to_string(n % 400) : "");
  if (item.Type == "ARMO" || item.Type == "CLOT") {
    item.WithBodyParts({"quib_part_" + std::to_string(n % 400)});
  }
  return ItemRecord(item);
}

std::unique_ptr<World> LargeRecordWorld() {
  auto world = std::make_unique<World>();
  const ByteString land = Record(
      "LAND", {Sub("INTV", Int32(0) + Int32(0)), Sub("VHGT", ByteString(32 * 1024 - 40, '\7'))});
  const auto masters =
      WritePlugins(*world, "quib_bench_", [&](int f, const Header& header, FileWriter& out) {
        const int records = kItemsPerPlugin + kLandPerPlugin + kBodyPartsPerPlugin +
                            kEnchantmentsPerPlugin + kSpellsPerPlugin;
        out.Add(HeaderRecord(header, records));
        world->pluginRecords += records;
        for (int n = 0; n < kBodyPartsPerPlugin; ++n) {
          out.Add(BodyPartRecord("quib_part_" + std::to_string(n)));
        }
        for (int n = 0; n < kEnchantmentsPerPlugin; ++n) {
          out.Add(EnchantmentRecord("quib_ench_" + std::to_string(n)));
        }
        for (int n = 0; n < kSpellsPerPlugin; ++n) out.Add(SpellRecord(SpellId(f, n)));
        for (int n = 0; n < kItemsPerPlugin; ++n) {
          out.Add(BenchItem(f, n, "m\\item.dds"));
          if (n % kLandEvery == 0) out.Add(land);
        }
      });
  WriteSavegame(*world, masters, Player(kItemsPerPlugin, kSpellsPerPlugin));
  return world;
}

// Small records: per plug-in, records of 100 to 500 bytes until its size is reached. Of
// every 100 records 12 are items, one a spell, and every 300th a body part or an
// enchantment; the rest are of the many types the export passes over.
constexpr uint64_t kSmallPluginBytes[kPlugins] = {64'000'000, 106'000'000, 160'000'000};
constexpr int kSmallItemsPerPlugin = 20000;  // item ids repeat beyond this: later copies lose
constexpr int kSmallSpellsPerPlugin = 2000;
constexpr const char* kOtherTypes[] = {"STAT", "INFO", "DIAL", "CELL", "NPC_", "CREA", "SCPT",
                                       "LEVI", "LEVC", "SOUN", "ACTI", "DOOR", "CONT", "GMST",
                                       "PGRD", "REGN", "LTEX", "FACT", "BSGN", "SNDG"};

// The meshes, textures and icons of the carried items: each mesh names a .tga texture
// that has a .dds twin, each icon is named .tga and has a .dds twin.
void WriteMedia(World& world) {
  for (int k = 0; k < kInventory; ++k) {
    const std::string n = std::to_string((k * 173) % kSmallItemsPerPlugin);
    const auto mesh = world.DataFile("Meshes/quib/item_" + n + ".nif");
    FileWriter(mesh).Add(Mesh({TextureBlock("quib\\tex_" + n + ".tga"), ByteString(2048, 'm')}));
    FileWriter(world.DataFile("Textures/quib/tex_" + n + ".dds")).Add(ByteString(8192, 't'));
    FileWriter(world.DataFile("Icons/quib/icon_" + n + ".dds")).Add(ByteString(4096, 'i'));
  }
}

std::unique_ptr<World> SmallRecordWorld() {
  auto world = std::make_unique<World>();
  const auto masters =
      WritePlugins(*world, "quib_small_", [&](int f, const Header& header, FileWriter& out) {
        out.Add(HeaderRecord(header, 0));  // the count is not checked
        uint64_t written = 0;
        int items = 0;
        int spells = 0;
        for (int n = 0; written < kSmallPluginBytes[f]; ++n) {
          ByteString record;
          if (n % 100 < 12) {
            const int i = items++ % kSmallItemsPerPlugin;
            record = BenchItem(f, i, "quib\\icon_" + std::to_string(i) + ".tga");
          } else if (n % 100 == 12) {
            record = SpellRecord(SpellId(f, spells++ % kSmallSpellsPerPlugin));
          } else if (n % 300 == 13) {
            record = BodyPartRecord("quib_part_" + std::to_string(n / 300 % 400));
          } else if (n % 300 == 113) {
            record = EnchantmentRecord("quib_ench_" + std::to_string(n / 300 % 400));
          } else {
            record =
                Record(kOtherTypes[n % 20], {Sub("NAME", Z("quib_thing_" + std::to_string(n))),
                                             Sub("DATA", ByteString(40 + (n * 37) % 400, '\5'))});
          }
          written += record.size();
          out.Add(record);
          ++world->pluginRecords;
        }
      });
  WriteMedia(*world);
  WriteSavegame(*world, masters, Player(kSmallItemsPerPlugin, kSmallSpellsPerPlugin));
  return world;
}

World& TheWorld(bool smallRecords) {
  static std::unique_ptr<World> worlds[2];
  std::unique_ptr<World>& world = worlds[smallRecords ? 1 : 0];
  if (!world) {
    world = smallRecords ? SmallRecordWorld() : LargeRecordWorld();
    // The new files go to disk before anything is timed, not while.
    ::sync();
  }
  return *world;
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

void BM_PlainRead(benchmark::State& state, bool smallRecords) {
  World& world = TheWorld(smallRecords);
  for (auto _ : state) benchmark::DoNotOptimize(PlainRead(world.files));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * world.bytes));
}

void BM_Export(benchmark::State& state, bool smallRecords) {
  World& world = TheWorld(smallRecords);
  MediaList media;
  ReceiveState receive;
  NameGenerator names;
  BenchUi ui;
  CountingPeer peer;
  Exporter exporter(world.game.Paths(), media, receive, names, ui, peer);
  double exportSeconds = 0;
  double readSeconds = 0;
  // Processor time as well: on a shared machine it moves less than the wall clock.
  std::clock_t exportTicks = 0;
  std::clock_t readTicks = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    const std::clock_t startTicks = std::clock();
    benchmark::DoNotOptimize(PlainRead(world.files));
    const auto middle = Clock::now();
    const std::clock_t middleTicks = std::clock();
    exporter.Transplant();
    const auto end = Clock::now();
    exportTicks += std::clock() - middleTicks;
    readTicks += middleTicks - startTicks;
    readSeconds += Seconds(middle - start);
    exportSeconds += Seconds(end - middle);
    state.SetIterationTime(Seconds(end - middle));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * world.bytes));
  state.counters["plain_read_s"] = readSeconds / static_cast<double>(state.iterations());
  state.counters["export_s"] = exportSeconds / static_cast<double>(state.iterations());
  state.counters["ratio"] = exportSeconds / readSeconds;
  state.counters["cpu_ratio"] = static_cast<double>(exportTicks) / static_cast<double>(readTicks);
  state.counters["file_MB"] = static_cast<double>(world.bytes) / 1e6;
  state.counters["plugin_records"] = static_cast<double>(world.pluginRecords);
  state.counters["plugin_size"] = static_cast<double>(media.ArenaPlugin.size());
}

BENCHMARK_CAPTURE(BM_PlainRead, large_records, false)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, large_records, false)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_PlainRead, small_records, true)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, small_records, true)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
