#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <string>
#include <vector>

#include "app/window_fixture.h"
#include "net/peer_link.h"

namespace {

bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 5000); }

// Two links over loopback: `server` listens and accepts, `client` dials it.
class LinkPair : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Listen("127.0.0.1", 0));
    QObject::connect(&server, &PeerLink::ConnectionRequest, [this] {
      ++requests;
      server.Accept();
    });
    client.Dial("127.0.0.1", server.ListenerPort());
    ASSERT_TRUE(WaitFor([this] { return server.IsConnected() && client.IsConnected(); }));
  }

  PeerLink server;
  PeerLink client;
  int requests = 0;
};

TEST_F(LinkPair, PeerClosingIsClosedAndOwnCloseRaisesNothing) {
  QSignalSpy serverClosed(&server, &PeerLink::Closed), serverError(&server, &PeerLink::Error);
  QSignalSpy clientClosed(&client, &PeerLink::Closed), clientError(&client, &PeerLink::Error);
  EXPECT_EQ(server.RemoteAddress(), "127.0.0.1");
  EXPECT_EQ(server.ListenerAddress(), "127.0.0.1");
  client.CloseConnection();
  ASSERT_TRUE(serverClosed.wait(5000));
  // A later connection is accepted: the events of the first one are all behind us.
  PeerLink later;
  later.Dial("127.0.0.1", server.ListenerPort());
  ASSERT_TRUE(WaitFor([&] { return requests == 2 && later.IsConnected(); }));
  EXPECT_EQ(serverClosed.count(), 1);
  EXPECT_EQ(serverError.count(), 0);
  EXPECT_EQ(clientClosed.count() + clientError.count(), 0);
}

TEST(Link, FailedDialIsError) {
  PeerLink link;
  QSignalSpy closed(&link, &PeerLink::Closed), error(&link, &PeerLink::Error);
  link.Dial("127.0.0.1", WindowWorld::FreePort());  // nobody listens there
  ASSERT_TRUE(error.wait(5000));
  link.Dial("not.an.address", 1);  // never looked up by name
  ASSERT_TRUE(error.wait(5000));
  EXPECT_EQ(closed.count(), 0);
}

TEST_F(LinkPair, DataArrivingDuringTheHandlerFollowsInOrderWithoutReentry) {
  std::vector<std::string> events;
  ByteString received;
  int depth = 0, deepest = 0;
  const ByteString first = "first;", rest = std::string(200000, 'r') + "end";
  server.SetArrivalHandler([&](const ByteString& data) {
    deepest = std::max(deepest, ++depth);
    events.push_back("data");
    received += data;
    if (received == first) {
      // The handler yields while more data and the close arrive.
      client.Send(rest);
      QTest::qWait(200);
      client.CloseConnection();
      QTest::qWait(200);
    }
    --depth;
  });
  QObject::connect(&server, &PeerLink::Closed, [&] { events.push_back("closed"); });
  client.Send(first);
  ASSERT_TRUE(WaitFor([&] { return !events.empty() && events.back() == "closed"; }));
  EXPECT_EQ(received, first + rest);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(std::count(events.begin(), events.end(), "closed"), 1);
}

TEST_F(LinkPair, ASecondRequestIsRefusedWhileConnected) {
  PeerLink third;
  QSignalSpy thirdEnded(&third, &PeerLink::Closed), thirdError(&third, &PeerLink::Error);
  third.Dial("127.0.0.1", server.ListenerPort());
  ASSERT_TRUE(WaitFor([&] { return thirdEnded.count() + thirdError.count() > 0; }));
  EXPECT_EQ(requests, 1);
  ByteString received;
  server.SetArrivalHandler([&](const ByteString& data) { received += data; });
  client.Send("still here");
  ASSERT_TRUE(WaitFor([&] { return received == "still here"; }));
}

TEST_F(LinkPair, SendProgressEndsWithNothingRemaining) {
  std::vector<std::pair<qint64, qint64>> reports;
  QObject::connect(&server, &PeerLink::SendProgress,
                   [&](qint64 sent, qint64 remaining) { reports.emplace_back(sent, remaining); });
  ByteString received;
  client.SetArrivalHandler([&](const ByteString& data) { received += data; });
  const ByteString big(4 << 20, 'b');
  server.Send(big);
  ASSERT_TRUE(WaitFor([&] { return received.size() == big.size(); }));
  ASSERT_TRUE(WaitFor([&] { return !reports.empty() && reports.back().second == 0; }));
  for (const auto& [sent, remaining] : reports)
    EXPECT_EQ(sent + remaining, static_cast<qint64>(big.size()));
  EXPECT_EQ(reports.back().first, static_cast<qint64>(big.size()));
}

TEST(Link, ListenFailsOnAPortInUseAndOnABadAddress) {
  QTcpServer occupant;
  ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost, 0));
  PeerLink link;
  EXPECT_FALSE(link.Listen("127.0.0.1", occupant.serverPort()));
  EXPECT_FALSE(link.Listen("1.2.3", 0));
  EXPECT_TRUE(link.Listen("", 0));
  EXPECT_EQ(link.ListenerAddress(), "0.0.0.0");
}

}  // namespace
