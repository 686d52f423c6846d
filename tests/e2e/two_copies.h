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

#include "app/address_box.h"
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
    world.Register("C:\\Games\\Morrowind");
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
  // Types the loopback address into the four boxes and clicks "Connect" (env.DialPort).
  void Dial() {
    for (int i = 0; i < 4; ++i)
      Control<AddressBox>(qPrintable(QString("Text%1").arg(i + 1)))->setText(i ? "0" : "127");
    Control<AddressBox>("Text4")->setText("1");
    Click("cmdConnect");
  }
  // Picks `name` in the savegame chooser with "Ok"; returns what the chooser listed, or
  // nothing when it did not open or did not close.
  QStringList ChooseSavegame(const QString& name) {
    Click("cmdCharacter");
    SavegameChooser* chooser = window->SavegameChooserWindow();
    if (!chooser) return {};
    auto* list = chooser->findChild<QListWidget*>("File1");
    QStringList listed;
    for (int i = 0; i < list->count(); ++i) listed << list->item(i)->text();
    list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
    QTest::mouseClick(chooser->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    return QTest::qWaitFor([&] { return !window->SavegameChooserWindow(); }) ? listed
                                                                             : QStringList();
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
  // Once the dialling copy has sent this many bytes in all, the rest is not passed on and
  // the connection is cut.
  size_t CutAfter = SIZE_MAX;
  // Beyond this many bytes, what the dialling copy sends waits (and holds it back) until
  // Release().
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
    QByteArray up = near_->read(qint64(std::min(room, size_t(near_->bytesAvailable())))),
               down = far_->readAll();
    if (CutAfter == 0) return;  // cut: whatever still comes is dropped
    const bool cut = FromDialler.size() + size_t(up.size()) >= CutAfter;
    if (cut) up.truncate(qsizetype(CutAfter - FromDialler.size()));
    FromDialler.append(up.constData(), size_t(up.size()));
    far_->write(up);
    if (cut) {
      CutAfter = 0;
      return Cut();
    }
    near_->write(down);
  }
  void Drop() {
    for (QTcpSocket* socket : {near_, far_}) {
      if (!socket) continue;
      socket->disconnect();
      socket->abort();
      socket->deleteLater();
    }
    near_ = far_ = nullptr;
    if (CutAfter == 0) CutAfter = SIZE_MAX;
  }

  QTcpServer server_;
  uint16_t target_;
  QTcpSocket *near_ = nullptr, *far_ = nullptr;
};

// A dials B (through the tap A's DialPort names); true when both labels have turned green.
inline bool Connect(Copy& a, Copy& b) {
  a.Dial();
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

// A dials B through a tap.
class TappedPair : public testing::Test {
 protected:
  void OpenAndConnect() {
    tap = OpenThroughTap(a, b);
    ASSERT_TRUE(Connect(a, b));
  }
  Copy a, b;
  std::unique_ptr<WireTap> tap;
};

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
