#include "win/main_window.h"

#include <algorithm>
#include <cmath>

#include "win/control_ids.h"
#include "win/folder_picker.h"
#include "win/message_loop.h"
#include "win/shown_text.h"
#include "win/text_fit.h"

namespace {

constexpr UINT kRunTasksMessage = WM_APP + 1;
constexpr UINT kPickFolderMessage = WM_APP + 2;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// The system's class and styles of each kind of control.
std::pair<const wchar_t*, DWORD> WindowKind(const ControlDesign& design) {
  switch (design.Kind) {
    case ControlKind::Label:
      return {L"STATIC", SS_LEFT | SS_NOPREFIX};
    case ControlKind::CentredLabel:
      return {L"STATIC", SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX |
                             (design.Id == Control::lblHelp ? SS_NOTIFY : 0)};
    case ControlKind::StatusLabel:  // drawn here: centred both ways, wrapped
    case ControlKind::Bar:
      return {L"STATIC", SS_OWNERDRAW};
    case ControlKind::Button:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::AddressBox:
      return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP};
    case ControlKind::Outline:
      return {L"STATIC", SS_BLACKFRAME};
  }
  return {L"STATIC", 0};
}

UINT_PTR TimerId(WindowTimer timer) { return static_cast<UINT_PTR>(timer) + 1; }

}  // namespace

MainWindow::MainWindow(Environment env) : logic_(std::move(env), sockets_.Link(), *this) {
  Create(L"QuibMainWindow", ShownText(kMainWindowTitle), kWindowStyle, nullptr);
  BuildControls();
  {
    // The port mapper may have reported before the window existed.
    const std::lock_guard lock(tasksMutex_);
    taskWindow_ = Handle();
    if (!tasks_.empty()) PostMessageW(taskWindow_, kRunTasksMessage, 0, 0);
  }
  LayOut(WindowDpi(Handle()));
  logic_.SetDrop1BackColor(kStartBackColor);
}

MainWindow::~MainWindow() { CloseWindows(); }

void MainWindow::BuildControls() {
  for (const ControlDesign& design : MainWindowControls()) {
    const auto [className, style] = WindowKind(design);
    const DWORD exStyle = design.Kind == ControlKind::AddressBox ? WS_EX_CLIENTEDGE : 0;
    controls_[design.Id] =
        MakeControl(Handle(), className, ShownText(design.Text),
                    style | (design.Visible ? WS_VISIBLE : 0), ControlId(design.Id), exStyle);
  }
  // Each address box hands the focus on to the next, the last one to "Transplant!".
  for (int i = 0; i < 4; ++i) {
    const Control next = i < 3 ? kAddressBoxes[i + 1] : Control::Command1;
    boxes_.push_back(std::make_unique<AddressBox>(ControlWindow(kAddressBoxes[i]),
                                                  ControlWindow(next),
                                                  /*enterMovesFocus=*/i == 3));
  }
  // Tab follows the stacking order, and later controls of the design lie over earlier ones:
  // the controls Tab visits on top in their order (they overlap none that must cover them),
  // then the others from front to back.
  std::vector<HWND> stack;
  for (Control control : MainWindowTabOrder()) stack.push_back(ControlWindow(control));
  const auto controls = MainWindowControls();
  for (auto design = controls.rbegin(); design != controls.rend(); ++design) {
    const HWND control = ControlWindow(design->Id);
    if (std::find(stack.begin(), stack.end(), control) == stack.end()) stack.push_back(control);
  }
  StackInOrder(stack);

  helpBrush_.reset(CreateSolidBrush(static_cast<COLORREF>(kHelpBackColor)));
  barBrush_.reset(CreateSolidBrush(static_cast<COLORREF>(kBarColor)));
}

int MainWindow::Pixels(double twips) const { return TwipsToPixels(twips, dpi_, scale_); }

void MainWindow::PlaceControl(const ControlDesign& design) {
  SetWindowPos(ControlWindow(design.Id), nullptr, Pixels(design.Left), Pixels(design.Top),
               Pixels(WidthTwips(design.Id)), Pixels(design.Height), SWP_NOZORDER | SWP_NOACTIVATE);
}

