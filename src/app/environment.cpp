#include "app/environment.h"

#include <cstdlib>

#include "platform/network_facts.h"

Environment Environment::Default(const std::string& programDir) {
  Environment env;
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) {
    env.WinePrefix = prefix;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    env.WinePrefix = std::string(home) + "/.wine";
  }
  env.ProgramDir = programDir;
  env.PeerPort = 6112;
  // Answers in plain HTTP with "Current IP Address: a.b.c.d" in its body.
  env.AddressPageUrl = "http://checkip.dyndns.org/";
  env.InternetConnected = [] { return HasDefaultRoute(); };
  env.LocalAddressTable = [] { return LocalIPv4Addresses(); };
  env.PrimaryAddress = [] { return PrimaryIPv4Address(); };
  return env;
}
