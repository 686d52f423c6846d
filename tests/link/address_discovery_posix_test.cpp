#include "link/address_discovery.h"

#include <gmock/gmock.h>

#include <chrono>

#include "core/octet_text.h"
#include "link/environment.h"
#include "support/address_page_server.h"

namespace {

using testing::StartsWith;
using Table = std::vector<std::array<uint8_t, 4>>;

Environment Online(const std::string& url, Table table = {}) {
  Environment env;
  env.AddressPageUrl = url;
  env.InternetConnected = [] { return true; };
  env.LocalAddressTable = [table] { return table; };
  return env;
}

std::string Http(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nX-Note: Address: 6.6.6.6\r\n\r\n" + body;
}

TEST(ExternalAddress, ReadsTheAddressFromThePageBodyOnlyAndAsksOnlyWhenOnline) {
  const std::pair<std::string, std::string> cases[] = {
      // The markup behind the address stays; the status line cuts it before the first "<".
      {Http("<html><body>Current IP Address: 84.1.2.3</body></html>\r\n"),
       "84.1.2.3</body></html>\r"},
      {Http("your ADDRESS:   84.1.2.3   "), "84.1.2.3"},
      {Http("hello there, world\nmore"), "here, world"},  // no marker: from the 8th character
      {Http("Address: 84.1.2.3\n" + std::string(100000, 'y')), "84.1.2.3"},
      {"Address: 84.1.2.3\n", "84.1.2.3"},  // a reply without headers is all body
  };
  for (const auto& [reply, expected] : cases) {
    AddressPageServer server(reply);
    EXPECT_EQ(GetExternalAddress(Online(server.Url())), expected) << reply.substr(0, 60);
    EXPECT_THAT(server.Request(), StartsWith("GET / HTTP/1.0\r\n"));
  }
  AddressPageServer named(Http("Address: 84.1.2.3\n"));
  EXPECT_EQ(GetExternalAddress(Online("http://localhost:" + std::to_string(named.Port()) + "/")),
            "84.1.2.3");
  EXPECT_THAT(named.Request(), testing::HasSubstr("\r\nHost: localhost:"));
  Environment offline = Online(named.Url());
  offline.InternetConnected = [] { return false; };
  EXPECT_EQ(GetExternalAddress(offline), "");
  EXPECT_EQ(named.Requests(), 1) << "a request without internet";
}

TEST(ExternalAddress, GivesUpOnAPageThatNeverAnswers) {
  AddressPageServer server("", /*answer=*/false);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(GetExternalAddress(Online(server.Url())), "");
  // Start-up waits for this page behind a frozen window: a few seconds at most.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(7));
  EXPECT_EQ(server.Requests(), 1);
}

TEST(AddressText, ValidPublicBytesAndText) {
  const std::tuple<const char*, bool, bool> cases[] = {
      {"1.2.3", false, true},      {"1.2.3.4.5", false, true},
      {"172.16.5.5", true, false}, {"172.20.5.5", true, true},
      {"127.0.0.1", true, false},  {"127.0.0.2", true, true},
      {"10.1.1.1", true, false},   {"192.168.1.100", true, false},
      {"172.17.0.1", true, true},  {"99999999999999999999.1.1.1", false, true},
  };
  for (const auto& [text, valid, isPublic] : cases) {
    EXPECT_EQ(IsValidAddress(text), valid) << text;
    EXPECT_EQ(IsPublicAddress(text), isPublic) << text;
  }
  EXPECT_EQ(AddressToText({0xC0, 0xA8, 0x01, 0x64}), "192.168.1.100");
  EXPECT_EQ(AddressToBytes("192.168.1.100"), ByteString("\xC0\xA8\x01\x64", 4));
  EXPECT_EQ(AddressToBytes("300.x.3.4"), ByteString("\x00\x00\x03\x04", 4));
}

TEST(LocalAddresses, ChoiceFollowsTheTable) {
  EXPECT_EQ(GetLocalAddresses(Online("", {{127, 0, 0, 1}, {10, 0, 0, 2}})),
            "127.0.0.1\r\n10.0.0.2");
  Table seven(6, {192, 168, 1, 1});
  seven.push_back({84, 1, 2, 3});
  const std::tuple<Table, std::string, std::string> cases[] = {
      // Loopback gives way to the first later address reachable from elsewhere.
      {{{127, 0, 0, 1}, {127, 0, 0, 2}, {0, 0, 0, 0}, {192, 168, 1, 5}, {10, 0, 0, 2}},
       "",
       "192.168.1.5"},
      {{{0, 0, 0, 0}, {10, 0, 0, 2}}, "", "10.0.0.2"},
      {{}, "84.1.2.3", ""},
      // Markup and the line end behind the address do not keep it from matching.
      {{{192, 168, 1, 5}, {84, 1, 2, 3}}, " 84.1.2.3\r", "84.1.2.3"},
      {{{192, 168, 1, 5}, {84, 1, 2, 30}}, "84.1.2.3", "192.168.1.5"},
      {{{84, 1, 2, 3}, {10, 0, 0, 2}}, "10.0.0.2", "84.1.2.3"},  // private never wins by match
      {seven, "84.1.2.3", "84.1.2.3"},  // more than six interfaces are all looked at
  };
  for (const auto& [table, external, chosen] : cases)
    EXPECT_EQ(ChooseLocalAddress(Online("", table), external), chosen) << external;
}

}  // namespace
