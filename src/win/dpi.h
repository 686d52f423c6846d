#pragma once

#include <windows.h>

#include <algorithm>
#include <cmath>
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
// A length of the design in twips (1/1440 inch), enlarged by `scale`, in pixels at `dpi`; no
// less than 0.
inline int TwipsToPixels(double twips, unsigned dpi, double scale) {
  return std::max(0, static_cast<int>(std::lround(twips * dpi / 1440 * scale)));
}
// `pixels` at `dpi` in twips of the design enlarged by `scale`.
inline double PixelsToTwips(int pixels, unsigned dpi, double scale) {
  return pixels * 1440.0 / dpi / scale;
}
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
