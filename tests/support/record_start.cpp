#include <filesystem>

#include "platform/files.h"
#include "platform/path_text.h"

// Stands in for the game's script extender: writes the folder it was started in to
// started.txt there.
int main() {
  const std::filesystem::path folder = std::filesystem::current_path();
  return WriteFileAtomically(folder / "started.txt", Utf8FromPath(folder)) ? 0 : 1;
}
