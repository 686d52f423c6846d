#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

// Dots per inch and the system's font and metrics at a given DPI. Windows 10 answers per
// monitor; older systems have one DPI for every screen, whose values are scaled instead.

inline constexpr unsigned kBaseDpi = 96;

// The DPI of the screen `window` is on (the system's DPI before Windows 10).
unsigned WindowDpi(HWND window);
// The font of message boxes (the dialog font of the system) at `dpi`.
LOGFONTW MessageFontAt(unsigned dpi);
// GetSystemMetrics at `dpi`.
int SystemMetricAt(int index, unsigned dpi);
// The outer size of a window of `style` whose inner area is `width` by `height` at `dpi`.
SIZE OuterSize(int width, int height, DWORD style, DWORD exStyle, unsigned dpi);
// `pixels` at 96 dpi scaled to `dpi`.
inline int ScaledPixels(int pixels, unsigned dpi) {
  return MulDiv(pixels, static_cast<int>(dpi), kBaseDpi);
}

struct GdiObjectDeleter {
  void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
// A font, brush or bitmap the program made, deleted with its owner.
template <typename Handle>
using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
