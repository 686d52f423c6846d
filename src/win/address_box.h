#pragma once

#include <windows.h>

#include <string>

// The rules of one of the four peer address boxes (Text1..Text4) on an EDIT control: it keeps
// the canonical text of the number it reads as, moves the focus on after a fourth character
// or the main keyboard's period key, and clamps the octet when the focus leaves it for
// another control of the window. Enter presses nothing; in the last box it moves the focus on.
class AddressBox {
 public:
  // `successor` takes the focus after this box (the next box, or Command1 after Text4).
  AddressBox(HWND edit, HWND successor, bool enterMovesFocus);
  ~AddressBox();
  AddressBox(const AddressBox&) = delete;
  AddressBox& operator=(const AddressBox&) = delete;

  HWND Edit() const { return edit_; }
  // The edit's text changed (EN_CHANGE, which goes to its parent).
  void OnChange();

 private:
  static LRESULT CALLBACK Subclass(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR self);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void SetText(const std::string& text);

  HWND edit_;
  HWND successor_;
  bool enterMovesFocus_;
  bool changing_ = false;
};
