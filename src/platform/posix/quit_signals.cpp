#include "platform/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace {

int writeEnd = -1;

void OnQuitSignal(int) {
  const int saved = errno;
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
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
  return ends[0];
}

void DrainQuitSignals(int descriptor) {
  char bytes[64];
  while (read(descriptor, bytes, sizeof bytes) > 0) {
  }
}
