#include "support/game_folder.h"

#include <algorithm>
#include <ctime>

#include "core/local_time.h"
#include "fixtures/arena_template.h"

GameFolder::GameFolder() {
  paths_.GameDir = (dir_.Path() / "Morrowind").string();
  paths_.ProgramDir = (dir_.Path() / "program").string();
  paths_.ArenaTemplatePath = paths_.ProgramDir + "/arena.dat";
  dir_.Write("program/arena.dat", ArenaTemplateBytes());
}

void GameFolder::WriteDataFile(const std::string& name, const ByteString& bytes,
                               int daysAgo) const {
  std::string relative = name;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  const auto path = dir_.Write("Morrowind/Data Files/" + relative, bytes);
  std::time_t when = std::time(nullptr) - static_cast<std::time_t>(daysAgo) * 86400;
  std::tm local = LocalTime(when);
  local.tm_hour = 12;
  local.tm_min = local.tm_sec = 0;
  when = std::mktime(&local);
  std::filesystem::last_write_time(
      path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(when)));
}

void GameFolder::WriteSavegame(const std::string& name, const ByteString& bytes) {
  dir_.Write("Morrowind/Saves/" + name, bytes);
  ChooseSavegame(name);
}

void GameFolder::ChooseSavegame(const std::string& name) {
  paths_.SaveGamePath = paths_.GameDir + "\\Saves\\" + name;
}
