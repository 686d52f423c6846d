#include "front/main_window_logic.h"

#include <algorithm>
#include <cmath>

#include "bridge/launch.h"
#include "core/utf8.h"
#include "link/startup.h"
#include "media/outcome_text.h"
#include "platform/code_page.h"
#include "platform/game_installs.h"
#include "platform/game_path.h"

namespace {

// Shown by the "?" box.
constexpr const char* kContactAddress = "quib@example.org";
constexpr const char* kProgramName = "Quib";

constexpr Control kProgressControls[] = {Control::Shape1, Control::bar1, Control::Label3,
                                         Control::Shape2, Control::bar2, Control::Label4};

// A width is never negative; a nonsense progress value shows an empty bar.
double ShownWidth(double twips) {
  return std::isfinite(twips) && twips > 0 ? std::min(twips, 1e7) : 0;
}

}  // namespace

MainWindowLogic::MainWindowLogic(Environment env, PeerLink& link, MainWindowView& view)
    : env_(std::move(env)),
      view_(view),
      link_(link),
      relayReceiver_(paths_, relay_),
      receiver_(paths_, media_, relayReceiver_, names_, *this, link_),
      exporter_(paths_, media_, receiver_.State(), names_, *this, link_),
      bridge_(paths_, relay_, link_),
      controller_(link_, *this, *this, env_, paths_, relay_, receiver_),
      linkCaption_(DesignOf(Control::Drop1).Text) {
  paths_.ProgramDir = env_.ProgramDir;
  receiver_.SetWorkers(env_.Workers);
  if (env_.MapRouterPort) {
    // The router answers on the mapper's thread; the label changes on the window's.
    portMapper_ = std::make_unique<PortMapper>(
        [this](const PortMapReport& report) {
          view_.RunOnWindowThread([this, report] { controller_.ShowRouterReport(report); });
        },
        env_.RouterLeaseSeconds);
    // The router is asked for the address this machine reaches it from, whatever is shown.
    controller_.MapPort = [this](uint16_t port) { portMapper_->Request(port); };
  }
}

MainWindowLogic::~MainWindowLogic() = default;

void MainWindowLogic::Startup() {
  if (startedUp_) return;
  startedUp_ = true;
  paths_.ArenaTemplatePath =
      env_.ArenaTemplatePath.empty() ? paths_.ProgramDir + "/arena.dat" : env_.ArenaTemplatePath;
  // The bridge starts reading the log at offset 0; it is created that way.

  paths_.GameDir = FindGameDir(env_.Installs());
  if (paths_.GameDir != kNotFound) {
    PrepareGameFolder(paths_.GameDir, /*deleteLog=*/true);
  } else {
    view_.OpenGameFolderChooser();
    view_.SetInputEnabled(false);
  }

  relay_.VarNameCount = 0;
  relay_.OutVarCount = 0;
  receiver_.State().MessageTypeTaken = false;

  const std::vector<std::string> octets = OpponentAddressTexts(paths_.ProgramDir);
  for (size_t i = 0; i < octets.size() && i < 4; ++i) view_.SetText(kAddressBoxes[i], octets[i]);

  int32_t port = env_.PeerPort;
  std::string localIp = controller_.LocalAddress;
  controller_.StartServer(port, localIp);
}

void MainWindowLogic::Click(Control control) {
  DropOutcome();
  switch (control) {
    case Control::Command1:
      return exporter_.Transplant();
    case Control::cmdConnect:
      return controller_.Connect();
    case Control::cmdCharacter:
      return OpenSavegameChooser();
    case Control::cmdPlay:
      return LaunchGame(paths_, env_.Installs(), *this);
    case Control::lblHelp:
      return ShowHelp();
    default:
      return;
  }
}

void MainWindowLogic::OnTimer(WindowTimer timer) {
  switch (timer) {
    case WindowTimer::Timer1:
      bar2Twips_ = static_cast<float>(fileProgress_);
      view_.SetWidthTwips(Control::bar2, ShownWidth(bar2Twips_));
      return;
    case WindowTimer::Timer2:
      return bridge_.Tick();
    case WindowTimer::Question:
      return controller_.CheckQuestion();
  }
}

void MainWindowLogic::AnswerLinkQuestion(bool accept) { controller_.AnswerLinkQuestion(accept); }

void MainWindowLogic::ChooseSavegame(const std::string& listedName) {
  // The game names its savegames in its own code page.
  if (const std::optional<std::string> name = GameNameFromUtf8(listedName)) {
    paths_.SaveGamePath = paths_.GameDir + "\\Saves\\" + *name;
  }
}

void MainWindowLogic::SavegameChooserClosed() { view_.SetInputEnabled(true); }

bool MainWindowLogic::ChooseGameFolder(const std::string& folder) {
  if (!NormalFileExists(GamePath(folder, "\\Morrowind.exe"))) {
    ShowMessage(kGameNotInFolderText, "error", MessageIcon::Exclamation);
    return false;
  }
  view_.SetInputEnabled(true);
  paths_.GameDir = folder;
  PrepareGameFolder(paths_.GameDir, /*deleteLog=*/false);
  return true;
}

