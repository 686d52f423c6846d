#pragma once

#include <gmock/gmock.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "link/peer_link.h"

// What every front end's sockets owe the peer link, over loopback through a PeerLink. A test
// program instantiates it with a Front that names its Sockets (a SocketLayer with Link() and
// ListenerPort()) and a WaitFor(condition) that runs the event loop until the condition holds
// or a generous time has passed.
template <class Front>
class SocketLayerContract : public testing::Test {
 protected:
  using Sockets = typename Front::Sockets;
  static bool WaitFor(const std::function<bool()>& condition) { return Front::WaitFor(condition); }
};

// A link's events in order; its requests wait for the test to answer them.
struct RecordedLinkEvents : LinkEvents {
  explicit RecordedLinkEvents(PeerLink& link) { link.SetEvents(this); }
  void OnConnectionRequest(uint64_t request) override { Requests.push_back(request); }
  void OnConnected() override { Log.push_back("connected"); }
  void OnClosed() override { Log.push_back("closed"); }
  void OnError() override { Log.push_back("error"); }
  void OnSendProgress(int64_t, int64_t remaining) override { Remaining = remaining; }

  std::vector<uint64_t> Requests;
  std::vector<std::string> Log;
  int64_t Remaining = -1;
};

TYPED_TEST_SUITE_P(SocketLayerContract);

// An incoming connection is held unread: refused, the dialler sees it close; adopted, what
// was sent meanwhile is read first. Several MiB arrive whole and in order, and so does what
// was written just before the sender closed, ahead of the end.
TYPED_TEST_P(SocketLayerContract, IncomingConnectionsAreHeldUnreadAndBytesArriveInOrder) {
  typename TestFixture::Sockets serverSockets, clientSockets;
  PeerLink &server = serverSockets.Link(), &client = clientSockets.Link();
  RecordedLinkEvents serverEvents(server), clientEvents(client);
  ByteString received;
  server.SetArrivalHandler([&](const ByteString& data) { received += data; });
  ASSERT_TRUE(server.Listen("", 0));
  const auto knock = [&](const ByteString& bytes) {
    const size_t requests = serverEvents.Requests.size();
    client.Dial("127.0.0.2", serverSockets.ListenerPort());  // listening on all of loopback
    ASSERT_TRUE(this->WaitFor([&] { return serverEvents.Requests.size() > requests; }));
    ASSERT_TRUE(this->WaitFor([&] { return client.IsConnected(); }));
    client.Send(bytes);
    ASSERT_TRUE(this->WaitFor([&] { return clientSockets.BytesToWrite() == 0; }));
    bool ran = false;  // the server's loop has had its chance to read
    serverSockets.Post([&] { ran = true; });
    ASSERT_TRUE(this->WaitFor([&] { return ran; }));
  };
  ASSERT_NO_FATAL_FAILURE(knock("unread"));
  server.Refuse(serverEvents.Requests.back());
  ASSERT_TRUE(this->WaitFor([&] { return clientEvents.Log.size() == 2; }));
  EXPECT_THAT(clientEvents.Log, testing::ElementsAre("connected", "closed"));

  ASSERT_NO_FATAL_FAILURE(knock("first;"));
  EXPECT_EQ(received, "");
  EXPECT_EQ(server.RequestAddress(serverEvents.Requests.back()),
            (std::array<uint8_t, 4>{127, 0, 0, 1}));
  server.Accept(serverEvents.Requests.back());
  EXPECT_EQ(server.RemoteAddress(), "127.0.0.1");
  EXPECT_EQ(client.RemoteAddress(), "127.0.0.2");
  ByteString big(5 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  clientEvents.Remaining = -1;
  client.Send(big);
  ASSERT_TRUE(this->WaitFor([&] { return clientEvents.Remaining == 0; }));
  const ByteString last = ";" + ByteString(512 << 10, 'z');  // still queued as the sender closes
  client.Send(last);
  client.CloseConnection();
  ASSERT_TRUE(this->WaitFor([&] { return !serverEvents.Log.empty(); }));
  EXPECT_THAT(serverEvents.Log, testing::ElementsAre("closed"));
  EXPECT_TRUE(received == "first;" + big + last) << received.size();
  EXPECT_EQ(server.RemoteAddress(), "");
}

TYPED_TEST_P(SocketLayerContract, FailedDialIsErrorAndListenFailsOnAPortInUseOrABadAddress) {
  typename TestFixture::Sockets sockets, occupant;
  PeerLink& link = sockets.Link();
  RecordedLinkEvents events(link);
  ASSERT_TRUE(occupant.Listen("127.0.0.1", 0));
  const uint16_t port = occupant.ListenerPort();
  EXPECT_FALSE(link.Listen("127.0.0.1", port));
  EXPECT_NE(link.ListenError(), "");
  EXPECT_FALSE(link.Listen("1.2.3", 0));
  occupant.CloseListener();
  link.Dial("127.0.0.1", port);  // nobody listens there now
  ASSERT_TRUE(this->WaitFor([&] { return events.Log.size() == 1; }));
  link.Dial("not.an.address", 1);  // never looked up by name
  ASSERT_TRUE(this->WaitFor([&] { return events.Log.size() == 2; }));
  EXPECT_THAT(events.Log, testing::ElementsAre("error", "error"));
}

// Posted tasks run in order from the event loop, never inside Post.
TYPED_TEST_P(SocketLayerContract, PostedTasksRunLaterInOrder) {
  typename TestFixture::Sockets sockets;
  std::string order;
  sockets.Post([&] {
    order += 'a';
    sockets.Post([&] { order += 'c'; });
  });
  sockets.Post([&] { order += 'b'; });
  EXPECT_EQ(order, "");
  ASSERT_TRUE(this->WaitFor([&] { return order.size() == 3; }));
  EXPECT_EQ(order, "abc");
}

REGISTER_TYPED_TEST_SUITE_P(SocketLayerContract,
                            IncomingConnectionsAreHeldUnreadAndBytesArriveInOrder,
                            FailedDialIsErrorAndListenFailsOnAPortInUseOrABadAddress,
                            PostedTasksRunLaterInOrder);
