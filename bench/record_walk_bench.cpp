// The record walk over a synthetic plug-in of 200+ MB against a plain sequential read of the
// same file. The walk yields to a stand-in window after every record, as it does in the
// program.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "bench_ui.h"
#include "fixtures/tes3_writer.h"
#include "ratio_reporter.h"
#include "records/record_file.h"

namespace {

namespace fs = std::filesystem;
using tes3::Record;
using tes3::Sub;

const fs::path& PluginPath() {
  static const fs::path path = [] {
    const fs::path p =
        fs::temp_directory_path() / ("quib-walk-bench-" + std::to_string(getpid()) + ".esp");
    std::ofstream out(p, std::ios::binary);
    out << Record("TES3", {Sub("HEDR", ByteString(300, '\0'))});
    // Records of typical plug-in sizes: 60 to 700 bytes.
    size_t written = 0;
    for (int i = 0; written < (210u << 20); ++i) {
      const std::string id = "item_" + std::to_string(i) + '\0';
      const ByteString r =
          Record(i % 3 ? "MISC" : "WEAP", {Sub("NAME", id), Sub("MODL", tes3::Z("m\\item.nif")),
                                           Sub("DATA", ByteString(40 + (i * 37) % 600, 'x'))});
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
  BenchUi ui;
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
