#pragma once

// The chooser windows' design in twips, the same on every system: Ok and Cancel keep to the
// lower right corner as the window is resized, and the list fills the rest.

struct TwipsRect {
  double Left, Top, Width, Height;
};

struct ChooserButtons {
  TwipsRect Ok, Cancel;
};

inline constexpr double kChooserButtonWidth = 1215;
inline constexpr double kChooserButtonHeight = 375;
// The narrowest a chooser may be made, so that no place has a negative size.
inline constexpr double kChooserLeastWidth = 2 * kChooserButtonWidth + 375 + 120;

// Ok and Cancel in a chooser of the given inner size.
ChooserButtons ChooserButtonsIn(double width, double height);

// The savegame chooser: its first inner size, the lowest height it may be made, and its list.
inline constexpr double kSavegameChooserWidth = 4680;
inline constexpr double kSavegameChooserHeight = 3195;
inline constexpr double kSavegameChooserLeastHeight = 1800;
TwipsRect SavegameListIn(double width, double height);
