#include "front/chooser_design.h"

ChooserButtons ChooserButtonsIn(double width, double height) {
  const double okLeft = width - (kChooserButtonWidth + 375);
  const double top = height - 800;
  return {{okLeft, top, kChooserButtonWidth, kChooserButtonHeight},
          {okLeft - kChooserButtonWidth, top, kChooserButtonWidth, kChooserButtonHeight}};
}

TwipsRect SavegameListIn(double width, double height) {
  return {120, 120, width - 375, height - 1000};
}
