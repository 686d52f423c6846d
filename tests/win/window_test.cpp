#include <windows.h>

#include <commctrl.h>
#include <gmock/gmock.h>

#include <map>

#include "platform/path_text.h"
#include "support/temp_dir.h"
#include "win/main_window.h"
#include "win/message_loop.h"
#include "win/shown_text.h"

namespace {

using enum Control;

void Pump() {
  for (int i = 0; i < 3; ++i) HandleWaitingMessages();
}

LONG WindowTop(HWND window) {
  RECT place = {};
  GetWindowRect(window, &place);
  return place.top;
}

// The texts a window and its controls show, joined.
std::wstring TextsOf(HWND window) {
  std::wstring texts = WindowText(window);
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    texts += L"|" + WindowText(child);
  return texts;
}

// A main window in a world of its own: a program folder, a game folder the registry does not
// name (the folder picker offers `picked`), no internet, and the program's end counted.
class WindowTest : public testing::Test {
 protected:
  WindowTest() {
    game.Write("Morrowind.exe", "MZ");
    Environment env;
    env.ProgramDir = Utf8FromPath(program.Path());
    env.PeerPort = 0;  // any free one
    env.InternetConnected = [] { return false; };
    env.LocalAddressTable = [] { return std::vector<std::array<uint8_t, 4>>{{127, 0, 0, 1}}; };
    env.PrimaryAddress = [] { return std::string("127.0.0.1"); };
    window = std::make_unique<MainWindow>(env);
    window->FolderPicker = [this] {
      ++picks;
      return picked;
    };
    window->ProgramEndHook = [this] { ++programEnds; };
  }
  HWND Window(Control control) { return window->ControlWindow(control); }
  // The program's other windows now open.
  std::vector<HWND> Others() {
    std::vector<HWND> others;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND other, LPARAM list) {
          if (IsWindowVisible(other)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(other);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&others));
    std::erase(others, window->Handle());
    return others;
  }
  void CloseOthers() {
    for (HWND other : Others()) SendMessageW(other, WM_CLOSE, 0, 0);
    Pump();
  }

  TempDir program, game;
  std::optional<std::string> picked = Utf8FromPath(game.Path());
  int picks = 0, programEnds = 0;
  std::unique_ptr<MainWindow> window;
};

TEST_F(WindowTest, StartsListensAndClosesCleanly) {
  window->Startup();
  window->Show();
  Pump();
  EXPECT_EQ(window->Logic().Paths().GameDir, picked);
  EXPECT_TRUE(IsWindowEnabled(window->Handle()));
  EXPECT_TRUE(window->Logic().Link().IsListening());
  EXPECT_EQ(GetFocus(), Window(Command1));
  SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(programEnds, 1);
  EXPECT_FALSE(window->Handle());
  EXPECT_FALSE(window->Logic().Link().IsListening());
}

// A folder without the game is refused with a box, after which the picker asks again;
// cancelling ends the program once its box is closed.
TEST_F(WindowTest, TheFolderPickerAsksAgainAndCancelEndsTheProgramAfterItsBox) {
  picked = Utf8FromPath(program.Path());
  window->Startup();
  Pump();
  EXPECT_EQ(picks, 1);
  EXPECT_FALSE(IsWindowEnabled(window->Handle()));
  ASSERT_EQ(Others().size(), 1u);
  EXPECT_THAT(TextsOf(Others()[0]), testing::HasSubstr(ShownText(kGameNotInFolderText)));
  picked.reset();
  CloseOthers();
  EXPECT_EQ(picks, 2);
  ASSERT_EQ(Others().size(), 1u);
  EXPECT_THAT(TextsOf(Others()[0]), testing::HasSubstr(ShownText(kNoGameFolderText)));
  EXPECT_EQ(programEnds, 0);
  CloseOthers();
  EXPECT_EQ(programEnds, 1);
}

