#include "link/link_controller.h"

#include <gmock/gmock.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/qt_socket_layer.h"
#include "app/window_fixture.h"
#include "bridge/relay_tables.h"
#include "commands/relay_receiver.h"
#include "core/name_generator.h"
#include "net/bytes.h"
#include "net/media_list.h"
#include "net/receiver.h"
#include "support/address_page_server.h"
#include "support/fake_ui.h"
#include "support/socket_layer_contract.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 5000); }

const ByteString kTail = "tail-of-the-relay";
const std::string kListening = "Please establish connection with Peer\r\nYour external IP is: ";

class FakeView : public LinkView {
 public:
  void SetDrop1BackColor(int color) override { Color = color; }
  void SetDrop1Caption(const std::string& caption) override { Caption = caption; }
  std::string AddressBoxText(int box) const override { return Boxes[box - 1]; }
  void EnableTimer2() override { Timer2 = true; }
  void AskToLink(const std::string& question) override { Question = question; }
  void CloseLinkQuestion() override { Question.clear(); }
  void CheckQuestionAfter(std::chrono::milliseconds delay) override {
    QTimer::singleShot(delay, &Context, [this] { Check(); });
  }
  void RunOnWindowThread(std::function<void()> task) override {
    QMetaObject::invokeMethod(&Context, std::move(task), Qt::QueuedConnection);
  }

  int Color = 255;
  std::string Caption = "Select a Character to proceed.";
  std::string Boxes[4] = {"127", "0", "0", "1"};
  bool Timer2 = false;
  std::string Question;  // the open one
  std::function<void()> Check;
  QObject Context;
};

// One copy of the program without its window: its folders, its port and the link.
struct Side {
  explicit Side(bool withMwse = true) {
    if (withMwse) game.Write("Data Files/MWSE/remotepc", "\x05\x06\x07\x08" + kTail);
    paths.GameDir = game.Path().string();
    env.ProgramDir = paths.ProgramDir = program.Path().string();
    env.PrimaryAddress = [] { return std::string("192.0.2.1"); };
    relay.VarNameCount = relay.OutVarCount = 3;
    view.Check = [this] { controller.CheckQuestion(); };
  }

  bool Start() {
    int32_t port = env.PeerPort;
    return controller.StartServer(port, controller.LocalAddress);
  }
  ByteString RemotePc() const { return game.Read("Data Files/MWSE/remotepc"); }

  TempDir game, program;
  AppPaths paths;
  Environment env = WindowWorld().Env();
  RelayTables relay;
  MediaList media;
  NameGenerator names;
  FakeUi ui;
  FakeView view;
  QtSocketLayer sockets;
  PeerLink& link = sockets.Link();
  RelayReceiver relayReceiver{paths, relay};
  Receiver receiver{paths, media, relayReceiver, names, ui, link};
  LinkController controller{link, view, ui, env, paths, relay, receiver};
};

// The address page is asked once per listen, on a thread of its own: the label does not
// wait for it and shows the answer when it comes.
TEST(LinkController, StartServerShowsTheAddressesAndZeroesTheLinkWord) {
  AddressPageServer page("HTTP/1.0 200 OK\r\n\r\nYour Address: 84.1.2.3<br>\r\n", false);
  Side side;
  side.env.AddressPageUrl = page.Url();
  side.env.InternetConnected = [] { return true; };
  ASSERT_TRUE(side.Start());
  EXPECT_EQ(side.view.Color, 65535);
  EXPECT_EQ(side.view.Caption, kListening + "\r\nYour LAN IP is: 192.0.2.1");
  EXPECT_EQ(side.RemotePc(), ByteString(4, '\0') + kTail);
  EXPECT_EQ(side.relay.VarNameCount + side.relay.OutVarCount, 0);
  page.Hold = false;
  const std::string shown = kListening + "84.1.2.3\r\nYour LAN IP is: 192.0.2.1";
  ASSERT_TRUE(WaitFor([&] { return side.view.Caption == shown; }));
  QTcpSocket peer;  // a link opens and closes
  peer.connectToHost(QHostAddress::LocalHost, side.env.PeerPort);
  ASSERT_TRUE(WaitFor([&] { return side.view.Color == 65280; }));
  peer.disconnectFromHost();
  ASSERT_TRUE(WaitFor([&] { return side.view.Caption == shown && page.Requests() >= 2; }));
  QTest::qWait(200);  // time for a request too many
  EXPECT_EQ(page.Requests(), 2);
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
    side.game.Write("Data Files/MWSE/remotepc", "\x01" + ByteString(3, '\0') + kTail);
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost, side.env.PeerPort));
    broke ? side.controller.OnError() : side.controller.OnClosed();
    EXPECT_EQ(side.view.Color, 255);
    EXPECT_THAT(side.view.Caption, HasSubstr(std::to_string(side.env.PeerPort)));
    EXPECT_EQ(side.RemotePc(), ByteString(4, '\0') + kTail);
  }
}

