#include <gmock/gmock.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/address_box.h"
#include "app/window_fixture.h"

namespace {

const char* kRemotepc = "drive_c/Games/Morrowind/Data Files/MWSE/remotepc";
const ByteString kTail = "values the relay keeps";
const QString kListening =
    "Please establish connection with Peer\r\nYour external IP is: \r\nYour LAN IP is: 127.0.0.1";

// One copy of the program with its own Wine prefix, game folder, program folder and port.
struct Copy {
  Copy() {
    world.Prefix.Write(kRemotepc, ByteString("\x09\x09\x09\x09", 4) + kTail);
    world.Register("C:\\Games\\Morrowind");
    env = world.Env();
    env.PrimaryAddress = [] { return std::string("127.0.0.1"); };
  }

  void Open() {
    window = std::make_unique<MainWindow>(env);
    window->MessageHook = [this](const std::string& text, const std::string& title,
                                 MessageIcon icon) {
      world.Messages.push_back({text, title, icon});
    };
    window->ProgramEndHook = [this] { ++world.ProgramEnds; };
    window->Startup();
    window->show();
  }

  template <typename T = QWidget>
  T* Control(const char* name) {
    return window->findChild<T*>(name);
  }
  QString Caption() { return Control<QLabel>("Drop1")->text(); }
  QColor Background() { return Control("Drop1")->palette().color(QPalette::Window); }
  ByteString LinkWord() { return world.Prefix.Read(kRemotepc); }
  bool BoxesShown() {
    bool shown = !Control("cmdConnect")->isHidden();
    for (const char* box : {"Text1", "Text2", "Text3", "Text4"}) shown &= !Control(box)->isHidden();
    return shown;
  }
  bool Idle() { return !Control("cmdCharacter")->isHidden() && Control("Label3")->isHidden(); }

  void Dial(const QString& address) {
    QStringList octets = address.split('.');
    for (int i = 0; i < 4; ++i)
      Control<AddressBox>(qPrintable(QString("Text%1").arg(i + 1)))->setText(octets[i]);
    QTest::mouseClick(Control<QPushButton>("cmdConnect"), Qt::LeftButton);
  }

  void ExpectListening() {
    EXPECT_EQ(window->Drop1BackColor(), 65535);
    EXPECT_EQ(Background(), QColor(255, 255, 0));
    EXPECT_EQ(Caption().toStdString(), kListening.toStdString());
    EXPECT_TRUE(BoxesShown());
    EXPECT_TRUE(Idle());
    EXPECT_EQ(LinkWord(), ByteString(4, '\0') + kTail);
    EXPECT_TRUE(window->Link().IsListening());
    EXPECT_TRUE(world.Messages.empty());
  }

  void ExpectConnected() {
    EXPECT_EQ(window->Drop1BackColor(), 65280);
    EXPECT_EQ(Background(), QColor(0, 255, 0));
    EXPECT_EQ(Caption(), "Connected to Peer");
    EXPECT_TRUE(Control("cmdConnect")->isHidden());
    EXPECT_TRUE(Control("Text1")->isHidden());
    EXPECT_TRUE(Control("Text4")->isHidden());
    EXPECT_FALSE(Control("cmdPlay")->isHidden());
    EXPECT_EQ(world.Program.Read("Opponent.dat"), ByteString("\x7F\x00\x00\x01", 4));
    EXPECT_EQ(LinkWord(), ByteString("\x01\x00\x00\x00", 4) + kTail);
    EXPECT_TRUE(Control<QTimer>("Timer2")->isActive());
    EXPECT_FALSE(window->Link().IsListening());
  }

  WindowWorld world;
  Environment env;
  std::unique_ptr<MainWindow> window;
};

bool BothGreen(Copy& a, Copy& b) {
  return QTest::qWaitFor(
      [&] { return a.window->Drop1BackColor() == 65280 && b.window->Drop1BackColor() == 65280; });
}

// Either copy may dial; the other accepts. When the dialling side's program ends, the
// accepting side goes back to listening, and the other way round.
TEST(LinkEndToEnd, TwoWindowsConnectEitherWayAndGoBackToListening) {
  for (bool firstDials : {true, false}) {
    SCOPED_TRACE(firstDials ? "first dials" : "second dials");
    Copy first, second;
    first.env.DialPort = second.env.PeerPort;
    second.env.DialPort = first.env.PeerPort;
    first.Open();
    second.Open();
    first.ExpectListening();
    second.ExpectListening();
    first.world.Program.Write("Opponent.dat", "an older peer, longer");

    Copy& dialler = firstDials ? first : second;
    Copy& acceptor = firstDials ? second : first;
    dialler.Dial("127.0.0.1");
    ASSERT_TRUE(BothGreen(first, second));
    first.ExpectConnected();
    second.ExpectConnected();

    Copy& ending = firstDials ? dialler : acceptor;
    Copy& staying = firstDials ? acceptor : dialler;
    ending.window->EndProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return staying.window->Drop1BackColor() == 65535; }));
    staying.ExpectListening();
    EXPECT_TRUE(staying.Control<QTimer>("Timer2")->isActive());  // stays on after a close
  }
}

TEST(LinkEndToEnd, ADialToAClosedPortReturnsToListeningWithoutAMessage) {
  Copy copy;
  copy.env.DialPort = WindowWorld::FreePort();
  copy.Open();
  copy.Dial("127.0.0.1");
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return copy.window->Link().Connection()->state() == QAbstractSocket::UnconnectedState;
  }));
  QTest::qWait(50);
  copy.ExpectListening();
  EXPECT_FALSE(copy.Control<QTimer>("Timer2")->isActive());
}

}  // namespace
