#include "app/environment.h"

#include <gmock/gmock.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Sets (or, for a null value, removes) the variables for the life of the object and then
// puts back what was there before.
class Variables {
 public:
  explicit Variables(std::vector<std::pair<const char*, const char*>> values) {
    for (const auto& [name, value] : values) {
      const char* before = getenv(name);
      before_.push_back({name, before ? std::optional<std::string>(before) : std::nullopt});
      value ? setenv(name, value, 1) : unsetenv(name);
    }
  }
  ~Variables() {
    for (const auto& [name, before] : before_) {
      before ? setenv(name, before->c_str(), 1) : unsetenv(name);
    }
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> before_;
};

TEST(EnvironmentDefault, WithoutVariablesItIsTheRealProgram) {
  Variables home({{"HOME", "/home/player"},
                  {"WINEPREFIX", nullptr},
                  {"QUIB_PROGRAM_DIR", nullptr},
                  {"QUIB_PORT", nullptr},
                  {"QUIB_DIAL_PORT", nullptr}});
  const Environment env = Environment::Default("/opt/quib");
  EXPECT_EQ(env.WinePrefix, "/home/player/.wine");
  EXPECT_EQ(env.Home, "/home/player");
  EXPECT_EQ(env.ProgramDir, "/opt/quib");
  EXPECT_EQ(env.PeerPort, 6112);
  EXPECT_EQ(env.DialPort, 0);
}

TEST(EnvironmentDefault, VariablesLetTwoCopiesShareAMachine) {
  Variables set({{"WINEPREFIX", "/demo/b/prefix"},
                 {"QUIB_PROGRAM_DIR", "/demo/b/program"},
                 {"QUIB_PORT", "6113"},
                 {"QUIB_DIAL_PORT", "6112"}});
  const Environment env = Environment::Default("/opt/quib");
  EXPECT_EQ(env.WinePrefix, "/demo/b/prefix");
  EXPECT_EQ(env.ProgramDir, "/demo/b/program");
  EXPECT_EQ(env.PeerPort, 6113);
  EXPECT_EQ(env.DialPort, 6112);
}

TEST(EnvironmentDefault, APortThatIsNoPortIsIgnored) {
  for (const char* text : {"", "0", "65536", "99999999999", "-1", "61 12", "6112x", "x", "+80"}) {
    SCOPED_TRACE(text);
    Variables set({{"QUIB_PORT", text}, {"QUIB_DIAL_PORT", text}});
    const Environment env = Environment::Default("/opt/quib");
    EXPECT_EQ(env.PeerPort, 6112);
    EXPECT_EQ(env.DialPort, 0);
  }
  Variables edge({{"QUIB_PORT", "65535"}, {"QUIB_DIAL_PORT", "1"}});
  EXPECT_EQ(Environment::Default("").PeerPort, 65535);
  EXPECT_EQ(Environment::Default("").DialPort, 1);
}

}  // namespace
