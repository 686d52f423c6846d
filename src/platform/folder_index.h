#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/path_text.h"

// Finds files below one folder by game names (backslash paths in the game's code page),
// matching each component without regard to letter case as ResolveBelow does: an exact
// spelling wins, else the first entry that differs only in case. Each folder on the way is
// listed once and answered from memory, so thousands of names cost a listing per folder
// instead of one per name. Meant for one short task: files created after their folder was
// listed are not seen, except the folders made through this index.
class FolderIndex {
 public:
  explicit FolderIndex(const std::filesystem::path& base) : base_(Utf8FromPath(base)) {}

  // The normal file (regular, its name not starting with a dot) the name leads to, or an
  // empty path when there is none or the name cannot be converted. A name spelled as on disk
  // costs one status call and no listing. Each name is resolved once; asking again (a
  // texture's twin, then the texture) costs no system call.
  std::filesystem::path FindNormalFile(std::string_view relative);

  // What answers to the name, whatever it is: a file of any kind, a folder, a link, a name
  // starting with a dot. `path` is its path on disk, empty when nothing answers; nothing at
  // all when the name has no form on this disk (it cannot be converted).
  struct Found {
    std::filesystem::path path;
    bool isFolder = false;
    bool isRegularFile = false;  // links followed
  };
  std::optional<Found> Find(std::string_view relative);

  // Where a new file of this name goes: every folder on the way as it is spelled on disk (or
  // as made earlier through this index), the missing ones made and appended to `made`,
  // outermost first; the file name keeps its spelling. Empty when the name cannot be
  // converted, a component on the way is not a folder, or a folder cannot be made.
  std::filesystem::path MakeFoldersFor(std::string_view relative,
                                       std::vector<std::filesystem::path>& made);

  // How many folder listings were read so far.
  size_t FoldersListed() const { return foldersListed_; }

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
    void Add(Entry entry);
  };

  std::filesystem::path Resolve(std::string_view relative);
  // The entry the components lead to, `path` becoming its path; null when there is none.
  const Entry* Walk(const std::vector<std::string_view>& components, std::string& path);
  Listing& ListingOf(const std::string& folder);

  std::string base_;
  std::unordered_map<std::string, Listing> listings_;             // by the folder's path
  std::unordered_map<std::string, std::filesystem::path> found_;  // by the name asked for
  size_t foldersListed_ = 0;
};