void MainWindowLogic::EndProgram() {
  if (ending_) return;
  ending_ = true;
  view_.StopTimer(WindowTimer::Timer1);
  view_.StopTimer(WindowTimer::Timer2);
  view_.StopTimer(WindowTimer::Question);
  link_.CloseConnection();
  // Work in hand (an unpack, compressing the answer to the peer) stops at its next step and
  // removes its temporary files, so the program ends soon even when this runs inside it.
  receiver_.Reset();
  link_.CloseListener();
  if (portMapper_) portMapper_->Stop();
  view_.CloseAll();
}

void MainWindowLogic::IdleState() {
  view_.StopTimer(WindowTimer::Timer1);
  view_.SetVisible(Control::cmdCharacter, true);
  view_.SetVisible(Control::cmdPlay, true);
  for (Control control : kProgressControls) view_.SetVisible(control, false);
}

void MainWindowLogic::BusyState() {
  DropOutcome();
  view_.StartTimer(WindowTimer::Timer1, std::chrono::milliseconds(100));
  view_.SetVisible(Control::cmdCharacter, false);
  view_.SetVisible(Control::cmdPlay, false);
  for (Control control : kProgressControls) view_.SetVisible(control, true);
  view_.SetText(Control::Label3, "");
  view_.SetText(Control::Label4, "");
}

void MainWindowLogic::ConnectedState() { ShowLinkControls(false); }

void MainWindowLogic::DisconnectedState() { ShowLinkControls(true); }

void MainWindowLogic::ShowLinkControls(bool shown) {
  view_.SetVisible(Control::cmdConnect, shown);
  for (Control box : kAddressBoxes) view_.SetVisible(box, shown);
}

void MainWindowLogic::SetLabel3(const std::string& text) { view_.SetText(Control::Label3, text); }

void MainWindowLogic::SetLabel4(const std::string& text) { view_.SetText(Control::Label4, text); }

double MainWindowLogic::Shape1Width() const { return view_.WidthTwips(Control::Shape1); }

double MainWindowLogic::Shape2Width() const { return view_.WidthTwips(Control::Shape2); }

void MainWindowLogic::SetBar1Width(double twips) {
  bar1Twips_ = twips;
  view_.SetWidthTwips(Control::bar1, ShownWidth(twips));
}

void MainWindowLogic::SetFileProgress(double twips) { fileProgress_ = twips; }

void MainWindowLogic::ShowMessage(const std::string& text, const std::string& title,
                                  MessageIcon icon) {
  const std::string caption = title.empty() ? kProgramName : title;
  view_.ShowMessageBox(text, caption, icon);
}

void MainWindowLogic::ShowOutcome(const TransplantOutcome& outcome) {
  // The character's name is in the game's 8-bit code page; the window shows each byte as
  // the character of the same number.
  std::string shown;
  for (unsigned char byte : OutcomeText(outcome)) AppendUtf8(shown, byte);
  view_.SetText(Control::Drop1, shown);
  showingOutcome_ = true;
}

void MainWindowLogic::OpenSavegameChooser() {
  view_.OpenSavegameChooser(paths_.GameDir);
  view_.SetInputEnabled(false);
}

void MainWindowLogic::YieldToEventLoop() { view_.YieldToEventLoop(); }

void MainWindowLogic::SetDrop1BackColor(int color) {
  drop1BackColor_ = color;
  view_.SetBackColor(Control::Drop1, color);
}

void MainWindowLogic::SetDrop1Caption(const std::string& caption) {
  linkCaption_ = caption;
  if (!showingOutcome_) view_.SetText(Control::Drop1, linkCaption_);
}

void MainWindowLogic::DropOutcome() {
  showingOutcome_ = false;
  view_.SetText(Control::Drop1, linkCaption_);
}

std::string MainWindowLogic::AddressBoxText(int box) const {
  return box >= 1 && box <= 4 ? view_.Text(kAddressBoxes[box - 1]) : std::string();
}

void MainWindowLogic::EnableTimer2() {
  if (!view_.TimerRunning(WindowTimer::Timer2)) {
    view_.StartTimer(WindowTimer::Timer2, std::chrono::milliseconds(300));
  }
}

void MainWindowLogic::AskToLink(const std::string& question) { view_.AskToLink(question); }

void MainWindowLogic::CloseLinkQuestion() { view_.CloseLinkQuestion(); }

void MainWindowLogic::CheckQuestionAfter(std::chrono::milliseconds delay) {
  view_.StartTimer(WindowTimer::Question, delay);
}

void MainWindowLogic::RunOnWindowThread(std::function<void()> task) {
  view_.RunOnWindowThread(std::move(task));
}

void MainWindowLogic::ShowHelp() {
  ShowMessage(std::string("Send questions to ") + kContactAddress, "QUIB!",
              MessageIcon::Information);
}
