#include "win/address_box.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "core/octet_text.h"
#include "platform/win/wide_text.h"
#include "win/own_window.h"

AddressBox::AddressBox(HWND edit, HWND successor, bool enterMovesFocus)
    : edit_(edit), successor_(successor), enterMovesFocus_(enterMovesFocus) {
  SetWindowSubclass(edit_, &AddressBox::Subclass, 0, reinterpret_cast<DWORD_PTR>(this));
}

AddressBox::~AddressBox() { RemoveWindowSubclass(edit_, &AddressBox::Subclass, 0); }

void AddressBox::SetText(const std::string& text) {
  SetWindowTextW(edit_, WideFromUtf8(text).value_or(L"").c_str());
}

void AddressBox::OnChange() {
  // Setting the text from here reports a change again; the loop below finishes the work.
  if (changing_) return;
  changing_ = true;
  const std::string text = Utf8FromWide(WindowText(edit_));
  const TypedOctet shown = AfterTyping(text);
  if (shown.Text != text) SetText(shown.Text);
  const int end = GetWindowTextLengthW(edit_);
  SendMessageW(edit_, EM_SETSEL, end, end);
  changing_ = false;
  if (shown.MovesOn) SetFocus(successor_);
}

LRESULT CALLBACK AddressBox::Subclass(HWND, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR self) {
  return reinterpret_cast<AddressBox*>(self)->OnMessage(message, wParam, lParam);
}

LRESULT AddressBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE: {
      // Enter comes to the box instead of pressing a button of the window.
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      const LRESULT code = DefSubclassProc(edit_, message, wParam, lParam);
      if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
        return code | DLGC_WANTALLKEYS;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        if (enterMovesFocus_) SetFocus(successor_);
        return 0;
      }
      // The main keyboard's period key moves on (the keypad's decimal key does not); its
      // character still arrives in this box, where the change handling removes it.
      if (wParam == VK_OEM_PERIOD) SetFocus(successor_);
      break;
    case WM_CHAR:
      if (wParam == L'\r' || wParam == L'\n') return 0;  // no beep
      break;
    case WM_SETFOCUS: {
      const LRESULT result = DefSubclassProc(edit_, message, wParam, lParam);
      // The octet is selected, so typing replaces it.
      SendMessageW(edit_, EM_SETSEL, 0, std::min(3, GetWindowTextLengthW(edit_)));
      return result;
    }
    case WM_KILLFOCUS: {
      const LRESULT result = DefSubclassProc(edit_, message, wParam, lParam);
      // Switching to another window (another program, a message box) does not leave the box.
      const HWND next = reinterpret_cast<HWND>(wParam);
      if (next && GetParent(next) == GetParent(edit_)) {
        const std::string text = Utf8FromWide(WindowText(edit_));
        const std::string clamped = ClampedOctetText(text);
        if (clamped != text) SetText(clamped);
      }
      return result;
    }
    default:
      break;
  }
  return DefSubclassProc(edit_, message, wParam, lParam);
}
