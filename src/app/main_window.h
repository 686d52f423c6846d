#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QRectF>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/qt_socket_layer.h"
#include "bridge/bridge.h"
#include "bridge/relay_tables.h"
#include "commands/exporter.h"
#include "commands/relay_receiver.h"
#include "core/app_paths.h"
#include "core/name_generator.h"
#include "core/ui.h"
#include "link/environment.h"
#include "link/link_controller.h"
#include "net/media_list.h"
#include "net/receiver.h"
#include "platform/port_mapping.h"

class QFrame;
class QLabel;
class QMessageBox;
class QPushButton;
class QTimer;
class AddressBox;
class GameFolderChooser;
class SavegameChooser;

// The main window (Form1). It owns the program's state for the life of the process and
// forwards its buttons, timers and socket events to the logic. Every control carries its
// design name as objectName; places are design twips at 15 twips per pixel.
class MainWindow : public QWidget, public Ui, public LinkView {
  Q_OBJECT

 public:
  explicit MainWindow(Environment env, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Start-up: finds the game folder (or opens the game-folder chooser over this window,
  // disabled), readies the script extender's files, resets the relay and receive state,
  // restores the last peer's address and starts listening. Runs once, before the window is
  // first shown; later calls do nothing.
  void Startup();

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

  // Ends the program: closes every window and both sockets, abandons the transfer in hand,
  // removes the router's port forwarding, then leaves the event loop (through ProgramEndHook
  // when set).
  void EndProgram();

  // SIGTERM, SIGINT and SIGHUP (a desktop logging out) end the program from now on as
  // closing the window does; a second one kills it at once.
  void EndOnQuitSignals();

  // When set, message boxes are handed here instead of being shown (tests record them).
  std::function<void(const std::string& text, const std::string& title, MessageIcon icon)>
      MessageHook;
  // When set, replaces leaving the event loop at the end of EndProgram (tests).
  std::function<void()> ProgramEndHook;

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
  // How much the design layout is enlarged so that the window's font fits (1: not at all).
  double LayoutScale() const { return scale_; }
  // The open choosers; null when closed.
  GameFolderChooser* GameFolderChooserWindow() const;
  SavegameChooser* SavegameChooserWindow() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  // Records a control's design place (twips); FitLayout places them all.
  void Place(QWidget* control, double left, double top, double width, double height);
  QStringList TextsShownBy(const QWidget* control) const;
  void FitLayout();
  void OpenGameFolderChooser();
  void ShowHelp();
  // The user acts again: the status label shows its link text instead of an outcome.
  void DropOutcome();
  void ApplyBar1();
  void ApplyBar2();
  AddressBox* Box(int box) const;

  Environment env_;
  AppPaths paths_;
  MediaList media_;
  RelayTables relay_;
  NameGenerator names_;
  QtSocketLayer sockets_;
  PeerLink& link_ = sockets_.Link();
  RelayReceiver relayReceiver_;
  Receiver receiver_;
  Exporter exporter_;
  Bridge bridge_;
  LinkController controller_;
  std::unique_ptr<PortMapper> portMapper_;  // null when the router is not asked

  int drop1BackColor_ = 255;
  // Drop1's link text, which an outcome covers until the user's next action.
  QString linkCaption_;
  double scale_ = 1;
  std::vector<std::pair<QWidget*, QRectF>> design_;
  bool showingOutcome_ = false;
  double fileProgress_ = 0;
  double bar1Twips_ = 135;
  double bar2Twips_ = 135;
  bool startedUp_ = false;
  bool ending_ = false;
  QElapsedTimer yieldClock_;

  QLabel* label1_ = nullptr;
  QPushButton* cmdConnect_ = nullptr;
  AddressBox* text_[4] = {};
  QLabel* drop1_ = nullptr;
  QLabel* lblHelp_ = nullptr;
  QPushButton* command1_ = nullptr;
  QLabel* label3_ = nullptr;
  QFrame* shape1_ = nullptr;
  QWidget* bar1_ = nullptr;
  QPushButton* cmdCharacter_ = nullptr;
  QLabel* label4_ = nullptr;
  QFrame* shape2_ = nullptr;
  QWidget* bar2_ = nullptr;
  QPushButton* cmdPlay_ = nullptr;
  QTimer* timer1_ = nullptr;
  QTimer* timer2_ = nullptr;
  QTimer* questionTimer_ = nullptr;  // the stranger's deadline

  QPointer<GameFolderChooser> gameFolderChooser_;
  QPointer<SavegameChooser> savegameChooser_;
  QPointer<QMessageBox> linkQuestion_;               // "... wants to link with you."
  std::vector<QPointer<QMessageBox>> messageBoxes_;  // open, from ShowMessage
};
