// A whole transfer of 200 MiB of media between two programs over a loopback TCP connection,
// on 1 and 2 threads a side, against the codec on its own on the same bytes: the system's
// `bzip2 -7` then `bunzip2`, and the parallel `lbzip2 -7 -n <threads>` both ways.
// Each side of the transfer runs in a process of its own, so each reports its own peak
// memory. Run from the release build: build/release/bench/transfer_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench_ui.h"
#include "bridge/relay_tables.h"
#include "commands/relay_receiver.h"
#include "core/app_paths.h"
#include "core/name_generator.h"
#include "core/peer_sender.h"
#include "core/ui.h"
#include "fixtures/arena_template.h"
#include "link/outgoing_queue.h"
#include "media/collect_media.h"
#include "media_bytes.h"
#include "net/media_list.h"
#include "net/receiver.h"
#include "peak_memory.h"
#include "records/record_file.h"
#include "timing.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kFiles = 50;
constexpr size_t kFileSize = 4u << 20;  // 50 x 4 MiB = 200 MiB
constexpr size_t kArrival = 64 * 1024;  // what one read from the socket takes at most

std::string TextureName(size_t i) { return "Textures\\bench\\tex_" + std::to_string(i) + ".dds"; }

// The sender's game folder with the media, plus the same bytes as one file for the codec.
struct World {
  fs::path root;
  World() {
    std::string pattern = (fs::temp_directory_path() / "quib-transfer-bench-XXXXXX").string();
    root = mkdtemp(pattern.data());
    fs::create_directories(root / "a" / "Data Files" / "Textures" / "bench");
    std::ofstream all(root / "all.bin", std::ios::binary);
    std::string piece(1 << 20, '\0');
    size_t n = 0;
    for (size_t i = 0; i < kFiles; ++i) {
      std::ofstream file(
          root / "a" / "Data Files" / "Textures" / "bench" / ("tex_" + std::to_string(i) + ".dds"),
          std::ios::binary);
      for (size_t done = 0; done < kFileSize; done += piece.size()) {
        FillPiece(piece, n++);
        file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        all.write(piece.data(), static_cast<std::streamsize>(piece.size()));
      }
    }
  }
  ~World() { fs::remove_all(root); }
};

World& TheWorld() {
  static World world;
  return world;
}

// One end of the connection, as the peer link drives it: arrivals are read in pieces and
// handed to the receiver, never while the receiver is running (it may yield); sends are
// queued and written as the socket takes them.
class SocketPeer : public PeerSender, public BenchUi {
 public:
  explicit SocketPeer(int fd) : fd_(fd) { ::fcntl(fd_, F_SETFL, O_NONBLOCK); }

  bool IsConnected() const override { return !closed_; }
  void Send(const ByteString& bytes) override {
    if (!closed_) queue_.Push(bytes);
  }
  void SendLong(std::unique_ptr<MessageSource> message) override {
    if (!closed_) queue_.Push(std::move(message));
  }
  int64_t BytesToWrite() const {
    return static_cast<int64_t>(out_.size() - sent_ + queue_.Waiting());
  }

  // One turn of the loop: waits up to `timeoutMs` for the socket, writes what it takes and,
  // when `mayRead`, hands what arrived to `arrival`.
  void Turn(int timeoutMs, bool mayRead) {
    pollfd p{fd_, static_cast<short>((mayRead ? POLLIN : 0) | (BytesToWrite() ? POLLOUT : 0)), 0};
    if (closed_ || p.events == 0 || ::poll(&p, 1, timeoutMs) <= 0) return;
    if (p.revents & POLLOUT) Write();
    if (mayRead && (p.revents & (POLLIN | POLLHUP | POLLERR))) Read();
  }

  std::function<void(const ByteString&)> arrival;
  bool closed_ = false;
  bool idle = false;

  // Ui: quiet, except that a yield lets the socket write (as the window's event loop would).
  void IdleState() override { idle = true; }
  void YieldToEventLoop() override { Turn(BytesToWrite() > 0 ? 50 : 0, false); }

