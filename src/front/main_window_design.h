#pragma once

#include <span>
#include <string>
#include <vector>

// The main window's design, the same on every system: its controls, their names, first texts
// and places in twips (15 to the pixel at 96 dpi), and the texts each must show whole. A
// front end builds its widgets from this table and enlarges the whole layout evenly until
// every control's texts fit its font.

enum class Control {
  Label1,
  cmdConnect,
  Text1,
  Text2,
  Text3,
  Text4,
  Drop1,
  lblHelp,
  Command1,
  Label3,
  Shape1,
  bar1,
  cmdCharacter,
  Label4,
  Shape2,
  bar2,
  cmdPlay,
};

enum class ControlKind {
  Label,         // text, left-aligned at the top
  CentredLabel,  // one line, centred
  StatusLabel,   // centred, wrapped over several lines
  Button,
  AddressBox,  // one number of an IPv4 address
  Outline,     // a progress bar's frame
  Bar,         // a progress bar, filled blue
};

struct ControlDesign {
  Control Id;
  const char* Name;
  ControlKind Kind;
  const char* Text;  // first text
  double Left, Top, Width, Height;
  bool Visible;  // at start
};

// Every control, from back to front (later ones are drawn over earlier ones).
std::span<const ControlDesign> MainWindowControls();
const ControlDesign& DesignOf(Control control);

// The window's inner size in twips.
inline constexpr double kMainWindowWidth = 4695;
inline constexpr double kMainWindowHeight = 4485;
inline constexpr const char* kMainWindowTitle = "Quib!";

// The four peer address boxes, in the address's order.
inline constexpr Control kAddressBoxes[] = {Control::Text1, Control::Text2, Control::Text3,
                                            Control::Text4};

// The order the Tab key moves in.
std::span<const Control> MainWindowTabOrder();

// Colours as the platform stores them: red in the low byte, blue in the high one.
inline constexpr int kHelpBackColor = 0x000080;  // dark red
inline constexpr int kHelpTextColor = 0x00FFFF;  // yellow
inline constexpr int kBarColor = 0xFF0000;       // blue
inline constexpr int kStartBackColor = 255;      // Drop1 before the link is up: red
// The "?" label's font: MS Sans Serif at 13.5 points.
inline constexpr double kHelpFontPoints = 13.5;

// The longest texts `control` shows in the program's life: its design grows until they fit.
// `linkCaption` is Drop1's text before any outcome.
std::vector<std::string> TextsShownBy(Control control, const std::string& linkCaption);

// The game-folder chooser's texts.
inline constexpr const char* kGameFolderChooserTitle = "Select your Morrowind Directory";
inline constexpr const char* kGameNotInFolderText =
    "Morrowind was not found in the selected directory";
inline constexpr const char* kNoGameFolderText = "No Morrowind directory selected.  Exiting";
// The savegame chooser's texts.
inline constexpr const char* kSavegameChooserTitle = "Select a Savegame";
inline constexpr const char* kNoSavegameChosenText =
    "Please select a savegame to activate your character";
