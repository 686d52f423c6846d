// The JSON member scan and the YAML key reader over a fuzzed text, and the finder reading
// that text as a Heroic GamesConfig file and a Lutris game file.
#include "fuzz_support.h"
#include "platform/game_installs.h"
#include "platform/install_configs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDir home;
  const ByteString text = AsBytes(data, size);
  for (const std::string& value : JsonStringMembers(text, "winePrefix")) {
    if (value.size() > text.size()) __builtin_trap();
  }
  if (const auto value = YamlValue(text, "game", "prefix"); value && value->size() > size) {
    __builtin_trap();
  }
  home.Write(".config/heroic/GamesConfig/game.json", text);
  home.Write(".config/lutris/games/game.yml", text);
  const InstallSearch search{"", home.Path().string()};
  FindGameDir(search);
  WorldOfGameDir((home.Path() / "game").string(), search);
  return 0;
}
