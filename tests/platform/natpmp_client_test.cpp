#include "platform/natpmp_client.h"

#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "platform/socket_calls.h"

namespace {

using namespace socket_calls;
using Bytes = std::vector<uint8_t>;
using Numbers = std::vector<uint32_t>;
constexpr std::chrono::milliseconds kWait(3000);
enum From { Gateway, OtherPort, OtherAddress };

// A gateway's socket on 127.0.0.1, and two strangers': on another port, and on 127.0.0.2 at the
// gateway's port (Wine cannot bind that one beside it: there it is another port too).
struct FakeGateway {
  Socket Sockets[3] = {Socket(SOCK_DGRAM), Socket(SOCK_DGRAM), Socket(SOCK_DGRAM)};
  NatPmpGateway Address{{127, 0, 0, 1}, 0};
  sockaddr_in Client{};

  FakeGateway() {
    sockaddr_in at = IPv4Endpoint(Address.Address, 0);
    socklen_t size = sizeof at;
    bind(Sockets[Gateway].Fd(), reinterpret_cast<sockaddr*>(&at), size);
    getsockname(Sockets[Gateway].Fd(), reinterpret_cast<sockaddr*>(&at), &size);
    Address.Port = ntohs(at.sin_port);
    at = IPv4Endpoint(std::array<uint8_t, 4>{127, 0, 0, 2}, Address.Port);
    bind(Sockets[OtherAddress].Fd(), reinterpret_cast<sockaddr*>(&at), size);
  }
  // The next request (empty after 5 s without one), from the Client it notes.
  Bytes Receive() {
    Bytes request(64);
    socklen_t size = sizeof Client;
    if (!Await(Sockets[Gateway].Fd(), POLLIN, Clock::now() + std::chrono::seconds(5))) return {};
    const auto n = recvfrom(Sockets[Gateway].Fd(), reinterpret_cast<char*>(request.data()), 64, 0,
                            reinterpret_cast<sockaddr*>(&Client), &size);
    request.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return request;
  }
  void Send(From from, const Bytes& datagram) {
    sendto(Sockets[from].Fd(), reinterpret_cast<const char*>(datagram.data()),
           static_cast<int>(datagram.size()), 0, reinterpret_cast<sockaddr*>(&Client),
           sizeof Client);
  }
};

// A mapping answer (result 0, epoch 1) of the given version and opcode.
Bytes Mapped(uint16_t internal, uint16_t external, uint32_t lease, uint8_t version = 0,
             uint8_t op = 130) {
  Bytes answer = {version, op, 0, 0, 0, 0, 0, 1};
  for (const uint32_t field : {uint32_t{internal} << 16 | external, lease})
    for (int shift = 24; shift >= 0; shift -= 8) answer.push_back(uint8_t(field >> shift));
  return answer;
}

TEST(NatPmpClient, PublicAddressComesFromTheGatewaysAnswer) {
  FakeGateway gateway;
  auto answer = std::async(std::launch::async, AskNatPmpPublicAddress, gateway.Address, kWait);
  EXPECT_EQ(gateway.Receive(), (Bytes{0, 0}));
  gateway.Send(Gateway, {0, 128, 0, 0, 0, 0, 0, 9, 203, 0, 113, 7});
  EXPECT_EQ(answer.get().value_or(NatPmpAnswer{}).PublicAddress,
            (std::array<uint8_t, 4>{203, 0, 113, 7}));
}

TEST(NatPmpClient, MappingTakesOnlyTheGatewaysWholeAnswer) {
  const Bytes granted = Mapped(40000, 40001, 3600);
  struct {
    const char* What;
    int Ignored;  // requests left unanswered
    std::vector<Bytes> Replies;
    Numbers Expected;  // result code, mapped port, lease; none without an answer
  } cases[] = {
      {"granted", 0, {granted}, {0, 40001, 3600}},
      {"refused", 0, {{0, 130, 0, 2, 0, 0, 0, 1}}, {2, 0, 0}},
      {"sent again, odd datagrams skipped",
       1,
       {Bytes(3, 1), Bytes(granted.begin(), granted.end() - 1), Mapped(40000, 3, 333, 1),
        Mapped(40000, 4, 444, 0, 128), Mapped(40001, 5, 555), granted},
       {0, 40001, 3600}},
      {"no answer", 0, {}, {}},
  };
  for (const auto& c : cases) {
    FakeGateway gateway;
    auto answer = std::async(std::launch::async, AskNatPmpTcpMapping, gateway.Address, 40000, 40002,
                             7200, kWait);
    for (int i = 0; i <= c.Ignored; ++i)
      EXPECT_EQ(gateway.Receive(), (Bytes{0, 2, 0, 0, 0x9C, 0x40, 0x9C, 0x42, 0, 0, 0x1C, 0x20}))
          << c.What;
    // Strangers answer first every time.
    for (const From stranger : {OtherPort, OtherAddress})
      gateway.Send(stranger, Mapped(40000, 1, 1));
    for (const Bytes& datagram : c.Replies) gateway.Send(Gateway, datagram);
    const std::optional<NatPmpAnswer> got = answer.get();
    EXPECT_EQ((got ? Numbers{got->ResultCode, got->MappedPort, got->LeaseSeconds} : Numbers{}),
              c.Expected)
        << c.What;
  }
}

}  // namespace
