#pragma once

#include <QRect>
#include <QWidget>
#include <cmath>

// The windows are laid out in design twips; at 96 dpi a pixel is 15 twips.
inline constexpr double kTwipsPerPixel = 15.0;

inline int TwipsToPixels(double twips) {
  return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

inline double PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

// Places a control at (left, top, width, height) twips; negative sizes become 0.
inline void PlaceTwips(QWidget* widget, double left, double top, double width, double height) {
  widget->setGeometry(TwipsToPixels(left), TwipsToPixels(top), std::max(0, TwipsToPixels(width)),
                      std::max(0, TwipsToPixels(height)));
}
