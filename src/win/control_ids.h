#pragma once

#include <optional>

#include "front/main_window_design.h"

// The main window's controls carry fixed window IDs, so a program driving quib.exe from
// outside finds each one with GetDlgItem: the control's place in MainWindowControls() plus
// kFirstControlId. IDs below 100 are left to the dialog manager (IDOK, IDCANCEL).
inline constexpr int kFirstControlId = 100;

inline int ControlId(Control control) {
  const auto controls = MainWindowControls();
  for (size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].Id == control) return kFirstControlId + static_cast<int>(i);
  }
  return 0;
}

// The control with window ID `id`; nothing for an ID of no control.
inline std::optional<Control> ControlWithId(int id) {
  const auto controls = MainWindowControls();
  const int index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(controls.size())) return std::nullopt;
  return controls[static_cast<size_t>(index)].Id;
}
