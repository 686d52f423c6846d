#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A top-level window of one of the program's own classes whose messages go to a C++ object.
// The object outlives its window: destroying the object destroys the window, and once the
// window is gone (closed by the system, or with its owner) the object only hears no more.
class OwnWindow {
 public:
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;
  virtual ~OwnWindow();

  // Null once the window is gone.
  HWND Handle() const { return window_; }
  bool IsOpen() const { return window_ != nullptr; }
  // Shows the window in front and gives it the input.
  void Raise() const;

 protected:
  OwnWindow() = default;

  // Creates the window of class `className` (registered on first use, with the program's
  // icon). Keyboard navigation between its controls works in the program's message loop.
  void Create(const wchar_t* className, const std::wstring& title, DWORD style, HWND owner);
  // Destroys the window without its messages reaching this object any more.
  void Destroy();
  // Gives the focus back to the control that had it when the window was left (at first the
  // first one the Tab key visits).
  void RestoreFocus();

  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  HWND focus_ = nullptr;
};

// A child control of `parent` at (0, 0) and no size, placed later.
HWND MakeControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                 int id, DWORD exStyle = 0);
// Makes the Tab key visit `controls` in this order (the dialog manager follows the order in
// which siblings are stacked, first is topmost).
void StackInOrder(const std::vector<HWND>& controls);
// A window's text as UTF-16.
std::wstring WindowText(HWND window);
