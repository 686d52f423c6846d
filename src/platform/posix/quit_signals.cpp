#include "platform/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

int writeEnd = -1;
constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnQuitSignal(int) {
  const int saved = errno;
  // The program ends on this one as soon as its loop runs; should it not, the next quit
  // signal ends it at once (the system's own action, without any clean-up).
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  for (const int signal : kQuitSignals) sigaction(signal, &standard, nullptr);
  const char byte = 1;
  // A full pipe already tells that a signal is waiting.
  [[maybe_unused]] ssize_t n = write(writeEnd, &byte, 1);
  errno = saved;
}

}  // namespace

int WatchQuitSignals() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  writeEnd = ends[1];
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kQuitSignals) sigaction(signal, &action, nullptr);
  return ends[0];
}

void DrainQuitSignals(int descriptor) {
  char bytes[64];
  while (read(descriptor, bytes, sizeof bytes) > 0) {
  }
}
