#pragma once

#include <string>

#include "core/app_paths.h"
#include "core/byte_string.h"
#include "support/temp_dir.h"

// A game installation in a temporary folder: "Data Files" (plug-ins and media), "Saves",
// and a program folder holding the shipped arena.dat.
class GameFolder {
 public:
  GameFolder();

  // Writes Data Files\<name>; its modification time is set `daysAgo` days back (at noon,
  // so that plug-ins of different days always sort apart).
  void WriteDataFile(const std::string& name, const ByteString& bytes, int daysAgo = 0) const;
  // Writes Saves\<name> and makes it the chosen savegame.
  void WriteSavegame(const std::string& name, const ByteString& bytes);
  // Makes Saves\<name> the chosen savegame.
  void ChooseSavegame(const std::string& name);

  // GameDir, SaveGamePath (GameDir + "\Saves\" + name), ProgramDir, ArenaTemplatePath.
  AppPaths& Paths() { return paths_; }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
  AppPaths paths_;
};
