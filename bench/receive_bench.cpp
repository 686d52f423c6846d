// The receive path against plain file writing, and a whole exchange against the codec alone.
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
#include "core/app_paths.h"
#include "core/peer_sender.h"
#include "media/media_list.h"
#include "net/bytes.h"
#include "net/bzip2_stream.h"
#include "net/comp.h"
#include "net/receiver.h"
#include "records/record_file.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kPiece = 64 * 1024;
constexpr size_t kBodySize = 512u * 1024 * 1024;
constexpr size_t kMediaPiece = 1024 * 1024;
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
  Receiver receiver{paths, media, relay, names, ui, peer};
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

// Mixed text-like data, about as compressible as meshes and textures; piece `n` of a file.
ByteString MediaPiece(size_t n) {
  ByteString s(kMediaPiece, '\0');
  uint32_t x = 12345 + static_cast<uint32_t>(n) * 7919;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>((x >> 16) % 5 == 0 ? x >> 8 : 'a' + (x >> 21) % 8);
  }
  return s;
}

// Feeds `size` bytes of media, piece by piece, so the benchmark itself holds little.
template <typename Fn>
void ForEachMediaPiece(size_t size, Fn fn) {
  for (size_t n = 0; n * kMediaPiece < size; ++n) {
    const ByteString piece = MediaPiece(n);
    fn(piece.data(), std::min(kMediaPiece, size - n * kMediaPiece));
  }
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

// A whole exchange of `range(0)` MiB of media between two sides in one process.
void BM_WholeExchange(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  for (auto _ : state) {
    Side a, b;
    a.media.ArenaPlugin = "plugin";
    a.media.MediaNames = {"arena.esp", "Textures\\big.dds"};
    a.media.MediaSizes = {6, static_cast<int32_t>(size)};
    {
      const fs::path file = a.folder.path / "game" / "Data Files" / "Textures" / "big.dds";
      fs::create_directories(file.parent_path());
      const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ForEachMediaPiece(size, [&](const char* p, size_t n) {
        if (::write(fd, p, n) < 0) state.SkipWithError("write");
      });
      ::close(fd);
    }
    std::string list = "arena.esp\t6\r\nTextures\\big.dds\t" + std::to_string(size) + "\r\n";
    ByteString packed = list;
    CompressBytes(packed, 7);
    const ByteString body = LongToBytes(static_cast<int32_t>(list.size())) + packed;
    ByteString start(1, static_cast<char>(255));
    start += static_cast<char>(252);
    start += LongToBytes(static_cast<int32_t>(body.size()));
    b.receiver.ProcessArrival(start + body);
    // The "network": what one side queued reaches the other in 64 KiB arrivals, also while
    // the sender yields between the pieces of a long send.
    const auto deliver = [](Side& from, Side& to) {
      std::vector<ByteString> queue = std::move(from.peer.queue);
      from.peer.queue.clear();
      from.peer.queued = 0;
      for (const auto& bytes : queue) {
        for (size_t at = 0; at < bytes.size(); at += kPiece) {
          to.receiver.ProcessArrival(bytes.substr(at, kPiece));
        }
      }
      return !queue.empty();
    };
    a.ui.OnYield = [&] { deliver(a, b); };
    while (deliver(a, b) | deliver(b, a)) {
    }
    if (fs::file_size(b.folder.path / "game" / "Data Files" / "Textures" / "big.dds") != size) {
      state.SkipWithError("transfer incomplete");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
  ReportPeakMemory(state);
}

// The baseline: the codec alone on the same bytes (bzip2 -7, then bunzip2), streamed.
void BM_CodecOnly(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  for (auto _ : state) {
    ByteString packed;
    BzCompressor comp(7, 30);
    const ByteSink toPacked = [&](const char* p, size_t n) {
      packed.append(p, n);
      return true;
    };
    ForEachMediaPiece(size, [&](const char* p, size_t n) { comp.Feed(p, n, toPacked); });
    comp.Finish(toPacked);
    size_t unpacked = 0;
    BzDecompressor dec;
    dec.Feed(packed.data(), packed.size(), [&](const char*, size_t n) {
      unpacked += n;
      return true;
    });
    benchmark::DoNotOptimize(unpacked);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

}  // namespace

BENCHMARK(BM_PlainFileWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReceiveCharacterBody)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CodecOnly)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WholeExchange)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
