#include "win/winsock_socket_layer.h"

#include <windows.h>

#include <chrono>

#include "support/socket_layer_contract.h"

namespace {

struct WinsockFront {
  using Sockets = WinsockSocketLayer;
  // Runs the thread's message loop.
  static bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      MSG message;
      if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return true;
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Winsock, SocketLayerContract, WinsockFront);

}  // namespace
