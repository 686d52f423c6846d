#include "win/own_window.h"

namespace {

// The program's icon in quib.rc.
constexpr int kIconResource = 1;

void RegisterOnce(const wchar_t* className, WNDPROC procedure) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW known = {};
  known.cbSize = sizeof known;
  if (GetClassInfoExW(instance, className, &known)) return;
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = className;
  const auto icon = [instance](int metric) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                         GetSystemMetrics(metric), GetSystemMetrics(metric), 0));
  };
  windowClass.hIcon = icon(SM_CXICON);
  windowClass.hIconSm = icon(SM_CXSMICON);
  RegisterClassExW(&windowClass);
}

}  // namespace

OwnWindow::~OwnWindow() { Destroy(); }

void OwnWindow::Raise() const {
  if (!window_) return;
  ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window_);
}

void OwnWindow::Create(const wchar_t* className, const std::wstring& title, DWORD style,
                       HWND owner) {
  RegisterOnce(className, &OwnWindow::Procedure);
  CreateWindowExW(WS_EX_CONTROLPARENT, className, title.c_str(), style, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                  GetModuleHandleW(nullptr), this);
}

void OwnWindow::Destroy() {
  if (!window_) return;
  HWND window = window_;
  window_ = nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

void OwnWindow::RestoreFocus() {
  const bool usable = focus_ && IsWindow(focus_) && IsWindowVisible(focus_) &&
                      IsWindowEnabled(focus_) && IsChild(window_, focus_);
  const HWND target = usable ? focus_ : GetNextDlgTabItem(window_, nullptr, FALSE);
  if (target) SetFocus(target);
}

LRESULT OwnWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE) {
    // A window that is not a dialog keeps no focus of its own.
    if (LOWORD(wParam) == WA_INACTIVE) {
      const HWND focus = GetFocus();
      if (focus && IsChild(window_, focus)) focus_ = focus;
    } else if (!HIWORD(wParam)) {
      RestoreFocus();
    }
    return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK OwnWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<OwnWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<OwnWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    self->window_ = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  // The object may be gone when this returns (a handler that closed the window for good).
  return self->OnMessage(message, wParam, lParam);
}

HWND MakeControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                 int id, DWORD exStyle) {
  return CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0,
                         0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

void StackInOrder(const std::vector<HWND>& controls) {
  HWND above = HWND_TOP;
  for (HWND control : controls) {
    SetWindowPos(control, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = control;
  }
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}
