#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Game paths are written as GameDir + a text with backslashes ("\Data Files\MWSE\remotepc").
// GamePath turns such a text into a real path. The game's files come from Windows, where
// names ignore letter case, so each component is matched against what exists on disk
// without regard to case; components that do not exist yet keep the given spelling.
// Empty components (doubled separators) are skipped. The text is in the game's code page and
// is converted to the disk's UTF-8 first; a text that cannot be converted names no file and
// gives an empty path.
std::filesystem::path GamePath(const std::string& gameDir, std::string_view backslashText);

// Resolves a relative backslash path in the game's code page below an existing folder the
// same way; empty when it cannot be converted.
std::filesystem::path ResolveBelow(const std::filesystem::path& base, std::string_view relative);

// The components of a relative path, split at backslashes and slashes, without the empty
// ones (doubled separators) and ".".
std::vector<std::string_view> PathComponents(std::string_view relative);

// The same for a relative path that is already UTF-8 (from the Wine registry or a config).
std::filesystem::path ResolveUtf8Below(const std::filesystem::path& base,
                                       std::string_view relative);

// A regular file, not a folder, not hidden (its name does not start with a dot).
bool NormalFileExists(const std::filesystem::path& path);

// Creates every missing folder on the path of a file; the last component (the file name)
// is never created. Failures are ignored.
void MakeFolders(const std::filesystem::path& filePath);
