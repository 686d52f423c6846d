#include "app/address_discovery.h"

#include <gmock/gmock.h>

#include <chrono>

#include "app/address_page_server.h"
#include "app/environment.h"

namespace {

using testing::StartsWith;

Environment OnlineEnvironment(const std::string& url) {
  Environment env;
  env.AddressPageUrl = url;
  env.InternetConnected = [] { return true; };
  return env;
}

std::string Http(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nX-Note: Address: 6.6.6.6\r\n\r\n" + body;
}

TEST(ExternalAddress, ReadsTheAddressFromThePageBodyOnly) {
  struct Case {
    std::string Body;
    std::string Expected;
    bool Headers = true;
  } cases[] = {
      // The markup behind the address stays; the status line cuts it before the first "<".
      {"<html><body>Current IP Address: 84.1.2.3</body></html>\r\n", "84.1.2.3</body></html>\r"},
      {"your ADDRESS:   84.1.2.3   ", "84.1.2.3"},
      // Without the marker the text starts at the 8th character.
      {"hello there, world\nmore", "here, world"},
      {"      \n   ", ""},
      // A marker beyond the first 250 bytes is no marker.
      {std::string(245, 'x') + "Address: 1.2.3.4\n", std::string(238, 'x') + "Addre"},
      {"Address: 84.1.2.3\n" + std::string(100000, 'y'), "84.1.2.3"},
      // A reply without headers is all body.
      {"Address: 84.1.2.3\n", "84.1.2.3", false},
  };
  for (const Case& c : cases) {
    AddressPageServer server(c.Headers ? Http(c.Body) : c.Body);
    EXPECT_EQ(GetExternalAddress(OnlineEnvironment(server.Url())), c.Expected)
        << c.Body.substr(0, 60);
    EXPECT_THAT(server.Request(), StartsWith("GET / HTTP/1.0\r\n"));
  }
}

TEST(ExternalAddress, HostNamesAreLookedUp) {
  AddressPageServer server(Http("Address: 84.1.2.3\n"));
  EXPECT_EQ(GetExternalAddress(
                OnlineEnvironment("http://localhost:" + std::to_string(server.Port()) + "/")),
            "84.1.2.3");
  EXPECT_THAT(server.Request(), testing::HasSubstr("\r\nHost: localhost:"));
}

TEST(ExternalAddress, GivesUpOnAPageThatNeverAnswers) {
  AddressPageServer server("", /*answer=*/false);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(GetExternalAddress(OnlineEnvironment(server.Url())), "");
  // Start-up waits for this page: a player sees a frozen window until it gives up, so a
  // few seconds at most.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(7));
  EXPECT_TRUE(server.Contacted());
}

TEST(ExternalAddress, MakesNoRequestWithoutInternet) {
  AddressPageServer server(Http("Address: 84.1.2.3\n"));
  Environment env = OnlineEnvironment(server.Url());
  env.InternetConnected = [] { return false; };
  EXPECT_EQ(GetExternalAddress(env), "");
  env.InternetConnected = nullptr;
  EXPECT_EQ(GetExternalAddress(env), "");
  EXPECT_FALSE(server.Contacted());
}

TEST(AddressText, ValidAndPublicAddresses) {
  struct Case {
    const char* Text;
    bool Valid;
    bool Public;
  } cases[] = {
      {"1.2.3", false, true},      {"1.2.3.4.5", false, true},
      {"0.0.0.0", true, true},     {"00000000000000000001.2.3.4", true, true},
      {"172.16.5.5", true, false}, {"172.20.5.5", true, true},
      {"127.0.0.1", true, false},  {"127.0.0.2", true, true},
      {"10.1.1.1", true, false},   {"192.168.1.100", true, false},
      {"172.17.0.1", true, true},  {"99999999999999999999.1.1.1", false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidAddress(c.Text), c.Valid) << c.Text;
    EXPECT_EQ(IsPublicAddress(c.Text), c.Public) << c.Text;
  }
}

TEST(AddressText, BytesAndText) {
  EXPECT_EQ(AddressToText({0xC0, 0xA8, 0x01, 0x64}), "192.168.1.100");
  EXPECT_EQ(AddressToBytes("192.168.1.100"), ByteString("\xC0\xA8\x01\x64", 4));
  EXPECT_EQ(AddressToBytes("10.0.0.7"), ByteString("\x0A\x00\x00\x07", 4));
  EXPECT_EQ(AddressToBytes("1.2"), ByteString("\x01\x02\x00\x00", 4));
  EXPECT_EQ(AddressToBytes("300.x.3.4"), ByteString("\x00\x00\x03\x04", 4));
}

TEST(LocalAddresses, ChoiceFollowsTheTable) {
  struct Case {
    std::vector<std::array<uint8_t, 4>> Table;
    std::string External;
    std::string Chosen;
  } cases[] = {
      // Loopback gives way to the first later address reachable from elsewhere.
      {{{127, 0, 0, 1}, {127, 0, 0, 2}, {0, 0, 0, 0}, {192, 168, 1, 5}, {10, 0, 0, 2}},
       "",
       "192.168.1.5"},
      {{{127, 0, 0, 1}}, "", "127.0.0.1"},
      {{{0, 0, 0, 0}, {10, 0, 0, 2}}, "", "10.0.0.2"},
      {{{0, 0, 0, 0}}, "", ""},
      {{}, "84.1.2.3", ""},
      {{{192, 168, 1, 5}, {84, 1, 2, 3}}, "84.1.2.3", "84.1.2.3"},
      // Markup and the line end behind the address do not keep it from matching.
      {{{192, 168, 1, 5}, {84, 1, 2, 3}}, " 84.1.2.3\r", "84.1.2.3"},
      {{{192, 168, 1, 5}, {84, 1, 2, 3}}, "84.1.2.3<br>", "84.1.2.3"},
      {{{192, 168, 1, 5}, {84, 1, 2, 30}}, "84.1.2.3", "192.168.1.5"},
      // A private address never wins by matching.
      {{{84, 1, 2, 3}, {10, 0, 0, 2}}, "10.0.0.2", "84.1.2.3"},
      // More than six interfaces are all looked at.
      {{{192, 168, 1, 1},
        {192, 168, 1, 2},
        {192, 168, 1, 3},
        {192, 168, 1, 4},
        {192, 168, 1, 5},
        {192, 168, 1, 6},
        {84, 1, 2, 3}},
       "84.1.2.3",
       "84.1.2.3"},
  };
  for (const Case& c : cases) {
    AddressPageServer server(Http("Address: " + c.External + "\n"));
    Environment env = OnlineEnvironment(server.Url());
    env.LocalAddressTable = [&c] { return c.Table; };
    EXPECT_EQ(ChooseLocalAddress(env), c.Chosen) << c.External;
    EXPECT_EQ(ChooseFromList(GetLocalAddresses(env), c.External), c.Chosen) << c.External;
  }
}

TEST(LocalAddresses, ListIsJoinedByCrLf) {
  Environment env;
  EXPECT_EQ(GetLocalAddresses(env), "");
  env.LocalAddressTable = [] {
    return std::vector<std::array<uint8_t, 4>>{{127, 0, 0, 1}, {10, 0, 0, 2}, {84, 1, 2, 3}};
  };
  EXPECT_EQ(GetLocalAddresses(env), "127.0.0.1\r\n10.0.0.2\r\n84.1.2.3");
}

}  // namespace
