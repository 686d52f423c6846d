#pragma once

// SIGTERM, SIGINT and SIGHUP (a desktop logging out) as an event: after the call, the first
// of them makes the returned descriptor readable instead of killing the program, so the window
// can close as if the player had closed it; any later one kills the program at once. -1 when
// the signals cannot be caught. On Windows the console's events (Ctrl+C, Ctrl+Break, closing,
// logging off, shutting down) do the same to a C runtime pipe's descriptor.
int WatchQuitSignals();
// Empties the descriptor after a signal was seen.
void DrainQuitSignals(int descriptor);
