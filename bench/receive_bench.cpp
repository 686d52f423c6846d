// The receive path against plain file writing, and the unpacking of a 500 MB character on 1
// and 2 threads against `bzip2 -d` (the whole exchange over loopback is transfer_bench).
// Run from the release build: build/release/bench/receive_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_ui.h"
#include "bridge/relay_tables.h"
#include "commands/relay_receiver.h"
#include "core/app_paths.h"
#include "core/name_generator.h"
#include "core/peer_sender.h"
#include "media/collect_media.h"
#include "media_bytes.h"
#include "net/bytes.h"
#include "net/bzip2_parallel.h"
#include "net/bzip2_stream.h"
#include "net/comp.h"
#include "net/media_list.h"
#include "net/receiver.h"
#include "peak_memory.h"
#include "ratio_reporter.h"
#include "records/record_file.h"
#include "timing.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kPiece = 64 * 1024;
constexpr size_t kBodySize = 512u * 1024 * 1024;
class QueuePeer : public PeerSender {
 public:
  bool IsConnected() const override { return true; }
  void Send(const ByteString& bytes) override { queue.push_back(bytes); }
  std::vector<ByteString> queue;
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

constexpr size_t kMediaFiles = 100;
constexpr size_t kMediaFileSize = 5'000'000;  // 100 x 5 MB = 500 MB unpacked

std::string MediaName(size_t i) { return "Textures\\bench\\tex_" + std::to_string(i) + ".dds"; }

// A sender's answer of 500 MB of media: its media list, the CharacterData message up to the
// packed contents, and the packed contents in a file (made once, on two threads).
struct PackedCharacter {
  Folder folder;
  MediaList media;
  ByteString head;
  fs::path stream = folder.path / "contents.bz2";

  PackedCharacter() {
    media.ArenaPlugin = "arena";
    media.MediaNames = {"arena.esp"};
    media.MediaSizes = {static_cast<int32_t>(media.ArenaPlugin.size())};
    std::ofstream out(stream, std::ios::binary);
    const ByteSink sink = [&](const char* p, size_t n) {
      return static_cast<bool>(out.write(p, static_cast<std::streamsize>(n)));
    };
    ParallelBzCompressor comp(2);
    comp.Feed(media.ArenaPlugin.data(), media.ArenaPlugin.size(), sink);
    std::string piece(kMediaFileSize, '\0');
    for (size_t i = 0; i < kMediaFiles; ++i) {
      FillPiece(piece, i);
      comp.Feed(piece.data(), piece.size(), sink);
      media.MediaNames.push_back(MediaName(i));
      media.MediaSizes.push_back(static_cast<int32_t>(kMediaFileSize));
    }
    comp.Feed("", 1, sink);
    comp.Finish(sink);
    out.close();
    std::string list;
    for (size_t k = 0; k < media.MediaNames.size(); ++k) {
      list += media.MediaNames[k] + "\t" + std::to_string(media.MediaSizes[k]) + "\r\n";
    }
    ByteString packedList = list;
    CompressBytes(packedList, 7);
    const uint64_t contents = kMediaFiles * kMediaFileSize + media.ArenaPlugin.size() + 1;
    const ByteString body = LongToBytes(static_cast<int32_t>(packedList.size())) +
                            LongToBytes(static_cast<int32_t>(list.size())) + packedList +
                            LongToBytes(static_cast<int32_t>(contents));
    head = static_cast<char>(254) +
           LongToBytes(static_cast<int32_t>(body.size() + fs::file_size(stream))) + body;
  }
};

// The receiver takes the media list and then the CharacterData in 64 KiB pieces, and unpacks
// it into Data Files; each iteration first times `bzip2 -d` on the same stream. Peak memory
// is the receiver's alone.
void BM_UnpackCharacterData(benchmark::State& state) {
  static PackedCharacter packed;
  const std::string stream = "'" + packed.stream.string() + "'";
  const std::string decode = "bzip2 -d -c " + stream + " > " + stream + ".out";
  double bzip2Seconds = 0;
  double receiveSeconds = 0;
  long peak = 0;
  for (auto _ : state) {
    const double decodeTime = TimedCommand(decode);
    if (decodeTime < 0) {
      state.SkipWithError("bzip2 -d failed");
      break;
    }
    bzip2Seconds += decodeTime;
    fs::remove(packed.stream.string() + ".out");

    Side side;
    side.receiver.SetWorkers(static_cast<int>(state.range(0)));
    ResetPeak();
    const auto start = std::chrono::steady_clock::now();
    side.receiver.ProcessArrival(static_cast<char>(255) + MediaListMessage(packed.media));
    side.receiver.ProcessArrival(packed.head);
    std::ifstream in(packed.stream, std::ios::binary);
    ByteString piece(kPiece, '\0');
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
      side.receiver.ProcessArrival(piece.substr(0, static_cast<size_t>(in.gcount())));
    }
    const double seconds = Seconds(start);
    peak = std::max(peak, PeakKiB());
    state.SetIterationTime(seconds);
    receiveSeconds += seconds;
    std::error_code ec;
    const fs::path last = side.folder.path / "game" / "Data Files" / "Textures" / "bench" /
                          ("tex_" + std::to_string(kMediaFiles - 1) + ".dds");
    if (fs::file_size(last, ec) != kMediaFileSize) {
      state.SkipWithError("unpacking incomplete");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMediaFiles * kMediaFileSize));
  state.counters["bzip2_d_s"] = bzip2Seconds / static_cast<double>(state.iterations());
  state.counters["ratio_to_bzip2_d"] = bzip2Seconds > 0 ? receiveSeconds / bzip2Seconds : 0;
  state.counters["peak_MB"] = static_cast<double>(peak) / 1024.0;
}

BENCHMARK(BM_PlainFileWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReceiveCharacterBody)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UnpackCharacterData)->Apply(OnOneAndTwoThreads);

}  // namespace

QUIB_BENCHMARK_MAIN_WITH_BASELINE("BM_PlainFileWrite")
