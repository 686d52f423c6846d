#include <QLabel>
#include <QTimer>

#include "e2e/two_copies.h"

namespace {

using namespace e2e;

const ByteString kTail = "values the relay keeps";

// A copy whose link word carries a tail the relay keeps.
struct LinkCopy : Copy {
  LinkCopy() { WriteGameFile("Data Files/MWSE/remotepc", ByteString(4, '\x09') + kTail); }

  ByteString WholeLinkWord() {
    return world.Prefix.Read(std::string(kGameInPrefix) + "Data Files/MWSE/remotepc");
  }
  bool Timer2() { return Control<QTimer>("Timer2")->isActive(); }
  // Listening (yellow, link controls shown, link word 0) or connected (green, hidden, 1).
  void Expect(bool connected) {
    EXPECT_EQ(window->Drop1BackColor(), connected ? 65280 : 65535);
    EXPECT_EQ(Control("Drop1")->palette().color(QPalette::Window),
              connected ? QColor(0, 255, 0) : QColor(255, 255, 0));
    EXPECT_EQ(Control<QLabel>("Drop1")->text().toStdString(),
              connected ? "Connected to Peer"
                        : "Please establish connection with Peer\r\nYour external IP is: "
                          "\r\nYour LAN IP is: 127.0.0.1");
    for (const char* name : {"cmdConnect", "Text1", "Text2", "Text3", "Text4"})
      EXPECT_EQ(Control(name)->isHidden(), connected) << name;
    EXPECT_EQ(WholeLinkWord(), ByteString(1, connected) + ByteString(3, '\0') + kTail);
    EXPECT_EQ(window->Link().IsListening(), !connected);
    EXPECT_TRUE(world.Messages.empty());
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
    first.world.Program.Write("Opponent.dat", "an older peer, longer");
    LinkCopy& dialler = firstDials ? first : second;
    LinkCopy& acceptor = firstDials ? second : first;
    ASSERT_TRUE(Connect(dialler, acceptor));
    for (LinkCopy* copy : {&first, &second}) {
      copy->Expect(true);
      EXPECT_EQ(copy->world.Program.Read("Opponent.dat"), ByteString("\x7F\x00\x00\x01", 4));
      EXPECT_TRUE(copy->Timer2() && !copy->Control("cmdPlay")->isHidden());
    }
    LinkCopy& staying = firstDials ? acceptor : dialler;
    (firstDials ? dialler : acceptor).window->EndProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return staying.Listening(); }));
    staying.Expect(false);
    EXPECT_TRUE(staying.Timer2());  // stays on after a close
  }
}

}  // namespace
