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
  // Listening (yellow, link word 0) or connected (green, link word 1).
  void Expect(bool connected) {
    EXPECT_EQ(Control("Drop1")->palette().color(QPalette::Window),
              connected ? QColor(0, 255, 0) : QColor(255, 255, 0));
    EXPECT_EQ(WholeLinkWord(), ByteString(1, connected) + ByteString(3, '\0') + kTail);
    EXPECT_EQ(window->Link().IsListening(), !connected);
    EXPECT_TRUE(world.Messages.empty());
  }
};

// One copy dials, the other accepts; when the dialling side's program ends, the accepting
// side goes back to listening.
TEST(LinkEndToEnd, TwoWindowsConnectAndTheOneLeftGoesBackToListening) {
  LinkCopy dialler, acceptor;
  dialler.env.DialPort = acceptor.env.PeerPort;
  dialler.Open();
  acceptor.Open();
  acceptor.world.Program.Write("Opponent.dat", "an older peer, longer");
  ASSERT_TRUE(Connect(dialler, acceptor));
  for (LinkCopy* copy : {&dialler, &acceptor}) {
    copy->Expect(true);
    EXPECT_EQ(copy->world.Program.Read("Opponent.dat"), ByteString("\x7F\x00\x00\x01", 4));
    EXPECT_FALSE(copy->Control("cmdPlay")->isHidden());
  }
  dialler.window->EndProgram();
  ASSERT_TRUE(QTest::qWaitFor([&] { return acceptor.Listening(); }));
  acceptor.Expect(false);
}

}  // namespace
