#include "win/savegame_chooser.h"

#include "core/ui.h"
#include "front/chooser_design.h"
#include "front/main_window_design.h"
#include "front/savegame_list.h"
#include "win/shown_text.h"

namespace {

constexpr int kFile1Id = 100;
constexpr UINT_PTR kTimer1 = 1;

}  // namespace

SavegameChooser::SavegameChooser(HWND owner, Ui& ui, const std::string& gameDir, double scale,
                                 std::function<void(const std::string&)> onChosen,
                                 std::function<void()> onClosed)
    : ui_(ui), onChosen_(std::move(onChosen)), onClosed_(std::move(onClosed)), scale_(scale) {
  Create(L"QuibSavegameChooser", ShownText(kSavegameChooserTitle), WS_OVERLAPPEDWINDOW, owner);
  if (!Handle()) return;
  file1_ = MakeControl(Handle(), L"LISTBOX", L"",
                       WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                       kFile1Id, WS_EX_CLIENTEDGE);
  // Enter presses Ok, Esc Cancel.
  cmdOk_ = MakeControl(Handle(), L"BUTTON", L"Ok", WS_VISIBLE | WS_TABSTOP, IDOK);
  cmdCancel_ = MakeControl(Handle(), L"BUTTON", L"Cancel", WS_VISIBLE | WS_TABSTOP, IDCANCEL);
  StackInOrder({file1_, cmdOk_, cmdCancel_});
  for (const std::string& name : ListSavegames(gameDir)) {
    const std::wstring wide = ShownText(name);
    SendMessageW(file1_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }

  SetDpi(WindowDpi(Handle()));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE));
  const SIZE outer =
      OuterSize(Pixels(kSavegameChooserWidth), Pixels(kSavegameChooserHeight), style, 0, dpi_);
  SetWindowPos(Handle(), nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER);
  ShowWindow(Handle(), SW_SHOW);
  // A key pressed right away moves in the list.
  SetFocus(file1_);
  // Brought to the front once more after a moment (the main window may have covered it).
  SetTimer(Handle(), kTimer1, 200, nullptr);
}

int SavegameChooser::Pixels(double twips) const { return TwipsToPixels(twips, dpi_, scale_); }

double SavegameChooser::Twips(int pixels) const { return PixelsToTwips(pixels, dpi_, scale_); }

void SavegameChooser::SetDpi(unsigned dpi) {
  dpi_ = dpi;
  LOGFONTW logFont = MessageFontAt(dpi);
  font_.reset(CreateFontIndirectW(&logFont));
  for (HWND control : {file1_, cmdOk_, cmdCancel_}) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  }
}

void SavegameChooser::Place(HWND control, const TwipsRect& place) const {
  MoveWindow(control, Pixels(place.Left), Pixels(place.Top), Pixels(place.Width),
             Pixels(place.Height), TRUE);
}

void SavegameChooser::PlaceControls(int width, int height) {
  const double w = Twips(width), h = Twips(height);
  const ChooserButtons buttons = ChooserButtonsIn(w, h);
  Place(file1_, SavegameListIn(w, h));
  Place(cmdOk_, buttons.Ok);
  Place(cmdCancel_, buttons.Cancel);
}

void SavegameChooser::Ok() {
  const LRESULT row = SendMessageW(file1_, LB_GETCURSEL, 0, 0);
  if (row != LB_ERR && SendMessageW(file1_, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0) > 0) {
    return Choose(static_cast<int>(row));
  }
  ui_.ShowMessage(kNoSavegameChosenText, "error", MessageIcon::Information);
}

void SavegameChooser::Choose(int row) {
  const LRESULT length = SendMessageW(file1_, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
  if (length == LB_ERR) return;
  std::wstring name(static_cast<size_t>(length) + 1, L'\0');
  name.resize(static_cast<size_t>(SendMessageW(file1_, LB_GETTEXT, static_cast<WPARAM>(row),
                                               reinterpret_cast<LPARAM>(name.data()))));
  onChosen_(Utf8FromWide(name));
  Close();
}

void SavegameChooser::Close() {
  std::function<void()> closed = std::move(onClosed_);
  Destroy();
  if (closed) closed();  // may delete this
}

LRESULT SavegameChooser::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        Ok();
      } else if (LOWORD(wParam) == IDCANCEL) {
        Close();
      } else if (LOWORD(wParam) == kFile1Id && HIWORD(wParam) == LBN_DBLCLK) {
        const LRESULT row = SendMessageW(file1_, LB_GETCURSEL, 0, 0);
        if (row != LB_ERR) Choose(static_cast<int>(row));
      }
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_TIMER:
      KillTimer(Handle(), kTimer1);
      SetForegroundWindow(Handle());
      return 0;
    case WM_SIZE:
      PlaceControls(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_GETMINMAXINFO: {
      // Large enough that the resize rule never gives negative sizes.
      const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE));
      const SIZE least = OuterSize(Pixels(kChooserLeastWidth), Pixels(kSavegameChooserLeastHeight),
                                   style, 0, dpi_);
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {least.cx, least.cy};
      return 0;
    }
    case WM_DPICHANGED: {
      SetDpi(HIWORD(wParam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(Handle(), nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      break;
  }
  return OwnWindow::OnMessage(message, wParam, lParam);
}
