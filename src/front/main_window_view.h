#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "core/ui.h"
#include "front/main_window_design.h"

// The main window's timers: Timer1 (100 ms) copies the file progress into bar2, Timer2
// (300 ms) reads the script extender's log; Question ends a stranger's wait once.
enum class WindowTimer { Timer1, Timer2, Question };

// What the main window's logic asks of the window drawing it (Qt widgets on Linux, Win32
// controls on Windows). Texts are UTF-8.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;

  virtual void SetText(Control control, const std::string& text) = 0;
  virtual std::string Text(Control control) const = 0;
  virtual void SetVisible(Control control, bool visible) = 0;
  virtual void SetBackColor(Control control, int storedColor) = 0;
  // A progress bar's width and a frame's width, in design twips.
  virtual void SetWidthTwips(Control control, double twips) = 0;
  virtual double WidthTwips(Control control) const = 0;

  // Starts (or restarts) a timer; the window calls MainWindowLogic::OnTimer when it fires.
  // Timer1 and Timer2 repeat; Question fires once.
  virtual void StartTimer(WindowTimer timer, std::chrono::milliseconds interval) = 0;
  virtual void StopTimer(WindowTimer timer) = 0;
  virtual bool TimerRunning(WindowTimer timer) const = 0;

  // A message box left open (the program goes on): one per text, a few at most.
  virtual void ShowMessageBox(const std::string& text, const std::string& title,
                              MessageIcon icon) = 0;
  // The stranger question with "Accept" and "Refuse", left open; the answer goes to
  // MainWindowLogic::AnswerLinkQuestion, closing it refuses. CloseLinkQuestion closes it
  // unanswered.
  virtual void AskToLink(const std::string& question) = 0;
  virtual void CloseLinkQuestion() = 0;

  // Opens the savegame chooser on `gameDir` (or raises the open one); its choice goes to
  // MainWindowLogic::ChooseSavegame, and its closing to MainWindowLogic::SavegameChooserClosed.
  virtual void OpenSavegameChooser(const std::string& gameDir) = 0;
  // Opens the game-folder chooser; the chosen folder goes to MainWindowLogic::ChooseGameFolder.
  // Cancelling it ends the program once the message saying so is closed.
  virtual void OpenGameFolderChooser() = 0;
  // Whether the main window takes input (a chooser over it disables it).
  virtual void SetInputEnabled(bool enabled) = 0;

  // Processes pending events; rate-limited by the window.
  virtual void YieldToEventLoop() = 0;
  virtual void RunOnWindowThread(std::function<void()> task) = 0;
  // Closes every window of the program and leaves the event loop.
  virtual void CloseAll() = 0;
};
