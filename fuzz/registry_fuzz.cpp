// The Wine registry reader over a fuzzed system.reg / user.reg, and the path mapping of
// what it reads and of the input's first line.
#include <filesystem>

#include "fuzz_support.h"
#include "platform/wine_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDir dir;
  static const bool prepared = [] {
    dir.Write("drive_c/Games/Morrowind/Morrowind.exe", "exe");
    std::error_code ec;
    std::filesystem::create_directories(dir.Path() / "dosdevices", ec);
    std::filesystem::create_symlink("../drive_c", dir.Path() / "dosdevices" / "c:", ec);
    return true;
  }();
  (void)prepared;
  const ByteString hive = AsBytes(data, size);
  dir.Write("system.reg", hive);
  dir.Write("user.reg", hive);
  const std::string prefix = dir.Path().string();

  for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
    const std::string value = ReadRegistryValue(
        prefix, root, "SOFTWARE\\Bethesda Softworks\\Morrowind\\", "Installed Path");
    if (value.size() >= 2048 * 4) __builtin_trap();
    if (value != "Not Found") MapWindowsPath(prefix, value);
  }
  MapWindowsPath(prefix, hive.substr(0, hive.find('\n')));
  return 0;
}
