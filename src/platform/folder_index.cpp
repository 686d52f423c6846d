#include "platform/folder_index.h"

#include <system_error>

#include "core/names.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/game_path.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

}  // namespace

const FolderIndex::Entry* FolderIndex::Listing::Find(std::string_view name) const {
  if (const auto found = exact.find(std::string(name)); found != exact.end()) {
    return &entries[found->second];
  }
  const auto found = folded.find(ToLower(name));
  return found == folded.end() ? nullptr : &entries[found->second];
}

const FolderIndex::Listing& FolderIndex::ListingOf(const std::string& folder) {
  const auto [at, added] = listings_.try_emplace(folder);
  Listing& listing = at->second;
  if (!added) return listing;
  std::error_code ec;
  for (fs::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    // The types follow links, as a lookup by path would.
    std::error_code typeError;
    Entry entry{Utf8FromPath(it->path().filename()), it->is_directory(typeError),
                it->is_regular_file(typeError)};
    const size_t index = listing.entries.size();
    listing.exact.try_emplace(entry.name, index);
    listing.folded.try_emplace(ToLower(entry.name), index);
    listing.entries.push_back(std::move(entry));
  }
  return listing;
}

fs::path FolderIndex::FindNormalFile(std::string_view relative) {
  const auto [known, added] = found_.try_emplace(std::string(relative));
  if (added) known->second = Resolve(relative);
  return known->second;
}

fs::path FolderIndex::Resolve(std::string_view relative) {
  const std::optional<std::string> utf8 = GameNameToUtf8(relative);
  if (!utf8) return {};
  const std::vector<std::string_view> components = PathComponents(*utf8);
  if (components.empty()) return {};

  // A name spelled as on disk costs one status call and no listing.
  std::string exact = base_;
  for (const std::string_view component : components) {
    exact += kSeparator;
    exact += component;
  }
  std::error_code ec;
  fs::path found = PathFromUtf8(exact);
  const fs::file_status status = fs::status(found, ec);
  if (fs::exists(status)) {
    if (!fs::is_regular_file(status) || IsHidden(found)) return {};
    return found;
  }

  std::string path = base_;
  for (size_t i = 0; i < components.size(); ++i) {
    const Entry* entry = ListingOf(path).Find(components[i]);
    if (!entry) return {};
    const bool last = i + 1 == components.size();
    if (last ? !entry->isRegularFile : !entry->isFolder) return {};
    path += kSeparator;
    path += entry->name;
  }
  fs::path resolved = PathFromUtf8(path);
  return IsHidden(resolved) ? fs::path() : resolved;
}
