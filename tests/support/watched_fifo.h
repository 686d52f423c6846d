#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

// A FIFO on a short path (a character's name holds 31 letters) that Markup() names as an
// image, and a thread that counts the readers opening it and lets each go at once (a writer
// that opens and closes gives it end of file) where it would otherwise wait for ever.
struct WatchedFifo {
  WatchedFifo() {
    char folder[] = "/tmp/quibXXXXXX";
    if (!mkdtemp(folder) || mkfifo((Path = std::string(folder) + "/f").c_str(), 0600) != 0) return;
    Watch = std::jthread([this](std::stop_token stop) {
      for (; !stop.stop_requested(); usleep(2000))
        if (const int end = open(Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); end >= 0)
          ++Readers, close(end);
    });
  }
  ~WatchedFifo() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(Path).parent_path(), ec);
  }
  std::string Markup() const { return "<img src=" + Path + ">"; }

  std::string Path;
  std::atomic<int> Readers = 0;
  std::jthread Watch;  // stopped and joined first
};
