#include "link/peer_link.h"

#include <gmock/gmock.h>

#include <utility>
#include <vector>

namespace {

using testing::ElementsAre;

// Sockets that never touch the system (the test plays the front end's events), and the
// link's events.
struct FakeSockets : SocketLayer, LinkEvents {
  bool Listen(const std::string&, uint16_t) override { return Listening = true; }
  void CloseListener() override { Listening = false; }
  bool IsListening() const override { return Listening; }
  std::string ListenError() const override { return {}; }
  bool Adopt(uint64_t) override { return Open = true; }
  void Refuse(uint64_t incoming) override { Log.push_back("refused " + std::to_string(incoming)); }
  bool Dial(const std::string&, uint16_t) override { return Open = true; }
  void Abort(bool) override { Open = false; }
  bool IsConnected() const override { return Open; }
  bool IsOpen() const override { return Open; }
  std::string RemoteAddress() const override { return {}; }
  void Write(const ByteString&) override {}
  uint64_t BytesToWrite() const override { return 0; }
  ByteString Read() override { return std::exchange(Arrived, {}); }
  void Post(std::function<void()> task) override { Posted.push_back(std::move(task)); }
  void RunPosted() {
    for (auto tasks = std::exchange(Posted, {}); auto& task : tasks) task();
  }

  void OnConnectionRequest(uint64_t request) override {
    Log.push_back("request " + std::to_string(request));
  }
  void OnConnected() override {}
  void OnClosed() override { Log.push_back("closed"); }
  void OnError() override { Log.push_back("error"); }
  void OnSendProgress(int64_t, int64_t) override {}

  bool Listening = false, Open = false;
  ByteString Arrived;
  std::vector<std::function<void()>> Posted;
  std::vector<std::string> Log;  // what the link did and raised, in order
};

// The handler yields to the event loop: what arrives meanwhile, and the end of the link,
// follow after it returns, in order, without re-entering it.
TEST(PeerLink, DataAndTheEndDuringTheHandlerFollowIt) {
  FakeSockets sockets;
  PeerLink link(sockets);
  link.SetEvents(&sockets);
  link.Dial("127.0.0.1", 1);
  bool inside = false;
  link.SetArrivalHandler([&](const ByteString& data) {
    sockets.Log.push_back(inside ? "re-entered" : data);
    if (data != "a") return;
    inside = true;
    sockets.Arrived = "b";
    link.OnReadable();
    link.OnDisconnected();
    inside = false;
  });
  sockets.Arrived = "a";
  link.OnReadable();
  EXPECT_THAT(sockets.Log, ElementsAre("a", "b", "closed"));
}

// Requests are offered from the event loop; one that comes while a connection is open is
// refused unread, and so are those still waiting when the listener closes.
TEST(PeerLink, OneConnectionAtATime) {
  FakeSockets sockets;
  PeerLink link(sockets);
  link.SetEvents(&sockets);
  ASSERT_TRUE(link.Listen("", 1));
  link.OnIncoming(1, {127, 0, 0, 9});
  EXPECT_TRUE(sockets.Log.empty());
  sockets.RunPosted();
  link.Accept(1);
  link.OnIncoming(2, {127, 0, 0, 9});
  link.OnIncoming(3, {127, 0, 0, 9});
  link.Refuse(3);
  sockets.RunPosted();
  link.CloseConnection();
  link.OnIncoming(4, {127, 0, 0, 9});
  link.CloseListener();
  sockets.RunPosted();
  EXPECT_THAT(sockets.Log, ElementsAre("request 1", "refused 3", "refused 2", "refused 4"));
}

}  // namespace
