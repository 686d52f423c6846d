#include "front/savegame_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/game_path.h"
#include "platform/path_text.h"

namespace {

std::string Lowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::vector<std::string> ListSavegames(const std::string& gameDir) {
  std::vector<std::string> names;
  std::error_code error;
  // The folder is found without regard to case; the listed names are the files' own.
  std::filesystem::directory_iterator entries(GamePath(gameDir, "\\Saves\\"), error);
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    std::error_code statError;
    if (!entries->is_regular_file(statError) || IsHidden(entries->path())) continue;
    std::string name = Utf8FromPath(entries->path().filename());
    // A name the game's code page cannot spell is no savegame of this game.
    if (name.size() > 4 && Lowered(name.substr(name.size() - 4)) == ".ess" &&
        GameNameFromUtf8(name)) {
      names.push_back(std::move(name));
    }
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return Lowered(a) < Lowered(b); });
  return names;
}
