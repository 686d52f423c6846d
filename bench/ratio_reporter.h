#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

// Console output as usual, plus each benchmark's time as a ratio to a baseline benchmark of
// the same run, so figures from noisy machines stay comparable.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::string baseline) : baseline_(std::move(baseline)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      if (run.iterations > 0) seconds_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto base = seconds_.find(baseline_);
    if (base == seconds_.end() || base->second <= 0) return;
    std::printf("\nRatios to %s:\n", baseline_.c_str());
    for (const auto& [name, time] : seconds_) {
      std::printf("  %-50s %6.2f\n", name.c_str(), time / base->second);
    }
  }

 private:
  std::string baseline_;
  std::map<std::string, double> seconds_;
};

#define QUIB_BENCHMARK_MAIN_WITH_BASELINE(baseline) \
  int main(int argc, char** argv) {                 \
    benchmark::Initialize(&argc, argv);             \
    RatioReporter reporter(baseline);               \
    benchmark::RunSpecifiedBenchmarks(&reporter);   \
    benchmark::Shutdown();                          \
    return 0;                                       \
  }
