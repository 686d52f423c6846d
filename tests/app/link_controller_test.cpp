#include "app/link_controller.h"

#include <gmock/gmock.h>

#include <QTcpServer>
#include <QTest>
#include <filesystem>

#include "app/address_page_server.h"
#include "app/window_fixture.h"
#include "bridge/relay_tables.h"
#include "core/app_paths.h"
#include "media/media_list.h"
#include "net/bytes.h"
#include "net/peer_link.h"
#include "net/receiver.h"
#include "records/record_file.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

const ByteString kTail = "tail-of-the-relay";
const std::string kListening = "Please establish connection with Peer\r\nYour external IP is: ";

class FakeView : public LinkView {
 public:
  void SetDrop1BackColor(int color) override { Color = color; }
  void SetDrop1Caption(const QString& caption) override { Caption = caption.toStdString(); }
  QString AddressBoxText(int box) const override { return Boxes[box - 1]; }
  void EnableTimer2() override { Timer2 = true; }

  int Color = 255;
  std::string Caption = "Select a Character to proceed.";
  QString Boxes[4] = {"127", "0", "0", "1"};
  bool Timer2 = false;
};

// One copy of the program without its window: its folders, its port and the link.
struct Side {
  explicit Side(bool withMwse = true) {
    if (withMwse) game.Write("Data Files/MWSE/remotepc", "\x05\x06\x07\x08" + kTail);
    paths.GameDir = game.Path().string();
    paths.ProgramDir = program.Path().string();
    env.ProgramDir = paths.ProgramDir;
    env.PeerPort = WindowWorld::FreePort();
    env.InternetConnected = [] { return false; };
    env.LocalAddressTable = [] { return std::vector<std::array<uint8_t, 4>>{{127, 0, 0, 1}}; };
    env.PrimaryAddress = [] { return std::string("192.0.2.1"); };
    relay.VarNameCount = 3;
    relay.OutVarCount = 2;
  }

  bool Start() {
    int32_t port = env.PeerPort;
    return controller.StartServer(port, controller.LocalAddress);
  }
  ByteString RemotePc() const { return game.Read("Data Files/MWSE/remotepc"); }

  TempDir game, program;
  AppPaths paths;
  Environment env;
  RelayTables relay;
  MediaList media;
  NameGenerator names;
  FakeUi ui;
  FakeView view;
  PeerLink link;
  Receiver receiver{paths, media, relay, names, ui, link};
  LinkController controller{link, view, ui, env, paths, relay, receiver};
};

ByteString Word(char value) { return ByteString(1, value) + ByteString(3, '\0') + kTail; }

TEST(LinkController, StartServerShowsTheAddressesAndZeroesTheLinkWord) {
  AddressPageServer page("HTTP/1.0 200 OK\r\n\r\nYour Address: 84.1.2.3<br>\r\n");
  Side side;
  side.env.AddressPageUrl = page.Url();
  side.env.InternetConnected = [] { return true; };
  ASSERT_TRUE(side.Start());
  EXPECT_EQ(side.view.Color, 65535);
  EXPECT_EQ(side.view.Caption, kListening + "84.1.2.3\r\nYour LAN IP is: 192.0.2.1");
  EXPECT_EQ(side.RemotePc(), Word(0));
  EXPECT_THAT(side.ui.States, ElementsAre("Idle"));
  EXPECT_EQ(side.relay.VarNameCount, 0);
  EXPECT_EQ(side.relay.OutVarCount, 0);
}

// The port was taken while the link was up: when the link ends, the label turns red with a
// reason instead of staying green, and the games hear that no peer is connected.
TEST(LinkController, ALinkEndingWhenThePortIsTakenLeavesTheLabelRed) {
  for (bool broke : {true, false}) {
    SCOPED_TRACE(broke ? "error" : "closed");
    Side side;
    ASSERT_TRUE(side.Start());
    side.link.CloseListener();
    side.view.Color = 65280;
    side.view.Caption = "Connected to Peer";
    side.game.Write("Data Files/MWSE/remotepc", Word(1));
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost, side.env.PeerPort));
    if (broke) {
      emit side.link.Error();
    } else {
      emit side.link.Closed();
    }
    EXPECT_EQ(side.view.Color, 255);
    EXPECT_THAT(side.view.Caption, HasSubstr(std::to_string(side.env.PeerPort)));
    EXPECT_EQ(side.RemotePc(), Word(0));
  }
}

TEST(LinkController, NoMwseFolderIsCreatedForTheLinkWord) {
  Side side(/*withMwse=*/false);
  ASSERT_TRUE(side.Start());
  EXPECT_FALSE(std::filesystem::exists(side.game.Path() / "Data Files"));
}

TEST(LinkController, ALinkThatBreaksAfterConnectingListensAgainAndDropsPartData) {
  Side side;
  ASSERT_TRUE(side.Start());
  PeerLink peer;
  peer.Dial("127.0.0.1", static_cast<uint16_t>(side.env.PeerPort));
  ASSERT_TRUE(QTest::qWaitFor([&] { return side.link.IsConnected(); }, 5000));
  EXPECT_FALSE(side.link.IsListening());
  // A character message of which only a part arrived.
  side.receiver.ProcessArrival("\xFF\xFE" + LongToBytes(5000) + ByteString(3000, 'x'));
  ASSERT_TRUE(side.receiver.State().PayloadPending);
  emit side.link.Error();
  EXPECT_FALSE(side.link.IsConnected());
  EXPECT_TRUE(side.link.IsListening());
  EXPECT_FALSE(side.receiver.State().PayloadPending);
  EXPECT_EQ(side.ui.States.back(), "Disconnected");
}

TEST(LinkController, SendProgressFillsTheBarAndEndsServingInIdle) {
  Side side;
  emit side.link.SendProgress(25, 75);
  EXPECT_THAT(side.ui.FileProgress, ElementsAre(0.25 * 4455));
  emit side.link.SendProgress(100, 0);
  EXPECT_TRUE(side.ui.States.empty());
  side.receiver.State().ServingRequests = true;
  emit side.link.SendProgress(100, 0);
  EXPECT_THAT(side.ui.States, ElementsAre("Idle"));
}

}  // namespace
