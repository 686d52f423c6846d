#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/install_configs.h"

// Steam's libraries and the game's folder in them, the same on Linux and Windows: a Steam
// client folder lists its libraries in libraryfolders.vdf, and a library holding the game
// has steamapps/appmanifest_22320.acf naming its folder under steamapps/common.

// Steam's app id of the game.
inline constexpr const char* kSteamAppId = "22320";

// A launcher's small settings file; nothing when it is missing or too large to be one.
std::optional<std::string> ReadLauncherFile(const std::filesystem::path& file);
std::optional<ValveNode> ReadValveFile(const std::filesystem::path& file);

bool IsDirectory(const std::filesystem::path& path);
// The absolute path without links, dots or doubled separators; the path itself on failure.
std::filesystem::path Canonical(const std::filesystem::path& path);
// Adds an existing folder once, by its canonical path (~/.steam/steam is often a link).
void AddFolder(std::vector<std::filesystem::path>& folders, const std::filesystem::path& folder);

// The Steam clients' own libraries and those their libraryfolders.vdf list, by either of the
// layouts Steam has written: "N" { "path" "..." } or the older "N" "...".
std::vector<std::filesystem::path> SteamLibraries(const std::vector<std::filesystem::path>& roots);

// Whether the library holds the game's app manifest.
bool HoldsSteamGame(const std::filesystem::path& library);
// The game's folder in the library (the manifest's installdir, else "Morrowind", under
// steamapps/common) when it holds Morrowind.exe; "Not Found" otherwise.
std::string SteamLibraryGameDir(const std::filesystem::path& library);
