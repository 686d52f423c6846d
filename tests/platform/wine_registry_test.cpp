#include "platform/wine_registry.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace {

const char* kKey = "SOFTWARE\\Bethesda Softworks\\Morrowind\\";

std::string Hive(const std::string& sections, const std::string& arch = "win64") {
  return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" + arch + "\n\n" +
         sections;
}

std::string Read(const TempDir& prefix) {
  return ReadRegistryValue(prefix.Path().string(), RegistryRoot::LocalMachine, kKey,
                           "Installed Path");
}

TEST(WineRegistryTest, ReadsTheInstalledPathFromSystemReg) {
  const std::string plain = "[Software\\\\Bethesda Softworks\\\\Morrowind] 1700000000\n#time=1\n";
  const std::string twin =
      "[Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Morrowind] 1700000000\n";
  const struct {
    const char* name;
    std::string hive, expected;
  } cases[] = {
      {"plain key", Hive(plain + "\"Installed Path\"=\"C:\\\\Games\\\\Morrowind\\\\\"\n"),
       "C:\\Games\\Morrowind\\"},
      {"twin wins in a 64-bit prefix",
       Hive(plain + "\"Installed Path\"=\"C:\\\\A\"\n\n" + twin +
            "\"Installed Path\"=\"C:\\\\B\"\n"),
       "C:\\B"},
      {"plain key wins in a 32-bit prefix",
       Hive(
           plain + "\"Installed Path\"=\"C:\\\\A\"\n\n" + twin + "\"Installed Path\"=\"C:\\\\B\"\n",
           "win32"),
       "C:\\A"},
      {"plain key without the value falls back to the twin",
       Hive(plain + "\"Other\"=\"x\"\n\n" + twin + "\"Installed Path\"=\"C:\\\\B\"\n"), "C:\\B"},
      {"escapes", Hive(plain + "\"Installed Path\"=\"C:\\\\\\x00e9t\\xe9\\\"q\\\"\"\n"),
       "C:\\\xC3\xA9t\xC3\xA9\"q\""},
      {"hex string over two lines",
       Hive(plain + "\"Installed Path\"=hex(1):43,00,3a,00,\\\n  5c,00,58,00,00,00\n"), "C:\\X"},
      {"key missing", Hive("[Software\\\\Other] 1\n\"Installed Path\"=\"C:\\\\M\"\n"), "Not Found"},
      {"not a string", Hive(plain + "\"Installed Path\"=dword:00000001\n"), "Not Found"},
  };
  for (const auto& c : cases) {
    TempDir prefix;
    prefix.Write("system.reg", c.hive);
    EXPECT_EQ(Read(prefix), c.expected) << c.name;
  }
  TempDir noHive;
  EXPECT_EQ(Read(noHive), "Not Found");
  EXPECT_EQ(ReadRegistryValue("", RegistryRoot::LocalMachine, kKey, "Installed Path"), "Not Found");
}

}  // namespace
