#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// Peak resident memory of this process since the last ResetPeak, in KiB (VmHWM).
inline long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// Starts the peak over from what this process holds now (a forked child inherits the
// parent's figure).
inline void ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}
