// The record walk over a synthetic plug-in of 200+ MB against a plain sequential read of the
// same file. The walk yields to a stand-in window after every record, as it does in the
// program (which processes events at most every ~20 ms and looks at the clock only every
// 32 calls).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/ui.h"
#include "net/bytes.h"
#include "ratio_reporter.h"
#include "records/record_file.h"

namespace {

namespace fs = std::filesystem;

class RateLimitedUi : public Ui {
 public:
  void IdleState() override {}
  void BusyState() override {}
  void ConnectedState() override {}
  void DisconnectedState() override {}
  void SetLabel3(const std::string&) override {}
  void SetLabel4(const std::string&) override {}
  double Shape1Width() const override { return 4455; }
  double Shape2Width() const override { return 4455; }
  void SetBar1Width(double) override {}
  void SetFileProgress(double twips) override { progress_ = twips; }
  int Drop1BackColor() const override { return 0; }
  void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
  void OpenSavegameChooser() override {}
  void Yield() override {
    // Like the window: look at the clock only every few calls.
    if (++calls_ % 32 != 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ >= std::chrono::milliseconds(20)) {
      last_ = now;
      ++processed_;
    }
  }

 private:
  double progress_ = 0;
  int processed_ = 0;
  unsigned calls_ = 0;
  std::chrono::steady_clock::time_point last_;
};

ByteString Sub(const std::string& tag, const ByteString& value) {
  return tag + LongToBytes(static_cast<int32_t>(value.size())) + value;
}

ByteString Record(const std::string& type, const ByteString& data) {
  return type + LongToBytes(static_cast<int32_t>(data.size())) + ByteString(8, '\0') + data;
}

const fs::path& PluginPath() {
  static const fs::path path = [] {
    const fs::path p =
        fs::temp_directory_path() / ("quib-walk-bench-" + std::to_string(getpid()) + ".esp");
    std::ofstream out(p, std::ios::binary);
    out << Record("TES3", Sub("HEDR", ByteString(300, '\0')));
    // Records of typical plug-in sizes: 60 to 700 bytes.
    size_t written = 0;
    for (int i = 0; written < (210u << 20); ++i) {
      const std::string id = "item_" + std::to_string(i) + '\0';
      const ByteString r =
          Record(i % 3 ? "MISC" : "WEAP", Sub("NAME", id) +
                                              Sub("MODL", "m\\item.nif" + std::string(1, '\0')) +
                                              Sub("DATA", ByteString(40 + (i * 37) % 600, 'x')));
      out << r;
      written += r.size();
    }
    return p;
  }();
  return path;
}

void PlainRead(benchmark::State& state) {
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    std::FILE* f = std::fopen(PluginPath().c_str(), "rb");
    size_t total = 0;
    while (size_t n = std::fread(buffer.data(), 1, buffer.size(), f)) total += n;
    std::fclose(f);
    benchmark::DoNotOptimize(total);
    state.SetBytesProcessed(state.bytes_processed() + static_cast<int64_t>(total));
  }
}

void RecordWalk(benchmark::State& state) {
  RateLimitedUi ui;
  const auto length = static_cast<int64_t>(fs::file_size(PluginPath()));
  for (auto _ : state) {
    size_t records = 0;
    WalkRecords(PluginPath(), length, ui.Shape2Width(), ui,
                [&](std::string_view, const ByteString& r) { records += r.size() > 0; });
    benchmark::DoNotOptimize(records);
    state.SetBytesProcessed(state.bytes_processed() + length);
  }
}

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(RecordWalk)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  PluginPath();
  RatioReporter reporter("PlainRead");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove(PluginPath(), ec);
  return 0;
}
