#pragma once

#include <windows.h>

#include <string>

#include "front/main_window_design.h"

// A device context of the control's own with the control's font selected, for measuring text.
class ControlCanvas {
 public:
  explicit ControlCanvas(HWND control)
      : control_(control),
        dc_(GetDC(control)),
        old_(SelectObject(dc_,
                          reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)))) {}
  ControlCanvas(const ControlCanvas&) = delete;
  ControlCanvas& operator=(const ControlCanvas&) = delete;
  ~ControlCanvas() {
    SelectObject(dc_, old_);
    ReleaseDC(control_, dc_);
  }
  HDC Dc() const { return dc_; }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ old_;
};

// Whether a control of the main window shows `text` whole at its present size and font: a
// label's text within its inner area (wrapped to its width for the status label), a button's
// within its face inside the frame it has at `dpi`, an address box's within its margins.
bool TextFits(HWND control, ControlKind kind, const std::wstring& text, unsigned dpi);