 private:
  void Write() {
    for (;;) {
      if (sent_ == out_.size()) {  // what has gone out is dropped, as a socket's buffer does
        bool failed = false;
        out_ = queue_.Take(1 << 20, failed);
        sent_ = 0;
        closed_ = closed_ || failed;
        if (out_.empty()) return;
      }
      const ssize_t n = ::send(fd_, out_.data() + sent_, out_.size() - sent_, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      if (n <= 0) {
        closed_ = true;
        return;
      }
      sent_ += static_cast<size_t>(n);
    }
  }
  void Read() {
    ByteString piece(kArrival, '\0');
    // As the peer link does: drain what is there, one arrival per read.
    for (int reads = 0; reads < 64 && !closed_; ++reads) {
      const ssize_t n = ::recv(fd_, piece.data(), piece.size(), 0);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      if (n <= 0) {
        closed_ = true;
        return;
      }
      arrival(piece.substr(0, static_cast<size_t>(n)));
    }
  }

  int fd_;
  OutgoingQueue queue_;
  ByteString out_;  // taken from the queue, being written
  size_t sent_ = 0;
};

// One program: its folders and state, talking over `fd`.
struct Side {
  AppPaths paths;
  MediaList media;
  RelayTables relay;
  NameGenerator names;
  SocketPeer link;
  RelayReceiver relayReceiver{paths, relay};
  Receiver receiver{paths, media, relayReceiver, names, link, link};

  Side(const fs::path& folder, int fd, int workers) : link(fd) {
    receiver.SetWorkers(workers);
    paths.GameDir = (folder / "game").string();
    paths.ProgramDir = (folder / "program").string();
    fs::create_directories(folder / "program");
    link.arrival = [this](const ByteString& bytes) { receiver.ProcessArrival(bytes); };
  }
};

// The sender: announces the character and lists its media, then serves the requests until
// the receiver hangs up.
void RunSender(const fs::path& folder, int fd, int workers) {
  Side a(folder, fd, workers);
  a.paths.GameDir = (TheWorld().root / "a").string();
  a.media.ArenaPlugin = ArenaTemplateBytes();
  a.media.MediaNames = {"arena.esp"};
  a.media.MediaSizes = {static_cast<int32_t>(a.media.ArenaPlugin.size())};
  for (size_t i = 0; i < kFiles; ++i) {
    a.media.MediaNames.push_back(TextureName(i));
    a.media.MediaSizes.push_back(static_cast<int32_t>(kFileSize));
  }
  ByteString start(1, static_cast<char>(255));
  start += MediaListMessage(a.media);
  a.link.Send(start);
  while (!a.link.closed_) a.link.Turn(1000, true);
}

// The receiver: takes everything until it is idle again, then hangs up.
bool RunReceiver(const fs::path& folder, int fd, int workers) {
  Side b(folder, fd, workers);
  fs::create_directories(folder / "game" / "Data Files");
  while (!b.link.idle && !b.link.closed_) b.link.Turn(1000, true);
  for (size_t i = 0; i < kFiles; ++i) {
    std::error_code ec;
    const auto size = fs::file_size(folder / "game" / "Data Files" / "Textures" / "bench" /
                                        ("tex_" + std::to_string(i) + ".dds"),
                                    ec);
    if (ec || size != kFileSize) return false;
  }
  return fs::file_size(folder / "game" / "Data Files" / "arena.esp") == ArenaTemplateBytes().size();
}

// A connected pair of loopback TCP sockets.
bool SocketPair(int fds[2]) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener, 1) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
    ::close(listener);
    return false;
  }
  fds[0] = ::socket(AF_INET, SOCK_STREAM, 0);
  const bool ok = ::connect(fds[0], reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                  (fds[1] = ::accept(listener, nullptr, nullptr)) >= 0;
  ::close(listener);
  return ok;
}

// Runs `side` in a child process; its result and peak memory come back through a pipe.
pid_t Spawn(const std::function<bool()>& side, int& resultFd) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    ResetPeak();
    const long report[2] = {side() ? 1 : 0, PeakKiB()};
    if (::write(pipeFds[1], report, sizeof report) < 0) _exit(2);
    _exit(0);
  }
  ::close(pipeFds[1]);
  resultFd = pipeFds[0];
  return pid;
}

