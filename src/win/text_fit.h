#pragma once

#include <windows.h>

#include <string>

#include "front/main_window_design.h"

// Whether a control of the main window shows `text` whole at its present size and font: a
// label's text within its inner area (wrapped to its width for the status label), a button's
// within its face inside the frame it has at `dpi`, an address box's within its margins.
bool TextFits(HWND control, ControlKind kind, const std::wstring& text, unsigned dpi);
