#pragma once

#include <QRect>
#include <QWidget>
#include <cmath>

#include "front/chooser_design.h"

// The windows are laid out in design twips; at 96 dpi a pixel is 15 twips. A window whose
// font needs more room than the design's small font enlarges the whole layout by `scale`.
inline constexpr double kTwipsPerPixel = 15.0;

inline int TwipsToPixels(double twips, double scale = 1.0) {
  return static_cast<int>(std::lround(twips * scale / kTwipsPerPixel));
}

inline double PixelsToTwips(int pixels, double scale = 1.0) {
  return pixels * kTwipsPerPixel / scale;
}

// Places a control at (left, top, width, height) twips; negative sizes become 0.
inline void PlaceTwips(QWidget* widget, double left, double top, double width, double height,
                       double scale = 1.0) {
  widget->setGeometry(TwipsToPixels(left, scale), TwipsToPixels(top, scale),
                      std::max(0, TwipsToPixels(width, scale)),
                      std::max(0, TwipsToPixels(height, scale)));
}

inline void PlaceTwips(QWidget* widget, const TwipsRect& place) {
  PlaceTwips(widget, place.Left, place.Top, place.Width, place.Height);
}