TEST_F(WindowTest, TheSavegameChooserGivesTheWindowItsInputBackEveryWayOut) {
  for (const char* name : {"Saves/b.ess", "Saves/A.ess", "Saves/notes.txt"}) game.Write(name, "");
  window->Startup();
  Pump();
  const auto click = [](HWND chooser, const wchar_t* button) {
    SendMessageW(FindWindowExW(chooser, nullptr, L"BUTTON", button), BM_CLICK, 0, 0);
  };
  const std::pair<const char*, std::function<void(HWND, HWND)>> waysOut[] = {
      {"", [&](HWND chooser, HWND) { click(chooser, L"Cancel"); }},
      {"", [&](HWND chooser, HWND) { SendMessageW(chooser, WM_CLOSE, 0, 0); }},
      {"b.ess",
       [&](HWND chooser, HWND list) {
         SendMessageW(list, LB_SETCURSEL, 1, 0);
         SendMessageW(chooser, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK),
                      reinterpret_cast<LPARAM>(list));
       }},
      {"A.ess",
       [&](HWND chooser, HWND list) {
         click(chooser, L"Ok");  // nothing chosen: says so and stays open
         EXPECT_THAT(Others(), testing::SizeIs(2));
         SendMessageW(list, LB_SETCURSEL, 0, 0);
         click(chooser, L"Ok");
       }},
  };
  std::string chosen;
  for (const auto& [name, wayOut] : waysOut) {
    SendMessageW(Window(cmdCharacter), BM_CLICK, 0, 0);
    ASSERT_TRUE(window->SavegameChooserWindow());
    EXPECT_FALSE(IsWindowEnabled(window->Handle()));
    const HWND list = window->SavegameChooserWindow()->List();
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    wayOut(window->SavegameChooserWindow()->Handle(), list);
    if (*name) chosen = picked.value() + "\\Saves\\" + name;
    EXPECT_FALSE(window->SavegameChooserWindow());
    EXPECT_TRUE(IsWindowEnabled(window->Handle()));
    EXPECT_EQ(window->Logic().Paths().SaveGamePath, chosen);
  }
}

TEST_F(WindowTest, AddressBoxesKeepAnOctetAndMoveOn) {
  window->Show();
  const Control boxes[] = {Text1, Text2, Text3, Text4};
  for (int i = 0; i < 4; ++i) window->SetText(boxes[i], std::to_string(100 + i));
  const auto texts = [&] {
    std::string all;
    for (Control box : boxes) all += window->Text(box) + "|";
    return all;
  };
  const auto selected = [&](Control box) {
    DWORD from = 0, to = 0;
    SendMessageW(Window(box), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                 reinterpret_cast<LPARAM>(&to));
    return window->Text(box).substr(from, to - from);
  };
  // Keys go where the focus is, through the program's message loop, as a player's do.
  const auto press = [](UINT key) {
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
    Pump();
  };
  const auto type = [&](const std::wstring& keys) {
    for (wchar_t key : keys) press(LOBYTE(VkKeyScanW(key)));
  };
  const auto enter = [&](Control box, const char* text = nullptr) {
    SetFocus(Window(box));
    if (text) window->SetText(box, text);
  };

  enter(Text1);
  EXPECT_EQ(selected(Text1), "100");  // typing replaces the octet
  type(L"1921");
  EXPECT_EQ(selected(Text2), "101");
  type(L"10.7.");
  EXPECT_EQ(texts(), "192|10|7|103|");
  EXPECT_EQ(GetFocus(), Window(Text4));
  type(L"5.");
  EXPECT_EQ(GetFocus(), Window(Command1));
  enter(Text1);
  press(VK_RETURN);
  EXPECT_EQ(GetFocus(), Window(Text1));
  SendMessageW(Window(Text1), EM_SETSEL, 3, 3);
  press(VK_DECIMAL);  // the keypad's key moves nothing
  EXPECT_EQ(GetFocus(), Window(Text1));
  enter(Text4);
  press(VK_RETURN);
  EXPECT_EQ(GetFocus(), Window(Command1));
  EXPECT_THAT(Others(), testing::IsEmpty());  // "Transplant!" was not pressed

  enter(Text1, "192.168.1.100");
  EXPECT_EQ(window->Text(Text1), "192.168");  // only a fourth character moves on
  enter(Text2, "1.5");
  enter(Text3, "2.5");
  enter(Text4, "300");
  enter(Text1);
  EXPECT_EQ(texts(), "192|2|2|0|");
  window->SetText(Text2, "");
  EXPECT_EQ(texts(), "192|0|2|0|");
}

