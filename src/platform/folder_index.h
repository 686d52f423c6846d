#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/path_text.h"

// Finds files below one folder by game names (backslash paths in the game's code page),
// matching each component without regard to letter case as ResolveBelow does: an exact
// spelling wins, else the first entry that differs only in case. A name spelled as on disk
// costs one status call; for the others each folder on the way is listed once and answered
// from memory, so hundreds of names in another letter case cost a listing per folder instead
// of one per name. Meant for one short task: files created after their folder was listed are
// not seen.
class FolderIndex {
 public:
  explicit FolderIndex(const std::filesystem::path& base) : base_(Utf8FromPath(base)) {}

  // The normal file (regular, its name not starting with a dot) the name leads to, or an
  // empty path when there is none or the name cannot be converted. Each name is resolved
  // once; asking again (a texture's twin, then the texture) costs no system call.
  std::filesystem::path FindNormalFile(std::string_view relative);

 private:
  struct Entry {
    std::string name;
    bool isFolder = false;
    bool isRegularFile = false;
  };
  struct Listing {
    std::vector<Entry> entries;
    std::unordered_map<std::string, size_t> exact;
    std::unordered_map<std::string, size_t> folded;  // lower-case name: its first entry

    const Entry* Find(std::string_view name) const;
  };

  std::filesystem::path Resolve(std::string_view relative);
  const Listing& ListingOf(const std::string& folder);

  std::string base_;
  std::unordered_map<std::string, Listing> listings_;             // by the folder's path
  std::unordered_map<std::string, std::filesystem::path> found_;  // by the name asked for
};
