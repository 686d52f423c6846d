#include <QLabel>
#include <QTimer>

#include "e2e/two_copies.h"

namespace {

using namespace e2e;

const ByteString kTail = "values the relay keeps";

// A copy whose link word carries a tail the relay keeps.
struct LinkCopy : Copy {
  LinkCopy() { WriteGameFile("Data Files/MWSE/remotepc", ByteString(4, '\x09') + kTail); }

  QString Caption() { return Control<QLabel>("Drop1")->text(); }
  QColor Background() { return Control("Drop1")->palette().color(QPalette::Window); }
  ByteString WholeLinkWord() {
    return world.Prefix.Read(std::string(kGameInPrefix) + "Data Files/MWSE/remotepc");
  }
  bool LinkControlsHidden(bool hidden) {
    for (const char* name : {"cmdConnect", "Text1", "Text2", "Text3", "Text4"}) {
      if (Control(name)->isHidden() != hidden) return false;
    }
    return true;
  }

  void ExpectListening() {
    EXPECT_EQ(window->Drop1BackColor(), 65535);
    EXPECT_EQ(Background(), QColor(255, 255, 0));
    EXPECT_EQ(Caption().toStdString(),
              "Please establish connection with Peer\r\nYour external IP is: \r\nYour LAN IP is: "
              "127.0.0.1");
    EXPECT_TRUE(LinkControlsHidden(false));
    EXPECT_TRUE(Idle());
    EXPECT_EQ(WholeLinkWord(), ByteString(4, '\0') + kTail);
    EXPECT_TRUE(window->Link().IsListening());
    EXPECT_TRUE(world.Messages.empty());
  }

  void ExpectConnected() {
    EXPECT_EQ(window->Drop1BackColor(), 65280);
    EXPECT_EQ(Background(), QColor(0, 255, 0));
    EXPECT_EQ(Caption(), "Connected to Peer");
    EXPECT_TRUE(LinkControlsHidden(true));
    EXPECT_FALSE(Control("cmdPlay")->isHidden());
    EXPECT_EQ(world.Program.Read("Opponent.dat"), ByteString("\x7F\x00\x00\x01", 4));
    EXPECT_EQ(WholeLinkWord(), ByteString("\x01\x00\x00\x00", 4) + kTail);
    EXPECT_TRUE(Control<QTimer>("Timer2")->isActive());
    EXPECT_FALSE(window->Link().IsListening());
  }
};

// Either copy may dial; the other accepts. When the dialling side's program ends, the
// accepting side goes back to listening, and the other way round.
TEST(LinkEndToEnd, TwoWindowsConnectEitherWayAndGoBackToListening) {
  for (bool firstDials : {true, false}) {
    SCOPED_TRACE(firstDials ? "first dials" : "second dials");
    LinkCopy first, second;
    first.env.DialPort = second.env.PeerPort;
    second.env.DialPort = first.env.PeerPort;
    first.Open();
    second.Open();
    first.ExpectListening();
    second.ExpectListening();
    first.world.Program.Write("Opponent.dat", "an older peer, longer");

    LinkCopy& dialler = firstDials ? first : second;
    LinkCopy& acceptor = firstDials ? second : first;
    ASSERT_TRUE(Connect(dialler, acceptor));
    first.ExpectConnected();
    second.ExpectConnected();

    LinkCopy& ending = firstDials ? dialler : acceptor;
    LinkCopy& staying = firstDials ? acceptor : dialler;
    ending.window->EndProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return staying.Listening(); }));
    staying.ExpectListening();
    EXPECT_TRUE(staying.Control<QTimer>("Timer2")->isActive());  // stays on after a close
  }
}

TEST(LinkEndToEnd, ADialToAClosedPortReturnsToListeningWithoutAMessage) {
  LinkCopy copy;
  copy.env.DialPort = WindowWorld::FreePort();
  copy.Open();
  copy.Dial();
  // Listening again means the failed dial has been handled.
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return copy.window->Link().Connection()->state() == QAbstractSocket::UnconnectedState &&
           copy.window->Link().IsListening();
  }));
  copy.ExpectListening();
  EXPECT_FALSE(copy.Control<QTimer>("Timer2")->isActive());
}

}  // namespace
