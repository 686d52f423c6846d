#include "front/main_window_design.h"

#include <algorithm>

#include "media/outcome_text.h"

namespace {

using enum Control;
using K = ControlKind;

constexpr ControlDesign kControls[] = {
    {Label1, "Label1", K::Label, "Savegame", 240, 240, 1335, 255, true},
    {cmdConnect, "cmdConnect", K::Button, "Connect", 1320, 120, 1335, 255, true},
    {Text1, "Text1", K::AddressBox, "192", 2760, 120, 375, 285, true},
    {Text2, "Text2", K::AddressBox, "168", 3240, 120, 375, 285, true},
    {Text3, "Text3", K::AddressBox, "1", 3720, 120, 375, 285, true},
    {Text4, "Text4", K::AddressBox, "100", 4200, 120, 375, 285, true},
    {Drop1, "Drop1", K::StatusLabel, "Select a Character to proceed.", 240, 480, 4215, 1095, true},
    {lblHelp, "lblHelp", K::CentredLabel, "?", 0, 1200, 255, 375, true},
    {Command1, "Command1", K::Button, "Transplant!", 120, 1800, 1215, 255, true},
    {Label3, "Label3", K::CentredLabel, ".", 120, 2640, 4455, 255, false},
    {Shape1, "Shape1", K::Outline, "", 120, 2880, 4455, 375, false},
    {bar1, "bar1", K::Bar, "", 120, 2880, 135, 375, false},
    {cmdCharacter, "cmdCharacter", K::Button, "Select Character", 120, 2760, 4455, 495, true},
    {Label4, "Label4", K::CentredLabel, ".", 120, 3480, 4455, 255, false},
    {Shape2, "Shape2", K::Outline, "", 120, 3720, 4455, 375, false},
    {bar2, "bar2", K::Bar, "", 120, 3720, 135, 375, false},
    {cmdPlay, "cmdPlay", K::Button, "Launch Kestrane", 120, 3600, 4455, 495, true},
};

constexpr Control kTabOrder[] = {Command1, cmdConnect, Text1,   Text2,
                                 Text3,    Text4,      cmdPlay, cmdCharacter};

}  // namespace

std::span<const ControlDesign> MainWindowControls() { return kControls; }

const ControlDesign& DesignOf(Control control) {
  return *std::find_if(std::begin(kControls), std::end(kControls),
                       [control](const ControlDesign& design) { return design.Id == control; });
}

std::span<const Control> MainWindowTabOrder() { return kTabOrder; }

std::vector<std::string> TextsShownBy(Control control, const std::string& linkCaption) {
  switch (control) {
    case Drop1: {
      std::vector<std::string> texts = {linkCaption, "Connected to Peer",
                                        "Please establish connection with Peer\r\nYour external "
                                        "IP is: 203.113.155.201\r\nYour LAN IP is: "
                                        "192.168.100.100"};
      // A character's name has at most 31 characters.
      const std::string name = "Gandalf the Grey of Vvardenfell";
      for (const auto kind : {TransplantOutcome::Kind::Sent, TransplantOutcome::Kind::Arrived,
                              TransplantOutcome::Kind::NothingWritten}) {
        texts.push_back(OutcomeText({kind, {}, 99999, 99999ll << 20}, name));
      }
      return texts;
    }
    case Label3:
      return {"Inspecting: Savegame"};
    case Label4:
      return {"Receiving character media list."};
    case Text1:
    case Text2:
    case Text3:
    case Text4:
      return {"192", "168", "255", "888"};
    case Shape1:
    case bar1:
    case Shape2:
    case bar2:
      return {};
    default:
      return {DesignOf(control).Text};
  }
}
