// Time of one bridge tick that reads 1 MB of new log text (a marker line every 100 KB, the
// rest without markers), with 1 MB and 50 MB of log already consumed before it. The two
// should be about the same: a tick reads and searches only what is new.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bridge/bridge.h"
#include "bridge/relay_tables.h"
#include "core/app_paths.h"
#include "core/peer_sender.h"

namespace fs = std::filesystem;

namespace {

class CountingPeer : public PeerSender {
 public:
  bool IsConnected() const override { return true; }
  void Send(const ByteString& bytes) override { sentBytes += bytes.size(); }
  size_t sentBytes = 0;
};

// `megabytes` of log text: filler lines, with a marker line every 100 KB.
std::string LogText(size_t megabytes) {
  const std::string filler = "Script extender: some unrelated line of the game's log text.\r\n";
  std::string text;
  text.reserve(megabytes << 20);
  size_t nextMarker = 100 << 10;
  while (text.size() < (megabytes << 20)) {
    text += filler;
    if (text.size() >= nextMarker) {
      text += "QUIB::hpval 45|12.5|Sfoo|\n";
      nextMarker += 100 << 10;
    }
  }
  return text;
}

void AppendTo(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

void BM_TickAfterLogOf(benchmark::State& state) {
  const size_t consumedMegabytes = static_cast<size_t>(state.range(0));
  std::string folder = (fs::temp_directory_path() / "quib-bench-XXXXXX").string();
  if (!mkdtemp(folder.data())) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const fs::path log = fs::path(folder) / "MWScriptExtender.log";
  AppendTo(log, LogText(consumedMegabytes));
  const auto consumedSize = fs::file_size(log);
  const std::string growth = LogText(1);

  AppPaths paths;
  paths.GameDir = folder;
  for (auto _ : state) {
    state.PauseTiming();
    fs::resize_file(log, consumedSize);
    RelayTables relay;
    CountingPeer peer;
    Bridge bridge(paths, relay, peer);
    bridge.Tick();  // consumes the log as it stands
    AppendTo(log, growth);
    state.ResumeTiming();

    bridge.Tick();
    benchmark::DoNotOptimize(peer.sentBytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * growth.size()));
  fs::remove_all(folder);
}

BENCHMARK(BM_TickAfterLogOf)->Arg(1)->Arg(50)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
