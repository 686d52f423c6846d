#pragma once

#include <filesystem>

// Where Quib keeps its own files: Opponent.dat and the temporary files of a transfer in the
// program's folder when it may write there (a copy unpacked anywhere), otherwise in the user's
// data folder (an installed copy: /usr/bin, Program Files); arena.dat beside the program or in
// the install's data folder.

// The user's folder for Quib's files: $XDG_DATA_HOME/quib, else ~/.local/share/quib on Linux;
// %LOCALAPPDATA%\Quib on Windows. Empty when the system names none.
std::filesystem::path UserDataFolder();

// Whether a new file can be made in folder: one is made there and removed again.
bool CanMakeFilesIn(const std::filesystem::path& folder);

// programDir when files can be made there and it is no installed program's folder (its
// arena.dat in the install's data folder, or the installer's uninstall.exe beside it),
// otherwise userData, made when missing.
std::filesystem::path OwnFilesFolder(const std::filesystem::path& programDir,
                                     const std::filesystem::path& userData);

// arena.dat beside the program, else the one in the install's data folder (share/quib beside
// the program's bin folder); the one beside the program when neither exists, for the message.
std::filesystem::path ArenaTemplateFile(const std::filesystem::path& programDir);