// The peer's texts show as typed ('&' is no prefix); a peer repeating a fault opens one box.
TEST_F(WindowTest, MessageBoxesStayOpenWithoutPilingUp) {
  window->Show();
  for (int i = 0; i < 1000; ++i) {
    window->Logic().ShowMessage(i % 2 ? "A&B was not found" : "Damaged " + std::to_string(i % 8),
                                "error", MessageIcon::Exclamation);
  }
  const std::vector<HWND> boxes = Others();
  EXPECT_EQ(boxes.size(), 4u);
  EXPECT_EQ(std::count_if(boxes.begin(), boxes.end(),
                          [](HWND box) {
                            return TextsOf(box).starts_with(L"error|") &&
                                   TextsOf(box).find(L"|A&B was not found") != std::wstring::npos;
                          }),
            1);
  // None hides another (their texts are one line high), nor does one opened after the
  // highest has closed.
  std::map<LONG, HWND> tops;
  for (HWND box : Others()) tops[WindowTop(box)] = box;
  EXPECT_EQ(tops.size(), 4u);
  SendMessageW(tops.begin()->second, WM_CLOSE, 0, 0);
  window->Logic().ShowMessage("One more", "error", MessageIcon::Exclamation);
  tops.clear();
  for (HWND box : Others()) tops[WindowTop(box)] = box;
  EXPECT_EQ(tops.size(), 4u);
  EXPECT_TRUE(IsWindowEnabled(window->Handle()));  // the program goes on
}

TEST(NoteWindow, TheAnswerComesOnceAndNotWhenTheProgramClosesIt) {
  std::vector<int> answers;
  const auto ask = [&] {
    return std::make_unique<NoteWindow>(nullptr, "10.0.0.9 wants to link with you.", "Quib",
                                        IDI_QUESTION, std::vector<std::string>{"Accept", "Refuse"},
                                        [&](int button) { answers.push_back(button); });
  };
  auto question = ask();
  const HWND refuse = FindWindowExW(question->Handle(), nullptr, L"BUTTON", L"Refuse");
  SetFocus(refuse);
  PostMessageW(refuse, WM_KEYDOWN, VK_RETURN, 1);  // Enter presses the button with the focus
  Pump();
  SendMessageW(refuse, BM_CLICK, 0, 0);
  EXPECT_FALSE(question->IsOpen());
  question = ask();
  SendMessageW(question->Handle(), WM_CLOSE, 0, 0);
  question = ask();
  question.reset();
  EXPECT_EQ(answers, (std::vector<int>{1, -1}));
}

// Measured on the controls as they stand, apart from the fitting: a label's text wrapped to
// its width within it, a button's ideal size (the system's own measure) within it, an address
// box's line within it, unscrolled with the caret at its end.
void ExpectWholeText(HWND control, ControlKind kind, const std::wstring& text) {
  RECT inner = {};
  GetClientRect(control, &inner);
  HDC dc = GetDC(control);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT need = {0, 0, inner.right, 0};
  DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  ReleaseDC(control, dc);
  if (kind == ControlKind::Button) {
    SIZE ideal = {};
    SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
    need = {0, 0, ideal.cx, ideal.cy};
  } else if (kind == ControlKind::AddressBox) {
    // The box scrolls a text it cannot show whole to bring the caret at its end into view.
    SetWindowTextW(control, text.c_str());
    SendMessageW(control, EM_SETSEL, text.size(), text.size());
    EXPECT_EQ(SendMessageW(control, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    need.right = 0;
  }
  EXPECT_TRUE(need.right <= inner.right && need.bottom <= inner.bottom)
      << need.right << "x" << need.bottom << " in " << inner.right << "x" << inner.bottom;
}

TEST_F(WindowTest, EveryControlShowsItsWholeTextsAt100To200Percent) {
  for (const unsigned dpi : {96u, 120u, 144u, 192u}) {
    window->LayOut(dpi);
    for (const ControlDesign& design : MainWindowControls()) {
      for (const std::string& text : TextsShownBy(design.Id, window->Logic().LinkCaption())) {
        SCOPED_TRACE(std::string(design.Name) + " at " + std::to_string(dpi) + " dpi: " + text);
        ExpectWholeText(Window(design.Id), design.Kind, ShownText(text));
      }
    }
  }
}

}  // namespace
