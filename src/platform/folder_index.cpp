#include "platform/folder_index.h"

#include <system_error>

#include "core/names.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/game_path.h"
#include "platform/path_text.h"

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

void FolderIndex::Listing::Add(Entry entry) {
  const size_t index = entries.size();
  exact.try_emplace(entry.name, index);
  folded.try_emplace(ToLower(entry.name), index);
  entries.push_back(std::move(entry));
}

FolderIndex::Listing& FolderIndex::ListingOf(const std::string& folder) {
  const auto [at, added] = listings_.try_emplace(folder);
  Listing& listing = at->second;
  if (!added) return listing;
  ++foldersListed_;
  std::error_code ec;
  for (fs::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    // The types follow links, as a lookup by path would.
    std::error_code typeError;
    listing.Add({Utf8FromPath(it->path().filename()), it->is_directory(typeError),
                 it->is_regular_file(typeError)});
  }
  return listing;
}

const FolderIndex::Entry* FolderIndex::Walk(const std::vector<std::string_view>& components,
                                            std::string& path) {
  const Entry* entry = nullptr;
  for (const std::string_view component : components) {
    if (entry && !entry->isFolder) return nullptr;
    entry = ListingOf(path).Find(component);
    if (!entry) return nullptr;
    path += kSeparator;
    path += entry->name;
  }
  return entry;
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
  const Entry* entry = Walk(components, path);
  if (!entry || !entry->isRegularFile) return {};
  fs::path resolved = PathFromUtf8(path);
  return IsHidden(resolved) ? fs::path() : resolved;
}

std::optional<FolderIndex::Found> FolderIndex::Find(std::string_view relative) {
  const std::optional<std::string> utf8 = GameNameToUtf8(relative);
  if (!utf8) return std::nullopt;
  const std::vector<std::string_view> components = PathComponents(*utf8);
  std::string path = base_;
  const Entry* entry = components.empty() ? nullptr : Walk(components, path);
  if (!entry) return Found();
  return Found{PathFromUtf8(path), entry->isFolder, entry->isRegularFile};
}

fs::path FolderIndex::MakeFoldersFor(std::string_view relative, std::vector<fs::path>& made) {
  const std::optional<std::string> utf8 = GameNameToUtf8(relative);
  if (!utf8) return {};
  const std::vector<std::string_view> components = PathComponents(*utf8);
  if (components.empty()) return {};
  std::string path = base_;
  for (size_t i = 0; i + 1 < components.size(); ++i) {
    Listing& listing = ListingOf(path);
    path += kSeparator;
    if (const Entry* entry = listing.Find(components[i])) {
      if (!entry->isFolder) return {};
      path += entry->name;
      continue;
    }
    path += components[i];
    std::error_code ec;
    // False without an error: a folder of that name appeared since the listing; it is used
    // but not counted as made.
    const bool created = fs::create_directory(PathFromUtf8(path), ec);
    if (ec) return {};
    listing.Add({std::string(components[i]), true, false});
    if (created) {
      made.push_back(PathFromUtf8(path));
      listings_.try_emplace(path);  // known to be empty
    }
  }
  path += kSeparator;
  path += components.back();
  return PathFromUtf8(path);
}
