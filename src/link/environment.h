#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/game_installs.h"
#include "platform/port_mapping.h"

// What the main window takes from its surroundings. Production builds the default; tests
// build two windows in one process with their own folders, ports and address answers.
struct Environment {
  // Wine prefix whose system.reg stands in for the Windows registry ($WINEPREFIX, else
  // ~/.wine).
  std::string WinePrefix;
  // The home folder under which Steam, Heroic and Lutris keep their games; empty: only
  // WinePrefix is searched.
  std::string Home;
  // Quib's own folder for Opponent.dat and temporary files: the program's folder when files
  // can be made there, otherwise the user's data folder.
  std::string ProgramDir;
  // The arena template plug-in; empty: ProgramDir + "/arena.dat".
  std::string ArenaTemplatePath;
  // The one TCP port for listening and dialling.
  uint16_t PeerPort = 6112;
  // The port dialled by "Connect"; 0 = PeerPort. Two windows in one test process listen on
  // ports of their own and dial each other's.
  uint16_t DialPort = 0;
  // Threads that compress and unpack a transferred character; 0 = one per core.
  int Workers = 0;
  // Plain-HTTP page that reports the caller's address behind "Address:".
  std::string AddressPageUrl;
  // Whether the machine has an internet connection; no web request is made without one.
  std::function<bool()> InternetConnected;
  // The machine's IPv4 interface addresses in the platform's order (network byte order).
  std::function<std::vector<std::array<uint8_t, 4>>()> LocalAddressTable;
  // The address shown as the machine's own while listening on all interfaces; when unset,
  // the platform's answer (PrimaryIPv4Address).
  std::function<std::string()> PrimaryAddress;
  // Whether the home router is asked to forward PeerPort (UPnP-IGD, NAT-PMP). Tests on the
  // machine's own network leave it off.
  bool MapRouterPort = false;
  // The lease asked of the router, renewed before it runs out.
  int RouterLeaseSeconds = kLongestRouterLease;

  // The environment of the real program: the platform's answers and 6112, Quib's files in or
  // beside `programDir`, the folder of the program file (empty: no folder is chosen). Two
  // copies can share one machine through environment variables: WINEPREFIX (the registry),
  // QUIB_PROGRAM_DIR (the one folder for all of Quib's files, arena.dat too), QUIB_PORT
  // (PeerPort), QUIB_DIAL_PORT (DialPort), QUIB_THREADS (Workers), QUIB_PORT_MAPPING ("0"
  // turns MapRouterPort off) and QUIB_ROUTER_LEASE (RouterLeaseSeconds, up to
  // kLongestRouterLease). A port that is not a number from 1 to 65535 is ignored, as is a
  // thread count that is not a number from 1 to 256 and a lease out of its range; the transfer
  // uses no more threads than the machine has cores, nor more than 16.
  static Environment Default(const std::string& programDir);

  InstallSearch Installs() const { return {WinePrefix, Home}; }
};
