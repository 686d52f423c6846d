// The receive path against plain file writing (the whole exchange over loopback is
// transfer_bench).
// Run from the release build: build/release/bench/receive_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_ui.h"
#include "bridge/relay_tables.h"
#include "commands/relay_receiver.h"
#include "core/app_paths.h"
#include "core/name_generator.h"
#include "core/peer_sender.h"
#include "net/bytes.h"
#include "net/bzip2_stream.h"
#include "net/comp.h"
#include "net/media_list.h"
#include "net/receiver.h"
#include "ratio_reporter.h"
#include "records/record_file.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kPiece = 64 * 1024;
constexpr size_t kBodySize = 512u * 1024 * 1024;
class QueuePeer : public PeerSender {
 public:
  bool IsConnected() const override { return true; }
  void Send(const ByteString& bytes) override {
    queue.push_back(bytes);
    queued += static_cast<int64_t>(bytes.size());
  }
  int64_t BytesToWrite() const override { return queued; }
  std::vector<ByteString> queue;
  int64_t queued = 0;
};

struct Folder {
  fs::path path;
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "quib-bench-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~Folder() { fs::remove_all(path); }
};

struct Side {
  Folder folder;
  AppPaths paths;
  MediaList media;
  RelayTables relay;
  NameGenerator names;
  BenchUi ui;
  QueuePeer peer;
  RelayReceiver relayReceiver{paths, relay};
  Receiver receiver{paths, media, relayReceiver, names, ui, peer};
  Side() {
    paths.GameDir = (folder.path / "game").string();
    paths.ProgramDir = (folder.path / "program").string();
    fs::create_directories(folder.path / "game" / "Data Files");
    fs::create_directories(paths.ProgramDir);
  }
};

ByteString Piece() {
  ByteString piece(kPiece, '\0');
  for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>(i * 131 + (i >> 9));
  return piece;
}

void ReportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A CharacterData body of 512 MiB arriving in 64 KiB pieces. Its contents are not a bzip2
// stream, so the unpacking at the end stops at once: this measures the arrival path.
void BM_ReceiveCharacterBody(benchmark::State& state) {
  const ByteString piece = Piece();
  for (auto _ : state) {
    Side side;
    ByteString head(1, static_cast<char>(254));
    head += LongToBytes(static_cast<int32_t>(kBodySize));
    head += LongToBytes(0) + LongToBytes(0) + LongToBytes(1);
    side.receiver.ProcessArrival(head);
    for (size_t sent = 12; sent < kBodySize;) {
      const size_t n = std::min(kPiece, kBodySize - sent);
      if (n == kPiece) {
        side.receiver.ProcessArrival(piece);
      } else {
        side.receiver.ProcessArrival(piece.substr(0, n));
      }
      sent += n;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodySize));
  ReportPeakMemory(state);
}

// The baseline: the same bytes written to a file in the same pieces, then deleted.
void BM_PlainFileWrite(benchmark::State& state) {
  const ByteString piece = Piece();
  for (auto _ : state) {
    Folder folder;
    const fs::path path = folder.path / "plain.tmp";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (size_t sent = 0; sent < kBodySize; sent += kPiece) {
      if (::write(fd, piece.data(), std::min(kPiece, kBodySize - sent)) < 0) break;
    }
    ::close(fd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodySize));
  ReportPeakMemory(state);
}

BENCHMARK(BM_PlainFileWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReceiveCharacterBody)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

QUIB_BENCHMARK_MAIN_WITH_BASELINE("BM_PlainFileWrite")
