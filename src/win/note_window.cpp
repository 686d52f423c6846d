#include "win/note_window.h"

#include <commctrl.h>

#include <algorithm>

#include "win/shown_text.h"
#include "win/text_fit.h"

namespace {

constexpr int kFirstButtonId = 100;

}  // namespace

const wchar_t* SystemIconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return IDI_INFORMATION;
    case MessageIcon::Exclamation:
      return IDI_WARNING;
    case MessageIcon::Critical:
      return IDI_ERROR;
    case MessageIcon::None:
      break;
  }
  return nullptr;
}

NoteWindow::NoteWindow(HWND owner, const std::string& text, const std::string& title,
                       const wchar_t* systemIcon, const std::vector<std::string>& buttons,
                       std::function<void(int)> onClose, int cascade)
    : text_(text), title_(title), iconName_(systemIcon), onClose_(std::move(onClose)) {
  Create(L"QuibNote", ShownText(title), WS_POPUP | WS_CAPTION | WS_SYSMENU, owner);
  if (!Handle()) return;
  label_ = MakeControl(Handle(), L"STATIC", ShownText(text),
                       WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, -1);
  for (size_t i = 0; i < buttons.size(); ++i) {
    const DWORD style = WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    buttons_.push_back(MakeControl(Handle(), L"BUTTON", ShownText(buttons[i]), style,
                                   kFirstButtonId + static_cast<int>(i)));
  }
  StackInOrder(buttons_);
  const unsigned dpi = WindowDpi(owner ? owner : Handle());
  LayOut(dpi);
  // Over the middle of the owner.
  RECT outer = {}, over = {};
  GetWindowRect(Handle(), &outer);
  if (!owner || !GetWindowRect(owner, &over)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
  }
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  const int step = cascade * SystemMetricAt(SM_CYCAPTION, dpi);
  SetWindowPos(Handle(), nullptr, (over.left + over.right - width) / 2 + step,
               (over.top + over.bottom - height) / 2 + step, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(Handle(), SW_SHOW);
}

void NoteWindow::LayOut(unsigned dpi) {
  dpi_ = dpi;
  LOGFONTW logFont = MessageFontAt(dpi);
  font_.reset(CreateFontIndirectW(&logFont));
  SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  for (HWND button : buttons_) {
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }

  icon_.reset();
  iconSize_ = 0;
  if (iconName_) {
    iconSize_ = SystemMetricAt(SM_CXICON, dpi);
    // The system's icon drawn at this size (common controls 6), else its usual one scaled.
    using LoadIconCall = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    const auto load = reinterpret_cast<LoadIconCall>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "LoadIconWithScaleDown")));
    HICON icon = nullptr;
    if (!load || FAILED(load(nullptr, iconName_, iconSize_, iconSize_, &icon))) {
      icon = CopyIcon(LoadIconW(nullptr, iconName_));
    }
    icon_.reset(icon);
  }

  const int margin = ScaledPixels(11, dpi), gap = ScaledPixels(7, dpi);
  const ControlCanvas canvas(label_);
  const HDC dc = canvas.Dc();
  const std::wstring text = WindowText(label_);
  RECT textRect = {0, 0, ScaledPixels(400, dpi), 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_EDITCONTROL);
  // A long text is cut rather than making a box taller than a screen.
  textRect.bottom = std::min<LONG>(textRect.bottom, ScaledPixels(500, dpi));
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  int buttonWidth = ScaledPixels(75, dpi);
  for (HWND button : buttons_) {
    const std::wstring caption = WindowText(button);
    SIZE size = {};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    buttonWidth = std::max<int>(buttonWidth, size.cx + 2 * margin);
  }

  const int buttonHeight = std::max<int>(ScaledPixels(23, dpi), metrics.tmHeight + 2 * gap);
  const int textLeft = iconSize_ ? margin + iconSize_ + margin : margin;
  const int contentHeight = std::max<int>(iconSize_, textRect.bottom);
  const int buttonsWidth = static_cast<int>(buttons_.size()) * (buttonWidth + gap) - gap;
  const int width = std::max<int>(textLeft + textRect.right + margin, buttonsWidth + 2 * margin);
  const int buttonsTop = margin + contentHeight + margin;
  const int height = buttonsTop + buttonHeight + margin;

  MoveWindow(label_, textLeft, margin + (contentHeight - textRect.bottom) / 2, textRect.right,
             textRect.bottom, FALSE);
  int left = width - margin - buttonsWidth;
  for (HWND button : buttons_) {
    MoveWindow(button, left, buttonsTop, buttonWidth, buttonHeight, FALSE);
    left += buttonWidth + gap;
  }
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE));
  const SIZE outer = OuterSize(width, height, style, 0, dpi);
  SetWindowPos(Handle(), nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void NoteWindow::Finish(int button) {
  std::function<void(int)> done = std::move(onClose_);
  Destroy();
  if (done) done(button);  // may delete this
}

LRESULT NoteWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id >= kFirstButtonId && id < kFirstButtonId + static_cast<int>(buttons_.size())) {
        Finish(id - kFirstButtonId);
      } else if (id == IDCANCEL) {
        Finish(-1);
      }
      return 0;
    }
    case DM_GETDEFID: {
      // Enter presses the button with the focus, else the first.
      int id = kFirstButtonId;
      for (size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i] == GetFocus()) id = kFirstButtonId + static_cast<int>(i);
      }
      return MAKELRESULT(id, DC_HASDEFID);
    }
    case WM_CLOSE:
      Finish(-1);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Handle(), &paint);
      if (icon_) {
        const int margin = ScaledPixels(11, dpi_);
        DrawIconEx(dc, margin, margin, icon_.get(), iconSize_, iconSize_, 0, nullptr, DI_NORMAL);
      }
      EndPaint(Handle(), &paint);
      return 0;
    }
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      LayOut(HIWORD(wParam));
      SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      break;
  }
  return OwnWindow::OnMessage(message, wParam, lParam);
}
