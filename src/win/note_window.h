#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/ui.h"
#include "win/dpi.h"
#include "win/own_window.h"

// A small window with an icon, a text shown as typed and a row of buttons, left open while
// the program goes on (the system's message box would run a loop of its own until closed).
// `onClose` hears which button closed it (0 for the first), or -1 when it was closed
// otherwise; destroying the object closes the window unheard.
class NoteWindow : public OwnWindow {
 public:
  // `systemIcon`: one of the system's icons (IDI_INFORMATION, IDI_QUESTION...), or null.
  // `cascade`: the box's step down and right of the middle, a caption's height each, so boxes
  // open at once do not hide one another.
  NoteWindow(HWND owner, const std::string& text, const std::string& title,
             const wchar_t* systemIcon, const std::vector<std::string>& buttons,
             std::function<void(int button)> onClose, int cascade = 0);

  const std::string& Text() const { return text_; }
  const std::string& Title() const { return title_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void LayOut(unsigned dpi);
  void Finish(int button);

  std::string text_, title_;
  const wchar_t* iconName_;
  struct IconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
  };
  std::unique_ptr<HICON__, IconDeleter> icon_;
  int iconSize_ = 0;
  unsigned dpi_ = kBaseDpi;
  HWND label_ = nullptr;
  std::vector<HWND> buttons_;
  GdiObject<HFONT> font_;
  std::function<void(int)> onClose_;
};

// The system's icon for a message box's icon; null for none.
const wchar_t* SystemIconOf(MessageIcon icon);
