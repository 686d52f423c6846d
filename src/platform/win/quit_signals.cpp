#include "platform/quit_signals.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

int writeEnd = -1;

// Ctrl+C, Ctrl+Break, the console window closing, logging off and shutting down. The handler
// runs on a thread of its own; the byte wakes the window, and the system waits for the
// window to close as long as the handler has not returned, so it returns at once.
BOOL WINAPI OnQuitEvent(DWORD) {
  const char byte = 1;
  _write(writeEnd, &byte, 1);
  return TRUE;
}

}  // namespace

int WatchQuitSignals() {
  int ends[2];
  if (_pipe(ends, 64, _O_BINARY | _O_NOINHERIT) != 0) return -1;
  writeEnd = ends[1];
  if (!SetConsoleCtrlHandler(OnQuitEvent, TRUE)) return -1;
  return ends[0];
}

void DrainQuitSignals(int descriptor) {
  // A read from an empty pipe would wait: read only what has arrived.
  const HANDLE pipe = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  DWORD waiting = 0;
  char bytes[64];
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
    if (_read(descriptor, bytes, sizeof bytes) <= 0) break;
  }
}
