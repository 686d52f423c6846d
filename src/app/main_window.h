#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QRectF>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/qt_socket_layer.h"
#include "front/main_window_logic.h"
#include "front/main_window_view.h"

class QMessageBox;
class QTimer;
class GameFolderChooser;
class SavegameChooser;

// The main window (Form1) on Qt widgets: it builds the controls of the shared design (each
// carries its design name as objectName), forwards their events to MainWindowLogic and draws
// what the logic shows.
class MainWindow : public QWidget, public MainWindowView {
  Q_OBJECT

 public:
  explicit MainWindow(Environment env, QWidget* parent = nullptr);
  ~MainWindow() override;

  void Startup() { logic_.Startup(); }
  void EndProgram() { logic_.EndProgram(); }

  // SIGTERM, SIGINT and SIGHUP (a desktop logging out) end the program from now on as
  // closing the window does; a second one kills it at once.
  void EndOnQuitSignals();

  // MainWindowView
  void SetText(Control control, const std::string& text) override;
  std::string Text(Control control) const override;
  void SetVisible(Control control, bool visible) override;
  void SetBackColor(Control control, int storedColor) override;
  void SetWidthTwips(Control control, double twips) override;
  double WidthTwips(Control control) const override;
  void StartTimer(WindowTimer timer, std::chrono::milliseconds interval) override;
  void StopTimer(WindowTimer timer) override;
  bool TimerRunning(WindowTimer timer) const override;
  void ShowMessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
  void AskToLink(const std::string& question) override;
  void CloseLinkQuestion() override;
  void OpenSavegameChooser(const std::string& gameDir) override;
  void OpenGameFolderChooser() override;
  void SetInputEnabled(bool enabled) override;
  void YieldToEventLoop() override;
  void RunOnWindowThread(std::function<void()> task) override;
  void CloseAll() override;

  // When set, message boxes are handed here instead of being shown (tests record them).
  std::function<void(const std::string& text, const std::string& title, MessageIcon icon)>
      MessageHook;
  // When set, replaces leaving the event loop at the end of EndProgram (tests).
  std::function<void()> ProgramEndHook;

  MainWindowLogic& Logic() { return logic_; }
  AppPaths& Paths() { return logic_.Paths(); }
  const Environment& Env() const { return logic_.Env(); }
  RelayTables& Relay() { return logic_.Relay(); }
  const MediaList& Media() const { return logic_.Media(); }
  Receiver& Receive() { return logic_.Receive(); }
  PeerLink& Link() { return logic_.Link(); }
  LinkController& Controller() { return logic_.Controller(); }
  int Drop1BackColor() const { return logic_.Drop1BackColor(); }
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
  QWidget* Widget(Control control) const { return controls_.at(control); }
  QStringList TextsShownBy(Control control) const;
  void FitLayout();
  void PlaceControl(Control control);

  QtSocketLayer sockets_;
  std::map<Control, QWidget*> controls_;
  std::map<WindowTimer, QTimer*> timers_;
  // Widths set by the logic (twips), which the layout keeps when it is enlarged.
  std::map<Control, double> widths_;
  double scale_ = 1;
  QElapsedTimer yieldClock_;

  QPointer<GameFolderChooser> gameFolderChooser_;
  QPointer<SavegameChooser> savegameChooser_;
  QPointer<QMessageBox> linkQuestion_;               // "... wants to link with you."
  std::vector<QPointer<QMessageBox>> messageBoxes_;  // open, from ShowMessageBox
  MainWindowLogic logic_;  // last: it shows itself through the controls above
};