bool MainWindow::AllTextsFit() const {
  for (const ControlDesign& design : MainWindowControls()) {
    for (const std::string& text : TextsShownBy(design.Id, logic_.LinkCaption())) {
      if (!TextFits(ControlWindow(design.Id), design.Kind, ShownText(text), dpi_)) return false;
    }
  }
  return true;
}

void MainWindow::LayOut(unsigned dpi) {
  dpi_ = dpi;
  LOGFONTW logFont = MessageFontAt(dpi);
  font_.reset(CreateFontIndirectW(&logFont));
  // The "?" in its own font; the system's font where that one is missing.
  LOGFONTW help = logFont;
  help.lfHeight = -static_cast<LONG>(std::lround(kHelpFontPoints * dpi / 72));
  help.lfWeight = FW_NORMAL;
  wcscpy_s(help.lfFaceName, L"MS Sans Serif");
  helpFont_.reset(CreateFontIndirectW(&help));
  if (!helpFont_) {
    wcscpy_s(help.lfFaceName, logFont.lfFaceName);
    helpFont_.reset(CreateFontIndirectW(&help));
  }
  for (const auto& [control, window] : controls_) {
    const HFONT font = control == Control::lblHelp ? helpFont_.get() : font_.get();
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  // The design assumes a small font; a larger one enlarges the whole layout evenly.
  constexpr double kStep = 0.125;
  constexpr double kLargest = 4;
  const auto placeAll = [this] {
    for (const ControlDesign& design : MainWindowControls()) PlaceControl(design);
  };
  scale_ = 1;
  placeAll();
  while (scale_ < kLargest && !AllTextsFit()) {
    scale_ += kStep;
    placeAll();
  }
  const SIZE outer =
      OuterSize(Pixels(kMainWindowWidth), Pixels(kMainWindowHeight), kWindowStyle, 0, dpi_);
  SetWindowPos(Handle(), nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void MainWindow::Show(int showCommand) {
  ShowWindow(Handle(), showCommand);
  UpdateWindow(Handle());
  SetFocus(ControlWindow(Control::Command1));
}

SavegameChooser* MainWindow::SavegameChooserWindow() const {
  return savegameChooser_ && savegameChooser_->IsOpen() ? savegameChooser_.get() : nullptr;
}

void MainWindow::SetText(Control control, const std::string& text) {
  SetWindowTextW(ControlWindow(control), ShownText(text).c_str());
  if (control == Control::Drop1) InvalidateRect(ControlWindow(control), nullptr, TRUE);
}

std::string MainWindow::Text(Control control) const {
  return Utf8FromWide(WindowText(ControlWindow(control)));
}

void MainWindow::SetVisible(Control control, bool visible) {
  const HWND window = ControlWindow(control);
  // The focus does not stay behind on a hidden control, where keys would go unseen.
  if (!visible && GetFocus() == window) SetFocus(ControlWindow(Control::Command1));
  ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
}

void MainWindow::SetBackColor(Control control, int storedColor) {
  if (control != Control::Drop1) return;
  // Colours are stored as Windows keeps them: red in the low byte.
  drop1Brush_.reset(CreateSolidBrush(static_cast<COLORREF>(storedColor)));
  InvalidateRect(ControlWindow(control), nullptr, TRUE);
}

void MainWindow::SetWidthTwips(Control control, double twips) {
  widths_[control] = twips;
  PlaceControl(DesignOf(control));
}

double MainWindow::WidthTwips(Control control) const {
  const auto width = widths_.find(control);
  return width == widths_.end() ? DesignOf(control).Width : width->second;
}

void MainWindow::StartTimer(WindowTimer timer, std::chrono::milliseconds interval) {
  if (!Handle()) return;
  SetTimer(Handle(), TimerId(timer), static_cast<UINT>(interval.count()), nullptr);
  timers_.insert(timer);
}

void MainWindow::StopTimer(WindowTimer timer) {
  if (Handle()) KillTimer(Handle(), TimerId(timer));
  timers_.erase(timer);
}

bool MainWindow::TimerRunning(WindowTimer timer) const { return timers_.count(timer) > 0; }

void MainWindow::ShowMessageBox(const std::string& text, const std::string& title,
                                MessageIcon icon) {
  if (closed_) return;
  // Left open: the logic goes on. One box per text and a few at most, so a peer cannot pile
  // them up.
  std::erase_if(messageBoxes_, [](const auto& open) { return !open->Box->IsOpen(); });
  for (const auto& open : messageBoxes_) {
    if (open->Box->Text() == text && open->Box->Title() == title) {
      SetWindowPos(open->Box->Handle(), HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return;
    }
  }
  constexpr size_t kMostBoxes = 4;
  if (messageBoxes_.size() >= kMostBoxes) return;
  // Over the window the player is working in.
  const HWND owner = SavegameChooserWindow() ? savegameChooser_->Handle() : Handle();
  auto open = std::make_unique<OpenMessageBox>();
  OpenMessageBox* entry = open.get();
  const auto closed = [this, entry](int) {
    if (!entry->AfterClose) return;
    RunOnWindowThread(std::move(entry->AfterClose));
    entry->AfterClose = nullptr;
  };
  // The first step no open box stands at.
  while (std::any_of(messageBoxes_.begin(), messageBoxes_.end(),
                     [entry](const auto& other) { return other->Cascade == entry->Cascade; }))
    ++entry->Cascade;
  open->Box = std::make_unique<NoteWindow>(owner, text, title, SystemIconOf(icon),
                                           std::vector<std::string>{"OK"}, closed, entry->Cascade);
  messageBoxes_.push_back(std::move(open));
}

void MainWindow::AfterMessageBox(const std::string& text, std::function<void()> action) {
  for (const auto& open : messageBoxes_) {
    if (open->Box->IsOpen() && open->Box->Text() == text) {
      open->AfterClose = std::move(action);
      return;
    }
  }
  RunOnWindowThread(std::move(action));
}

void MainWindow::AskToLink(const std::string& question) {
  CloseLinkQuestion();
  if (closed_) return;
  // The answer comes once: a question closed by the link itself has none to give.
  linkQuestion_ = std::make_unique<NoteWindow>(
      Handle(), question, "Quib", IDI_QUESTION, std::vector<std::string>{"Accept", "Refuse"},
      [this](int button) { logic_.AnswerLinkQuestion(button == 0); });
}

void MainWindow::CloseLinkQuestion() { linkQuestion_.reset(); }

void MainWindow::OpenSavegameChooser(const std::string& gameDir) {
  if (SavegameChooser* open = SavegameChooserWindow()) return open->Raise();
  if (closed_) return;
  savegameChooser_ = std::make_unique<SavegameChooser>(
      Handle(), logic_, gameDir, scale_,
      [this](const std::string& name) { logic_.ChooseSavegame(name); },
      [this] { logic_.SavegameChooserClosed(); });
}

void MainWindow::OpenGameFolderChooser() {
  // Opened from the loop, once start-up has returned.
  if (Handle()) PostMessageW(Handle(), kPickFolderMessage, 0, 0);
}

void MainWindow::PickGameFolder() {
  if (logic_.Ending()) return;
  const std::optional<std::string> folder =
      FolderPicker ? FolderPicker() : PickFolder(Handle(), kGameFolderChooserTitle);
  // The picker gave its owner the input back on closing.
  if (Handle()) EnableWindow(Handle(), inputEnabled_);
  if (logic_.Ending()) return;
  if (!folder) {
    // Without a game folder the program cannot go on: it ends once the player has read why.
    logic_.ShowMessage(kNoGameFolderText, "error", MessageIcon::Information);
    return AfterMessageBox(kNoGameFolderText, [this] { EndProgram(); });
  }
  // The logic says why it refuses a folder; the picker opens again after that.
  if (!logic_.ChooseGameFolder(*folder)) {
    AfterMessageBox(kGameNotInFolderText, [this] { OpenGameFolderChooser(); });
  }
}

void MainWindow::SetInputEnabled(bool enabled) {
  inputEnabled_ = enabled;
  if (!Handle()) return;
  EnableWindow(Handle(), enabled);
  // Disabling took the focus away; the control that had it gets it back.
  if (enabled && GetActiveWindow() == Handle() && !IsChild(Handle(), GetFocus())) RestoreFocus();
}

void MainWindow::YieldToEventLoop() {
  // Callers come here every 64 KiB of work or so; repainting that often would cost more than
  // the work itself, so messages are handled at most every 20 ms.
  const auto now = std::chrono::steady_clock::now();
  if (lastYield_ && now - *lastYield_ < std::chrono::milliseconds(20)) return;
  HandleWaitingMessages();
  lastYield_ = std::chrono::steady_clock::now();
}

void MainWindow::RunOnWindowThread(std::function<void()> task) {
  // Called from the port mapper's thread too.
  const std::lock_guard lock(tasksMutex_);
  tasks_.push_back(std::move(task));
  if (taskWindow_ && tasks_.size() == 1) PostMessageW(taskWindow_, kRunTasksMessage, 0, 0);
}

void MainWindow::RunTasks() {
  std::deque<std::function<void()>> tasks;
  {
    const std::lock_guard lock(tasksMutex_);
    tasks.swap(tasks_);
  }
  for (auto& task : tasks) task();
}

void MainWindow::CloseWindows() {
  {
    const std::lock_guard lock(tasksMutex_);
    taskWindow_ = nullptr;
  }
  savegameChooser_.reset();
  linkQuestion_.reset();
  messageBoxes_.clear();
  Destroy();
}

void MainWindow::CloseAll() {
  if (closed_) return;
  closed_ = true;
  CloseWindows();
  if (ProgramEndHook) {
    ProgramEndHook();
  } else {
    PostQuitMessage(0);
  }
}

void MainWindow::OnCommand(int id, int code) {
  const std::optional<Control> control = ControlWithId(id);
  if (!control) return;
  const ControlKind kind = DesignOf(*control).Kind;
  if (kind == ControlKind::AddressBox && code == EN_CHANGE) {
    for (const auto& box : boxes_) {
      if (box->Edit() == ControlWindow(*control)) box->OnChange();
    }
    return;
  }
  // A click sent to a control of the disabled window (while a chooser is open) does nothing.
  const bool clicked = (kind == ControlKind::Button && code == BN_CLICKED) ||
                       (*control == Control::lblHelp && code == STN_CLICKED);
  if (clicked && inputEnabled_) logic_.Click(*control);
}

void MainWindow::Draw(const DRAWITEMSTRUCT& item) {
  const std::optional<Control> control = ControlWithId(static_cast<int>(item.CtlID));
  if (control == Control::bar1 || control == Control::bar2) {
    FillRect(item.hDC, &item.rcItem, barBrush_.get());
    return;
  }
  if (control != Control::Drop1) return;
  FillRect(item.hDC, &item.rcItem,
           drop1Brush_ ? drop1Brush_.get() : GetSysColorBrush(COLOR_BTNFACE));
  // Centred both ways, wrapped at words, as typed ('&' is no prefix).
  const std::wstring text = WindowText(item.hwndItem);
  const UINT format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
  RECT room = item.rcItem;
  RECT need = room;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &need, format | DT_CALCRECT);
  room.top += std::max<LONG>(0, (room.bottom - room.top - (need.bottom - need.top)) / 2);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &room, format);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == ControlWindow(Control::lblHelp)) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, static_cast<COLORREF>(kHelpTextColor));
        SetBkColor(dc, static_cast<COLORREF>(kHelpBackColor));
        return reinterpret_cast<LRESULT>(helpBrush_.get());
      }
      break;
    case WM_DRAWITEM:
      Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_TIMER: {
      const auto timer = static_cast<WindowTimer>(wParam - 1);
      if (!timers_.count(timer)) return 0;                   // stopped after it fired
      if (timer == WindowTimer::Question) StopTimer(timer);  // fires once
      logic_.OnTimer(timer);
      return 0;
    }
    case kRunTasksMessage:
      RunTasks();
      return 0;
    case kPickFolderMessage:
      PickGameFolder();
      return 0;
    case WM_DPICHANGED: {
      LayOut(HIWORD(wParam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      EndProgram();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Logging off or shutting down: the program ends as when the window is closed.
      if (wParam) EndProgram();
      return 0;
    default:
      break;
  }
  return OwnWindow::OnMessage(message, wParam, lParam);
}
