#include "link/startup.h"

#include <filesystem>

#include "core/app_paths.h"
#include "net/bytes.h"
#include "platform/files.h"
#include "platform/game_path.h"
#include "platform/path_text.h"

namespace fs = std::filesystem;

void PrepareGameFolder(const std::string& gameDir, bool deleteLog) {
  MakeFolders(GamePath(gameDir, "\\Data Files\\MWSE\\remotepc"));
  if (deleteLog) {
    const fs::path log = GamePath(gameDir, "\\MWScriptExtender.log");
    if (NormalFileExists(log)) RemoveFile(log);
  }
  const fs::path remotepc = GamePath(gameDir, "\\Data Files\\MWSE\\remotepc");
  // A folder of that name cannot take the word; leave it alone.
  std::error_code ec;
  if (!fs::is_directory(remotepc, ec)) WriteFileAt(remotepc, 0, LongToBytes(0));
}

std::vector<std::string> OpponentAddressTexts(const std::string& programDir) {
  std::vector<std::string> texts;
  const fs::path file = PathFromUtf8(programDir) / "Opponent.dat";
  if (!NormalFileExists(file)) return texts;
  const std::optional<ByteString> bytes = ReadFileAt(file, 0, 4);
  if (!bytes) return texts;
  for (unsigned char octet : *bytes) texts.push_back(std::to_string(octet));
  return texts;
}
