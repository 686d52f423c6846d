#include "platform/natpmp_client.h"

#include <vector>

#include "platform/socket_calls.h"

namespace {

using namespace socket_calls;

constexpr uint8_t kVersion = 0;
constexpr uint8_t kPublicAddressOp = 0, kTcpMappingOp = 2;
constexpr uint8_t kAnswerOp = 128;  // added to the request's opcode
// Version, opcode, result code and the gateway's epoch: all that an answer refusing must hold.
constexpr size_t kAnswerHeaderBytes = 8;
constexpr size_t kPublicAddressAnswerBytes = 12, kMappingAnswerBytes = 16;
constexpr std::chrono::milliseconds kFirstWait(250);
constexpr int kMostSends = 9;
// Larger than any answer, so none is cut short by the buffer.
constexpr size_t kDatagramBytes = 1100;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t Read32(const uint8_t* p) { return uint32_t{Read16(p)} << 16 | Read16(p + 2); }
void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// The answer in `datagram` to a request of `op` (for a mapping, of `internalPort`); nothing
// when it is not one.
std::optional<NatPmpAnswer> ReadAnswer(const uint8_t* datagram, size_t size, uint8_t op,
                                       uint16_t internalPort) {
  if (size < kAnswerHeaderBytes || datagram[0] != kVersion || datagram[1] != kAnswerOp + op)
    return std::nullopt;
  NatPmpAnswer answer;
  answer.ResultCode = Read16(datagram + 2);
  if (answer.ResultCode != 0) return answer;
  if (op == kPublicAddressOp) {
    if (size < kPublicAddressAnswerBytes) return std::nullopt;
    std::copy(datagram + 8, datagram + 12, answer.PublicAddress.begin());
    return answer;
  }
  // A late answer about another port (an earlier request) is not this one's.
  if (size < kMappingAnswerBytes || Read16(datagram + 8) != internalPort) return std::nullopt;
  answer.MappedPort = Read16(datagram + 10);
  answer.LeaseSeconds = Read32(datagram + 12);
  return answer;
}

std::optional<NatPmpAnswer> Ask(const NatPmpGateway& gateway, const std::vector<uint8_t>& request,
                                uint16_t internalPort, std::chrono::milliseconds deadline) {
  const Clock::time_point end = Clock::now() + deadline;
  const Socket socket(SOCK_DGRAM);
  if (socket.Fd() == kNoSocket) return std::nullopt;
  const sockaddr_in to = IPv4Endpoint(gateway.Address, gateway.Port);
  std::chrono::milliseconds wait = kFirstWait;
  Clock::time_point resend = Clock::now();
  int sends = 0;
  std::vector<uint8_t> datagram(kDatagramBytes);
  while (Clock::now() < end) {
    if (sends < kMostSends && Clock::now() >= resend) {
      // A send that fails is as good as one lost on the way: the next one follows.
      sendto(socket.Fd(), reinterpret_cast<const char*>(request.data()),
             static_cast<int>(request.size()), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to);
      ++sends;
      resend = Clock::now() + wait;
      wait *= 2;
    }
    if (!Await(socket.Fd(), POLLIN, sends < kMostSends ? std::min(resend, end) : end)) continue;
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    const auto size = recvfrom(socket.Fd(), reinterpret_cast<char*>(datagram.data()),
                               static_cast<int>(datagram.size()), 0,
                               reinterpret_cast<sockaddr*>(&from), &fromSize);
    // Nothing read (Winsock also reports an earlier send's "port unreachable" here), or a
    // datagram from someone else: wait on.
    if (size < 0 || from.sin_family != AF_INET || from.sin_port != to.sin_port ||
        from.sin_addr.s_addr != to.sin_addr.s_addr)
      continue;
    if (auto answer =
            ReadAnswer(datagram.data(), static_cast<size_t>(size), request[1], internalPort))
      return answer;
  }
  return std::nullopt;
}

}  // namespace

std::optional<NatPmpAnswer> AskNatPmpPublicAddress(const NatPmpGateway& gateway,
                                                   std::chrono::milliseconds deadline) {
  return Ask(gateway, {kVersion, kPublicAddressOp}, 0, deadline);
}

std::optional<NatPmpAnswer> AskNatPmpTcpMapping(const NatPmpGateway& gateway, uint16_t internalPort,
                                                uint16_t suggestedPort, uint32_t leaseSeconds,
                                                std::chrono::milliseconds deadline) {
  std::vector<uint8_t> request = {kVersion, kTcpMappingOp, 0, 0};
  Put16(request, internalPort);
  Put16(request, suggestedPort);
  Put16(request, leaseSeconds >> 16);
  Put16(request, leaseSeconds);
  return Ask(gateway, request, internalPort, deadline);
}

std::string NatPmpResultText(uint16_t resultCode) {
  static const char* const kReasons[] = {"success",          "unsupported version",
                                         "not authorised",   "network failure",
                                         "out of resources", "unsupported opcode"};
  const std::string code = "NAT-PMP result " + std::to_string(resultCode);
  return resultCode < std::size(kReasons) ? code + ": " + kReasons[resultCode] : code;
}
