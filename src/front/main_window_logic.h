#pragma once

#include <functional>
#include <memory>
#include <string>

#include "bridge/bridge.h"
#include "bridge/relay_tables.h"
#include "commands/exporter.h"
#include "commands/relay_receiver.h"
#include "core/app_paths.h"
#include "core/name_generator.h"
#include "core/ui.h"
#include "front/main_window_view.h"
#include "link/environment.h"
#include "link/link_controller.h"
#include "link/peer_link.h"
#include "net/media_list.h"
#include "net/receiver.h"
#include "platform/port_mapping.h"

// The main window (Form1) apart from whatever draws it: it owns the program's state for the
// life of the process, answers the window's buttons, timers and choosers, and shows the
// logic's progress, states and messages through a MainWindowView.
class MainWindowLogic : public Ui, public LinkView {
 public:
  // `link` runs over the front end's sockets; `view` outlives this.
  MainWindowLogic(Environment env, PeerLink& link, MainWindowView& view);
  ~MainWindowLogic() override;

  // Start-up: finds the game folder (or opens the game-folder chooser over the disabled
  // window), readies the script extender's files, resets the relay and receive state,
  // restores the last peer's address and starts listening. Runs once; later calls do nothing.
  void Startup();

  // The window's events.
  void Click(Control control);  // Command1, cmdConnect, cmdCharacter, cmdPlay, lblHelp
  void OnTimer(WindowTimer timer);
  void AnswerLinkQuestion(bool accept);
  // A savegame listed in the chooser (its file name as listed, UTF-8).
  void ChooseSavegame(const std::string& listedName);
  void SavegameChooserClosed();
  // False, with the reason shown, when `folder` holds no Morrowind.exe: the chooser stays.
  bool ChooseGameFolder(const std::string& folder);

  // Ends the program: stops the timers, closes both sockets, abandons the transfer in hand,
  // removes the router's port forwarding, then closes every window. Runs once.
  void EndProgram();
  bool Ending() const { return ending_; }

  // Ui
  void IdleState() override;
  void BusyState() override;
  void ConnectedState() override;
  void DisconnectedState() override;
  void SetLabel3(const std::string& text) override;
  void SetLabel4(const std::string& text) override;
  double Shape1Width() const override;
  double Shape2Width() const override;
  void SetBar1Width(double twips) override;
  void SetFileProgress(double twips) override;
  int Drop1BackColor() const override { return drop1BackColor_; }
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  void ShowOutcome(const TransplantOutcome& outcome) override;
  void OpenSavegameChooser() override;
  void YieldToEventLoop() override;

  // LinkView
  void SetDrop1BackColor(int color) override;
  void SetDrop1Caption(const std::string& caption) override;
  std::string AddressBoxText(int box) const override;
  void EnableTimer2() override;
  void AskToLink(const std::string& question) override;
  void CloseLinkQuestion() override;
  void CheckQuestionAfter(std::chrono::milliseconds delay) override;
  void RunOnWindowThread(std::function<void()> task) override;

  AppPaths& Paths() { return paths_; }
  const Environment& Env() const { return env_; }
  RelayTables& Relay() { return relay_; }
  // The last export's media list and arena plug-in.
  const MediaList& Media() const { return media_; }
  Receiver& Receive() { return receiver_; }
  PeerLink& Link() { return link_; }
  LinkController& Controller() { return controller_; }
  double FileProgress() const { return fileProgress_; }
  double Bar1Width() const { return bar1Twips_; }
  double Bar2Width() const { return bar2Twips_; }
  // Drop1's text before any outcome.
  const std::string& LinkCaption() const { return linkCaption_; }

 private:
  // The user acts again: the status label shows its link text instead of an outcome.
  void DropOutcome();
  void ShowHelp();
  // "Connect" and the address boxes, which a link hides.
  void ShowLinkControls(bool shown);

  Environment env_;
  MainWindowView& view_;
  PeerLink& link_;
  AppPaths paths_;
  MediaList media_;
  RelayTables relay_;
  NameGenerator names_;
  RelayReceiver relayReceiver_;
  Receiver receiver_;
  Exporter exporter_;
  Bridge bridge_;
  LinkController controller_;
  std::unique_ptr<PortMapper> portMapper_;  // null when the router is not asked

  int drop1BackColor_ = kStartBackColor;
  std::string linkCaption_;
  bool showingOutcome_ = false;
  double fileProgress_ = 0;
  double bar1Twips_ = 135;
  double bar2Twips_ = 135;
  bool startedUp_ = false;
  bool ending_ = false;
};