// No MWSE folder is made for the link word either.
TEST(LinkController, ALinkThatBreaksAfterConnectingListensAgainAndDropsPartData) {
  Side side(/*withMwse=*/false);
  ASSERT_TRUE(side.Start());
  QtSocketLayer peer;
  peer.Link().Dial("127.0.0.1", static_cast<uint16_t>(side.env.PeerPort));
  ASSERT_TRUE(WaitFor([&] { return side.link.IsConnected(); }));
  EXPECT_FALSE(side.link.IsListening());
  // A character message of which only a part arrived.
  side.receiver.ProcessArrival("\xFF\xFE" + LongToBytes(5000) + ByteString(3000, 'x'));
  ASSERT_TRUE(side.receiver.State().PayloadPending);
  side.controller.OnError();
  EXPECT_TRUE(!side.link.IsConnected() && side.link.IsListening());
  EXPECT_FALSE(side.receiver.State().PayloadPending);
  EXPECT_EQ(side.ui.States.back(), "Disconnected");
  EXPECT_TRUE(side.ui.Messages.empty());
  EXPECT_FALSE(std::filesystem::exists(side.game.Path() / "Data Files"));
}

// Anyone but the friend (the boxes, the last peer) is asked about; nothing they send is read
// before "Accept". No answer in time closes their connection, and the friend is never kept
// waiting behind them. (The namespace tests answer "Refuse".)
TEST(LinkController, AStrangerIsAskedAboutAndTheFriendNeverWaits) {
  Side side;
  ASSERT_TRUE(side.Start());
  const auto dial = [&](const char* from) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->bind(QHostAddress(from), 0);
    socket->connectToHost(QHostAddress::LocalHost, side.env.PeerPort);
    socket->write("\xFF");  // a transfer starts: once read, the window is busy
    return socket;
  };
  const auto asked = [&] { return side.view.Question == "127.0.0.9 wants to link with you."; };
  const auto closed = [](auto& socket) {
    return WaitFor([&] { return socket->state() == QAbstractSocket::UnconnectedState; });
  };
  auto stranger = dial("127.0.0.9");
  ASSERT_TRUE(WaitFor(asked));
  auto friendly = dial("127.0.0.1");
  ASSERT_TRUE(WaitFor([&] { return side.view.Color == 65280 && side.view.Question.empty(); }));
  ASSERT_TRUE(closed(stranger));
  friendly->disconnectFromHost();
  ASSERT_TRUE(WaitFor([&] { return side.link.IsListening(); }));
  EXPECT_EQ(std::count(side.ui.States.begin(), side.ui.States.end(), "Busy"), 1) << "read early";
  side.controller.Policy() = AcceptPolicy(std::chrono::milliseconds(1));
  stranger = dial("127.0.0.9");
  ASSERT_TRUE(closed(stranger));
  EXPECT_TRUE(side.view.Question.empty());
  side.controller.Policy() = AcceptPolicy();
  stranger = dial("127.0.0.9");
  ASSERT_TRUE(WaitFor(asked));
  side.controller.AnswerLinkQuestion(true);
  ASSERT_TRUE(WaitFor([&] { return side.ui.States.back() == "Busy"; }));
  EXPECT_EQ(side.program.Read("Opponent.dat"), ByteString("\x7F\0\0\x09", 4));
}

// What arrives while the handler runs waits in a bounded buffer: TCP holds the peer back.
// (The order and the handler's guard are the peer link's own, tested without sockets.)
TEST(QtSocketLayer, DataArrivingDuringTheHandlerWaitsInABoundedBuffer) {
  QtSocketLayer serverSockets, clientSockets;
  PeerLink &server = serverSockets.Link(), &client = clientSockets.Link();
  RecordedLinkEvents events(server);
  ASSERT_TRUE(server.Listen("127.0.0.1", 0));
  client.Dial("127.0.0.1", serverSockets.ListenerPort());
  ASSERT_TRUE(WaitFor([&] { return !events.Requests.empty(); }));
  server.Accept(events.Requests[0]);
  qint64 buffered = 0;
  size_t received = 0;
  const ByteString first = "first;", rest(64 << 20, 'r');
  server.SetArrivalHandler([&](const ByteString& data) {
    if ((received += data.size()) != first.size()) return;
    client.Send(rest);  // the handler yields while more data arrives
    QTest::qWait(300);
    buffered = serverSockets.Connection()->bytesAvailable();
  });
  ASSERT_TRUE(WaitFor([&] { return client.IsConnected(); }));
  client.Send(first);
  ASSERT_TRUE(WaitFor([&] { return received == first.size() + rest.size(); }));
  EXPECT_LT(buffered, 16 << 20);
}

struct QtFront {
  using Sockets = QtSocketLayer;
  static bool WaitFor(const std::function<bool()>& condition) { return ::WaitFor(condition); }
};
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, SocketLayerContract, QtFront);

}  // namespace
