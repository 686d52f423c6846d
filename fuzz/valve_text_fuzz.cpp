// Valve's text format reader over a fuzzed text, and the Steam finder reading that text as
// a library list, an app manifest and Steam's configuration.
#include "fuzz_support.h"
#include "platform/game_installs.h"
#include "platform/install_configs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDir home;
  const ByteString text = AsBytes(data, size);
  if (const std::optional<ValveNode> tree = ReadValveText(text)) {
    ValveFind(*tree, {"libraryfolders", "0", "path"});
    ValveFind(*tree, {"AppState", "installdir"});
  }
  const std::string steam = ".local/share/Steam/";
  home.Write(steam + "steamapps/libraryfolders.vdf", text);
  home.Write(steam + "steamapps/appmanifest_22320.acf", text);
  home.Write(steam + "config/config.vdf", text);
  home.Write(steam + "steamapps/common/Proton 1.0/proton", "");
  const InstallSearch search{"", home.Path().string()};
  FindGameDir(search);
  WorldOfGameDir((home.Path() / steam / "steamapps/common/Morrowind").string(), search);
  return 0;
}