bool Collect(pid_t pid, int fd, long& peakKiB) {
  long report[2] = {0, -1};
  const bool read = ::read(fd, report, sizeof report) == sizeof report;
  ::close(fd);
  int status = 0;
  ::waitpid(pid, &status, 0);
  peakKiB = report[1];
  return read && report[0] == 1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One whole transfer between two processes; false when B did not end with every file.
bool Transfer(const fs::path& a, const fs::path& b, int workers, long& peakA, long& peakB) {
  int fds[2];
  if (!SocketPair(fds)) return false;
  int resultA = -1;
  int resultB = -1;
  const pid_t sender = Spawn(
      [&] {
        ::close(fds[1]);
        RunSender(a, fds[0], workers);
        return true;
      },
      resultA);
  const pid_t receiver = Spawn(
      [&] {
        ::close(fds[0]);
        return RunReceiver(b, fds[1], workers);
      },
      resultB);
  ::close(fds[0]);
  ::close(fds[1]);
  const bool okB = Collect(receiver, resultB, peakB);
  const bool okA = Collect(sender, resultA, peakA);
  return okA && okB;
}

// Each iteration runs the codec's own programs on the same bytes (bzip2 -7 then bunzip2, and
// lbzip2 with as many threads as the transfer, through files), then the transfer, so all see
// the same load on a shared machine. The reported time is the transfer's; the counters
// compare it with the programs.
void BM_LoopbackTransfer(benchmark::State& state) {
  World& world = TheWorld();
  const int workers = static_cast<int>(state.range(0));
  const std::string all = "'" + (world.root / "all.bin").string();
  const std::string codec = "bzip2 -7 -c " + all + "' > " + all + ".bz2' && bunzip2 -c " + all +
                            ".bz2' > " + all + ".out'";
  const std::string n = std::to_string(workers);
  const std::string parallel = "lbzip2 -7 -n " + n + " -c " + all + "' > " + all +
                               ".bz2' && lbzip2 -d -n " + n + " -c " + all + ".bz2' > " + all +
                               ".out'";
  double codecSeconds = 0;
  double lbzip2Seconds = 0;
  double transferSeconds = 0;
  long peakA = 0;
  long peakB = 0;
  for (auto _ : state) {
    const double codecTime = TimedCommand(codec);
    const double lbzip2Time = TimedCommand(parallel);
    if (codecTime < 0 || lbzip2Time < 0) {
      state.SkipWithError("bzip2 or lbzip2 failed");
      break;
    }
    codecSeconds += codecTime;
    lbzip2Seconds += lbzip2Time;
    std::error_code ec;
    fs::remove(world.root / "all.bin.bz2", ec);
    fs::remove(world.root / "all.bin.out", ec);

    const auto start = std::chrono::steady_clock::now();
    const bool ok = Transfer(world.root / "run-a", world.root / "run-b", workers, peakA, peakB);
    const double seconds = Seconds(start);
    state.SetIterationTime(seconds);
    transferSeconds += seconds;
    fs::remove_all(world.root / "run-a", ec);
    fs::remove_all(world.root / "run-b", ec);
    if (!ok) {
      state.SkipWithError("transfer incomplete");
      break;
    }
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFiles * kFileSize));
  state.counters["codec_s"] = codecSeconds / iterations;
  state.counters["lbzip2_s"] = lbzip2Seconds / iterations;
  state.counters["ratio_to_codec"] = codecSeconds > 0 ? transferSeconds / codecSeconds : 0;
  state.counters["ratio_to_lbzip2"] = lbzip2Seconds > 0 ? transferSeconds / lbzip2Seconds : 0;
  state.counters["sender_peak_MB"] = static_cast<double>(peakA) / 1024.0;
  state.counters["receiver_peak_MB"] = static_cast<double>(peakB) / 1024.0;
}

}  // namespace

BENCHMARK(BM_LoopbackTransfer)->Apply(OnOneAndTwoThreads);

BENCHMARK_MAIN();
