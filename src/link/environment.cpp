#include "link/environment.h"

#include <charconv>
#include <cstdlib>
#include <optional>

#include "platform/network_facts.h"
#include "platform/own_folders.h"
#include "platform/path_text.h"

namespace {

// The text of an environment variable; nothing when it is unset or empty.
std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

// A number of decimal digits only, from 1 to `largest`; anything else is no number.
std::optional<unsigned> Number(const char* name, unsigned largest) {
  const std::optional<std::string> text = Variable(name);
  if (!text) return std::nullopt;
  unsigned value = 0;
  const char* end = text->data() + text->size();
  const auto [rest, ec] = std::from_chars(text->data(), end, value);
  if (ec != std::errc() || rest != end || value == 0 || value > largest) return std::nullopt;
  return value;
}

std::optional<uint16_t> Port(const char* name) { return Number(name, 65535); }

}  // namespace

Environment Environment::Default(const std::string& programDir) {
  Environment env;
  env.Home = Variable("HOME").value_or("");
  if (auto prefix = Variable("WINEPREFIX")) {
    env.WinePrefix = *prefix;
  } else if (!env.Home.empty()) {
    env.WinePrefix = env.Home + "/.wine";
  }
  if (auto folder = Variable("QUIB_PROGRAM_DIR")) {
    env.ProgramDir = *folder;
  } else if (!programDir.empty()) {
    env.ProgramDir = Utf8FromPath(OwnFilesFolder(programDir, UserDataFolder()));
    env.ArenaTemplatePath = Utf8FromPath(ArenaTemplateFile(programDir));
  }
  env.PeerPort = Port("QUIB_PORT").value_or(6112);
  env.DialPort = Port("QUIB_DIAL_PORT").value_or(0);
  env.Workers = static_cast<int>(Number("QUIB_THREADS", 256).value_or(0));
  // Answers in plain HTTP with "Current IP Address: a.b.c.d" in its body.
  env.AddressPageUrl = "http://checkip.dyndns.org/";
  env.InternetConnected = [] { return HasDefaultRoute(); };
  env.LocalAddressTable = [] { return LocalIPv4Addresses(); };
  env.PrimaryAddress = [] { return PrimaryIPv4Address(); };
  // Copies that only meet on this machine (the demo) have nothing to forward.
  env.MapRouterPort = Variable("QUIB_PORT_MAPPING").value_or("1") != "0";
  env.RouterLeaseSeconds = static_cast<int>(
      Number("QUIB_ROUTER_LEASE", kLongestRouterLease).value_or(kLongestRouterLease));
  return env;
}
