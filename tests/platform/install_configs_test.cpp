#include "platform/install_configs.h"

#include <gtest/gtest.h>

namespace {

// The value at a path of keys, or "(none)" when the text or a key is missing.
std::string At(std::string_view text, std::initializer_list<std::string_view> keys) {
  const std::optional<ValveNode> tree = ReadValveText(text);
  const ValveNode* node = tree ? ValveFind(*tree, keys) : nullptr;
  return node ? node->Value : "(none)";
}

TEST(InstallConfigs, ValveTextAsSteamWritesIt) {
  const char* folders =
      "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/p/.steam\"\n"
      "\t\t\"apps\" { \"22320\" \"1234\" }\n\t}\n"
      "\t// comment \"x\" {\n\t\"1\" { \"path\" \"/mnt/a \\\"b\\\"\\\\c\" }\n}\n";
  EXPECT_EQ(At(folders, {"LibraryFolders", "0", "apps", "22320"}), "1234");
  EXPECT_EQ(At(folders, {"libraryfolders", "1", "path"}), "/mnt/a \"b\"\\c");
  EXPECT_EQ(
      At("AppState { appid 22320 [$LINUX] installdir \"Morrowind\" }", {"appstate", "installdir"}),
      "Morrowind");
  // Broken texts give nothing rather than half a tree.
  for (const std::string& broken :
       std::initializer_list<std::string>{"\"a\" { \"b\" \"c\"", "\"a\" \"b\" }",
                                          "\"a\" \"unterminated", "\"a\"", std::string(40, '{')}) {
    EXPECT_FALSE(ReadValveText(broken)) << broken;
  }
}

}  // namespace
