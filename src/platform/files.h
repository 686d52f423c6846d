#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>

#include "core/byte_string.h"

// Small file helpers over raw bytes. None throws; failures come back as empty results.

// The whole file, or nothing when it cannot be read.
std::optional<ByteString> ReadWholeFile(const std::filesystem::path& path);

// Up to `count` bytes from `offset`; fewer at the end of the file.
std::optional<ByteString> ReadFileAt(const std::filesystem::path& path, uint64_t offset,
                                     uint64_t count);

// Writes bytes at offset, creating the file when missing and never truncating it, so the
// bytes beyond the written range keep their old content.
bool WriteFileAt(const std::filesystem::path& path, uint64_t offset, const ByteString& bytes);

// Writes a file a player keeps: under a temporary name in the same folder, then renamed
// into place, so a failure never leaves a half-written file.
bool WriteFileAtomically(const std::filesystem::path& path, const ByteString& bytes);

// -1 when the file does not exist.
int64_t FileSize(const std::filesystem::path& path);

// Last-modified time as calendar seconds; 0 when unknown.
std::time_t FileModifiedTime(const std::filesystem::path& path);

bool RemoveFile(const std::filesystem::path& path);

// Renames a file to a name that nothing holds yet, atomically where the file system allows:
// false, and nothing changed, when an entry of that name exists or the rename fails.
bool RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Puts the file `from` in the place of `to` in one step, replacing a file there.
bool MoveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to);

// Left out of folder listings: on Linux a name starting with a dot, on Windows a file with
// the hidden attribute.
bool IsHidden(const std::filesystem::path& path);
