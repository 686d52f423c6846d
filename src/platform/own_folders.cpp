#include "platform/own_folders.h"

#include <system_error>

#include "platform/file_handle.h"
#include "platform/files.h"

namespace fs = std::filesystem;

bool CanMakeFilesIn(const fs::path& folder) {
  if (folder.empty()) return false;
  // Only a real file answers: permission bits do not tell what an administrator, a
  // read-only mount or the system's folder rules allow.
  const fs::path probe = folder / ".quib-write-test";
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool nameTaken = false;
    FileHandle file = FileHandle::CreateNew(probe, nameTaken);
    if (file.IsOpen()) {
      file.Close();
      return RemoveFile(probe);
    }
    // A probe an earlier run left behind: files can be made only if it can be removed.
    if (!nameTaken || !RemoveFile(probe)) return false;
  }
  return false;
}

fs::path OwnFilesFolder(const fs::path& programDir, const fs::path& userData) {
  // An installed program's folder belongs to the system even where it can be written (Quib
  // run as root, /usr/bin, Program Files under Wine or by an administrator): a package's
  // files are never joined by the player's. The Windows installer leaves its uninstaller there.
  std::error_code ec;
  const bool installed = ArenaTemplateFile(programDir) != programDir / "arena.dat" ||
                         fs::exists(programDir / "uninstall.exe", ec);
  if (userData.empty() || (!installed && CanMakeFilesIn(programDir))) return programDir;
  fs::create_directories(userData, ec);
  return userData;
}

fs::path ArenaTemplateFile(const fs::path& programDir) {
  const fs::path beside = programDir / "arena.dat";
  const fs::path installed = programDir / ".." / "share" / "quib" / "arena.dat";
  std::error_code ec;
  return !fs::exists(beside, ec) && fs::is_regular_file(installed, ec) ? installed : beside;
}
