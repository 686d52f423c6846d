#pragma once

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "front/main_window_logic.h"
#include "front/main_window_view.h"
#include "win/address_box.h"
#include "win/dpi.h"
#include "win/note_window.h"
#include "win/own_window.h"
#include "win/savegame_chooser.h"
#include "win/winsock_socket_layer.h"

// The main window (Form1) on Win32 controls: it builds the controls of the shared design
// (window IDs from win/control_ids.h), forwards their events to MainWindowLogic and draws
// what the logic shows.
class MainWindow : public OwnWindow, public MainWindowView {
 public:
  explicit MainWindow(Environment env);
  ~MainWindow() override;

  void Startup() { logic_.Startup(); }
  void EndProgram() { logic_.EndProgram(); }
  // Shows the window with the focus on "Transplant!".
  void Show(int showCommand = SW_SHOWNORMAL);

  // Lays the window out for a screen of `dpi`: the system's message font at that DPI, and the
  // design (twips x DPI / 1440) enlarged in steps of 1/8 until every control shows each of
  // its texts whole.
  void LayOut(unsigned dpi);
  // How much the design layout is enlarged (1: not at all).
  double LayoutScale() const { return scale_; }
  HWND ControlWindow(Control control) const { return controls_.at(control); }

  // When set, asked instead of the system's folder picker (tests): the chosen folder, or
  // nothing for Cancel.
  std::function<std::optional<std::string>()> FolderPicker;
  // When set, replaces leaving the message loop at the end of EndProgram (tests).
  std::function<void()> ProgramEndHook;

  MainWindowLogic& Logic() { return logic_; }
  WinsockSocketLayer& Sockets() { return sockets_; }
  // The open savegame chooser; null when closed.
  SavegameChooser* SavegameChooserWindow() const;

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

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct OpenMessageBox {
    std::unique_ptr<NoteWindow> Box;
    std::function<void()> AfterClose;
    int Cascade = 0;  // its step down and right of the middle
  };

  void BuildControls();
  int Pixels(double twips) const;
  void PlaceControl(const ControlDesign& design);
  bool AllTextsFit() const;
  void OnCommand(int id, int code);
  void Draw(const DRAWITEMSTRUCT& item);
  void RunTasks();
  void PickGameFolder();
  // Runs `action` once the open message box showing `text` is closed (at once when none is).
  void AfterMessageBox(const std::string& text, std::function<void()> action);
  void CloseWindows();

  WinsockSocketLayer sockets_;
  std::map<Control, HWND> controls_;
  std::vector<std::unique_ptr<AddressBox>> boxes_;
  // Widths set by the logic (twips), which the layout keeps when it is enlarged.
  std::map<Control, double> widths_;
  unsigned dpi_ = kBaseDpi;
  double scale_ = 1;
  GdiObject<HFONT> font_, helpFont_;
  GdiObject<HBRUSH> helpBrush_, barBrush_, drop1Brush_;
  bool inputEnabled_ = true;
  bool closed_ = false;
  std::set<WindowTimer> timers_;
  std::optional<std::chrono::steady_clock::time_point> lastYield_;

  std::mutex tasksMutex_;
  std::deque<std::function<void()>> tasks_;
  HWND taskWindow_ = nullptr;  // under tasksMutex_: where tasks are posted

  std::unique_ptr<SavegameChooser> savegameChooser_;
  std::unique_ptr<NoteWindow> linkQuestion_;  // "... wants to link with you."
  std::vector<std::unique_ptr<OpenMessageBox>> messageBoxes_;
  MainWindowLogic logic_;  // last: it shows itself through the window above
};
