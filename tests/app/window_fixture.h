#pragma once

#include <QTcpSocket>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "core/ui.h"
#include "link/environment.h"
#include "support/temp_dir.h"

// A main window in a world of its own: its own Wine prefix, program folder and a free port,
// no internet, and message boxes recorded instead of shown.
struct WindowWorld {
  struct Message {
    std::string Text, Title;
    MessageIcon Icon;
  };

  TempDir Prefix, Program;
  std::vector<Message> Messages;
  int ProgramEnds = 0;

  // A port no other test of this process or of a parallel run gets: the socket stays bound
  // (address reusable, as Qt's listeners are) until the process ends.
  static uint16_t FreePort() {
    static auto* held = new std::vector<std::unique_ptr<QTcpSocket>>;
    auto socket = std::make_unique<QTcpSocket>();
    socket->bind(QHostAddress::LocalHost, 0, QAbstractSocket::ReuseAddressHint);
    const uint16_t port = socket->localPort();
    held->push_back(std::move(socket));
    return port;
  }

  Environment Env() const {
    Environment env;
    env.WinePrefix = Prefix.Path().string();
    env.ProgramDir = Program.Path().string();
    env.PeerPort = FreePort();
    env.InternetConnected = [] { return false; };
    env.LocalAddressTable = [] { return std::vector<std::array<uint8_t, 4>>{{127, 0, 0, 1}}; };
    env.PrimaryAddress = [] { return std::string("127.0.0.1"); };
    return env;
  }

  // Names the game at C:\Games\Morrowind in the prefix's registry (system.reg).
  void RegisterGame() {
    Prefix.Write("system.reg",
                 "WINE REGISTRY Version 2\n\n[Software\\\\Bethesda Softworks\\\\Morrowind] 1\n"
                 "\"Installed Path\"=\"C:\\\\Games\\\\Morrowind\"\n");
  }

  std::unique_ptr<MainWindow> MakeWindow() { return MakeWindow(Env()); }
  template <typename Window = MainWindow>
  std::unique_ptr<Window> MakeWindow(const Environment& env) {
    auto window = std::make_unique<Window>(env);
    window->MessageHook = [this](auto text, auto title, auto icon) {
      Messages.push_back({text, title, icon});
    };
    window->ProgramEndHook = [this] { ++ProgramEnds; };
    return window;
  }
};
