#include "platform/win/winsock.h"

#include <winsock2.h>

bool StartWinsock() {
  // Once per process, however many threads ask; never cleaned up, as the program ends with it.
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}
