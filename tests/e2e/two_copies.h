#pragma once

#include <gmock/gmock.h>

#include <QListWidget>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/savegame_chooser.h"
#include "app/window_fixture.h"
#include "platform/files.h"
#include "platform/game_path.h"

// Two whole copies of the program in one process: each with its own Wine prefix (the game at
// C:\Games\Morrowind), program folder holding the shipped arena.dat and an Opponent.dat
// naming 127.0.0.1 (so each links with the other without asking), and free port.
namespace e2e {

inline constexpr const char* kGameInPrefix = "drive_c/Games/Morrowind/";

struct Copy {
  Copy() {
    world.RegisterGame();
    world.Program.Write("arena.dat", *ReadWholeFile(QUIB_ARENA_DAT));
    world.Program.Write("Opponent.dat", ByteString("\x7F\0\0\x01", 4));
    WriteGameFile("Data Files/Morrowind.esm", "the master");  // an installed game has it
    env = world.Env();
  }
  std::filesystem::path WriteGameFile(const std::string& relative, const ByteString& bytes) {
    return world.Prefix.Write(kGameInPrefix + relative, bytes);
  }
  template <typename Window = MainWindow>
  void Open() {
    window = world.MakeWindow<Window>(env);
    window->Startup();
    window->show();
  }
  template <typename T = QWidget>
  T* Control(const char* name) {
    return window->findChild<T*>(name);
  }
  void Click(const char* button) {
    QTest::mouseClick(Control<QPushButton>(button), Qt::LeftButton);
  }
  // Picks `name` in the savegame chooser with "Ok"; false when it did not open or close.
  bool ChooseSavegame(const QString& name) {
    Click("cmdCharacter");
    SavegameChooser* chooser = window->SavegameChooserWindow();
    if (!chooser) return false;
    auto* list = chooser->findChild<QListWidget*>("File1");
    list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
    QTest::mouseClick(chooser->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    return QTest::qWaitFor([&] { return !window->SavegameChooserWindow(); });
  }

  bool Connected() const { return window->Drop1BackColor() == 65280; }
  bool Listening() const { return window->Drop1BackColor() == 65535; }
  // IdleState: the character and launch buttons shown, the progress view hidden.
  bool Idle() { return !Control("cmdCharacter")->isHidden() && Control("Label3")->isHidden(); }
  std::filesystem::path GamePathOf(const std::string& backslashText) const {
    return GamePath(window->Paths().GameDir, backslashText);
  }

  WindowWorld world;
  Environment env;
  std::unique_ptr<MainWindow> window;
};

// A plain forwarder between a dialling copy and a listening one, so a test can see the bytes
// each side put on the wire. Each new connection to it replaces the one before.
class WireTap {
 public:
  explicit WireTap(uint16_t listenerPort) : target_(listenerPort) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] { Accept(); });
  }
  ~WireTap() { Drop(); }
  uint16_t Port() const { return server_.serverPort(); }
  // Ends the connection on both sides, as a broken network would.
  void Cut() {
    for (QTcpSocket* socket : {near_, far_})
      if (socket) socket->disconnectFromHost();
  }

  ByteString FromDialler;  // what the dialling copy sent
  // Beyond this many bytes in all, what the dialling copy sends waits (and holds it back)
  // until Release() or the next connection.
  size_t HoldAfter = SIZE_MAX;
  void Release() {
    HoldAfter = SIZE_MAX;
    Pump();
  }

 private:
  void Accept() {
    while (QTcpSocket* incoming = server_.nextPendingConnection()) {
      Drop();
      near_ = incoming;
      near_->setReadBufferSize(1 << 20);
      far_ = new QTcpSocket(&server_);
      for (QTcpSocket* socket : {near_, far_}) {
        QObject::connect(socket, &QTcpSocket::readyRead, [this] { Pump(); });
        QObject::connect(socket, &QTcpSocket::disconnected, [this] { Cut(); });
      }
      QObject::connect(far_, &QTcpSocket::connected, [this] { Pump(); });
      far_->connectToHost(QHostAddress::LocalHost, target_);
    }
  }
  void Pump() {
    if (!near_ || !far_ || far_->state() != QAbstractSocket::ConnectedState) return;
    const size_t room = HoldAfter - std::min(HoldAfter, FromDialler.size());
    const QByteArray up = near_->read(qint64(std::min(room, size_t(near_->bytesAvailable()))));
    FromDialler.append(up.constData(), size_t(up.size()));
    far_->write(up);
    near_->write(far_->readAll());
  }
  void Drop() {
    for (QTcpSocket* socket : {near_, far_}) {
      if (!socket) continue;
      socket->disconnect();
      socket->abort();
      socket->deleteLater();
    }
    near_ = far_ = nullptr;
    HoldAfter = SIZE_MAX;
  }

  QTcpServer server_;
  uint16_t target_;
  QTcpSocket *near_ = nullptr, *far_ = nullptr;
};

// A dials B (through the tap A's DialPort names) at the address its boxes took from
// Opponent.dat; true when both labels have turned green.
inline bool Connect(Copy& a, Copy& b) {
  a.Click("cmdConnect");
  return QTest::qWaitFor([&] { return a.Connected() && b.Connected(); }, 20000);
}

// Opens both copies with A's "Connect" leading through a tap to B.
template <typename BWindow = MainWindow>
std::unique_ptr<WireTap> OpenThroughTap(Copy& a, Copy& b) {
  auto tap = std::make_unique<WireTap>(b.env.PeerPort);
  a.env.DialPort = tap->Port();
  a.Open();
  b.Open<BWindow>();
  return tap;
}

// Every file below a folder: path relative to it -> bytes and modification time.
struct FileState {
  ByteString Bytes;
  std::filesystem::file_time_type Modified;
  bool operator==(const FileState&) const = default;
};
inline std::map<std::string, FileState> FilesBelow(const std::filesystem::path& folder) {
  std::map<std::string, FileState> files;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(folder, ec), end; it != end;
       it.increment(ec)) {
    if (it->is_regular_file())
      files[std::filesystem::relative(it->path(), folder).string()] = {
          ReadWholeFile(it->path()).value_or(""), it->last_write_time()};
  }
  return files;
}

}  // namespace e2e
