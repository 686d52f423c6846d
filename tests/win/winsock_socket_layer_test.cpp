#include "win/winsock_socket_layer.h"

#include <windows.h>

#include <chrono>

#include "support/socket_layer_contract.h"
#include "win/message_loop.h"

namespace {

struct WinsockFront {
  using Sockets = WinsockSocketLayer;
  // Runs the program's message loop.
  static bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (; !condition(); HandleWaitingMessages()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return true;
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Winsock, SocketLayerContract, WinsockFront);

}  // namespace
