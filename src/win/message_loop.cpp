#include "win/message_loop.h"

void HandleMessage(MSG& message) {
  // The program's own windows carry WS_EX_CONTROLPARENT (OwnWindow); the sockets' hidden
  // window and the system's dialogs do not.
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root && (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
      IsDialogMessageW(root, &message)) {
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

bool HandleWaitingMessages() {
  // Messages that keep coming (a peer flooding the connection) do not hold the caller.
  constexpr int kMostMessages = 1000;
  MSG message;
  for (int i = 0; i < kMostMessages && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    HandleMessage(message);
  }
  return true;
}

int RunMessageLoop() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) HandleMessage(message);
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}
