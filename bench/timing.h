#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Runs a shell command; its time in seconds, or a negative value when it failed.
inline double TimedCommand(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  return std::system(command.c_str()) == 0 ? Seconds(start) : -1;
}

// One timed run each on 1 and 2 threads (the benchmark's argument), in seconds.
inline void OnOneAndTwoThreads(benchmark::internal::Benchmark* b) {
  b->Arg(1)->Arg(2)->ArgName("threads")->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();
}
