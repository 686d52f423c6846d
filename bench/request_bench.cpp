// The file requests for a media list of 200,000 names against a Data Files folder whose
// Textures\bench holds 20,000 files: one name in ten is there, every other name in another
// letter case than on disk. Baseline: a plain listing of the same folder. Reports names per
// second (aim: the whole list in under 2 s). Run from the release build:
// build/release/bench/request_bench
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_ui.h"
#include "net/transfer.h"
#include "platform/folder_index.h"
#include "ratio_reporter.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 20000;
constexpr int kNames = 200000;

struct World {
  fs::path root;
  fs::path dataFiles;
  fs::path folder;
  std::string list = "arena.esp\t1000\r\n";
  World() {
    std::string pattern = (fs::temp_directory_path() / "quib-request-bench-XXXXXX").string();
    root = mkdtemp(pattern.data());
    dataFiles = root / "Data Files";
    folder = dataFiles / "Textures" / "bench";
    fs::create_directories(folder);
    for (int i = 0; i < kFiles; ++i) {
      std::ofstream(folder / ("tex_" + std::to_string(i) + ".dds"));
    }
    for (int i = 0; i < kNames; ++i) {
      const int n = i % 10 == 0 ? i / 10 : kFiles + i;  // one in ten is there
      list += (i % 2 ? "TEXTURES\\BENCH\\TEX_" : "Textures\\bench\\tex_") + std::to_string(n) +
              (i % 2 ? ".DDS" : ".dds") + "\t1000\r\n";
    }
  }
  ~World() { fs::remove_all(root); }
};

World& TheWorld() {
  static World world;
  return world;
}

void BM_ListFolder(benchmark::State& state) {
  const World& world = TheWorld();
  for (auto _ : state) {
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(world.folder)) {
      entries += !entry.path().filename().empty();
    }
    benchmark::DoNotOptimize(entries);
  }
}

void BM_FileRequests(benchmark::State& state) {
  const World& world = TheWorld();
  BenchUi ui;
  size_t requested = 0;
  for (auto _ : state) {
    FolderIndex dataFiles(world.dataFiles);
    const auto requests = BuildFileRequests(world.list, dataFiles, nullptr, [&] {
      ui.YieldToEventLoop();
      return true;
    });
    requested = requests ? requests->size() / 4 : 0;
  }
  state.counters["names_per_s"] =
      benchmark::Counter(kNames, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["requested"] = static_cast<double>(requested);
}

}  // namespace

BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileRequests)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

QUIB_BENCHMARK_MAIN_WITH_BASELINE("BM_ListFolder")
