// Drives a running quib.exe from outside as a player would, by window messages only. The
// commands on the command line run in order; each waits up to 20 s for the window it needs:
//   set <control> <text>    types the text into a control of the main window ("Quib!")
//   click <control>         clicks a button of the main window
//   choose <savegame>       opens the savegame chooser, picks the file and presses "Ok"
//   answer <button>         presses "Accept" or "Refuse" in the open link question
//   watch <control>         prints the control's text (lines joined by " / "; after "linked "
//                           while "Connect" is hidden, before " ? " and the open link
//                           question) whenever it changes, until the window goes
// Controls are named as in the window's design. Ends with 1 when a command fails.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "front/main_window_design.h"
#include "platform/win/wide_text.h"
#include "win/control_ids.h"

namespace {

std::wstring Wide(const char* text) { return WideFromUtf8(text).value_or(L""); }

// A window has its title a moment before its controls, so whatever is looked for is looked for
// again, every 100 ms for 20 s.
template <class Find>
HWND Await(Find find) {
  HWND window = nullptr;
  for (int i = 0; i < 200 && !(window = find()); ++i) Sleep(100);
  return window;
}

HWND Child(HWND main, const char* name) {
  for (const ControlDesign& design : MainWindowControls())
    if (std::strcmp(design.Name, name) == 0) return GetDlgItem(main, ControlId(design.Id));
  return nullptr;
}

HWND InWindow(const wchar_t* title, const wchar_t* type, const wchar_t* text) {
  HWND window = FindWindowW(nullptr, title);
  return window ? FindWindowExW(window, nullptr, type, text) : nullptr;
}

// -1 when the window does not answer within 5 s.
LRESULT Send(HWND window, UINT message, WPARAM w, const void* l) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, message, w, LPARAM(l), SMTO_ABORTIFHUNG, 5000, &result)
             ? LRESULT(result)
             : -1;
}

std::string Text(HWND window) {
  wchar_t text[1024] = {};
  std::string utf8 = Send(window, WM_GETTEXT, 1024, text) > 0 ? Utf8FromWide(text) : "";
  for (size_t at; (at = utf8.find("\r\n")) != std::string::npos;) utf8.replace(at, 2, " / ");
  return utf8;
}

bool Click(HWND button) { return button && PostMessageW(button, BM_CLICK, 0, 0); }

bool Watch(HWND main, HWND control) {
  for (std::string shown = "\n"; control && IsWindow(main); Sleep(50)) {
    std::string now = (IsWindowVisible(Child(main, "cmdConnect")) ? "" : "linked ") + Text(control);
    if (HWND question = FindWindowW(nullptr, L"Quib")) {
      HWND label = nullptr;  // the first static control with a text
      while ((label = FindWindowExW(question, label, L"Static", nullptr)) && Text(label).empty()) {
      }
      now += " ? " + Text(label);
    }
    if (now != shown) std::printf("%s\n", (shown = now).c_str());
    std::fflush(stdout);
  }
  return control;
}

bool Choose(HWND main, const char* savegame) {
  if (!Click(Child(main, "cmdCharacter"))) return false;
  LRESULT at = -1;
  HWND list = Await([&] {  // the list holding the savegame
    HWND list = InWindow(L"Select a Savegame", L"ListBox", nullptr);
    return (at = Send(list, LB_FINDSTRINGEXACT, WPARAM(-1), Wide(savegame).c_str())) >= 0 ? list
                                                                                          : nullptr;
  });
  HWND chooser = GetParent(list);
  if (!list || Send(list, LB_SETCURSEL, at, nullptr) != at ||
      !Click(FindWindowExW(chooser, nullptr, L"Button", L"Ok")))
    return false;
  for (int i = 0; i < 100 && IsWindow(chooser); ++i) Sleep(100);
  return !IsWindow(chooser);
}

bool Run(const std::string& command, const char* name, const char* text) {
  if (command == "answer")
    return Click(Await([&] { return InWindow(L"Quib", L"Button", Wide(name).c_str()); }));
  HWND main = nullptr;
  HWND control = Await([&] {
    return Child(main = FindWindowW(nullptr, L"Quib!"),
                 command == "choose" ? "cmdCharacter" : name);
  });
  if (command == "set") return Send(control, WM_SETTEXT, 0, Wide(text).c_str()) == TRUE;
  if (command == "click") return Click(control);
  if (command == "choose") return Choose(main, name);
  return command == "watch" && Watch(main, control);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; i += argv[i] == std::string("set") ? 3 : 2) {
    if (!Run(argv[i], argv[i + 1], i + 2 < argc ? argv[i + 2] : "")) {
      std::fprintf(stderr, "win_driver: %s %s failed\n", argv[i], argv[i + 1]);
      return 1;
    }
  }
  return 0;
}
