#include "net/staged_files.h"

#include <system_error>

#include "core/name_generator.h"
#include "core/names.h"
#include "platform/files.h"
#include "platform/path_text.h"

namespace fs = std::filesystem;

namespace {

// One key for every spelling of a target: its folder is already spelled as on disk.
std::string ClaimKey(const fs::path& target) {
  return Utf8FromPath(target.parent_path()) + '/' + ToLower(Utf8FromPath(target.filename()));
}

}  // namespace

StagedFiles::File* StagedFiles::Stage(std::string_view name, bool replace) {
  if (failed_) return nullptr;
  const std::optional<FolderIndex::Found> found = index_.Find(name);
  if (!found) return Fail();
  fs::path target = found->path;
  if (!target.empty()) {
    // Whatever stands there is the player's; only a plain file may be replaced, and only
    // where that was asked for.
    if (!replace || !found->isRegularFile) return Fail();
  } else {
    target = index_.MakeFoldersFor(name, made_);
    if (target.empty()) return Fail();
  }
  if (!claimed_.insert(ClaimKey(target)).second) return nullptr;
  File& file = files_.emplace_back();
  file.target = std::move(target);
  file.replaces = !found->path.empty();
  if (!file.temp.Create(file.target.parent_path(), names_)) return Fail();
  return &file;
}

StagedFiles::File* StagedFiles::Fail() {
  failed_ = true;
  return nullptr;
}

bool StagedFiles::SetAside(File& file) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(file.target, ec))) return true;  // gone meanwhile
  for (int attempt = 0; attempt < 20; ++attempt) {
    fs::path aside = file.target.parent_path() / (names_.RandomName("temporary") + ".tmp");
    if (RenameWithoutReplacing(file.target, aside)) {
      file.aside = std::move(aside);
      return true;
    }
  }
  return false;
}

bool StagedFiles::Commit() {
  if (failed_) return false;
  size_t renamed = 0;
  for (; renamed < files_.size(); ++renamed) {
    File& file = files_[renamed];
    if (file.replaces && !SetAside(file)) break;
    if (!file.temp.Commit(file.target)) break;
  }
  if (renamed < files_.size()) {
    RollBack(renamed);
    failed_ = true;
    return false;
  }
  for (File& file : files_) {
    if (!file.aside.empty()) RemoveFile(file.aside);
  }
  files_.clear();
  made_.clear();
  return true;
}

void StagedFiles::RollBack(size_t renamed) {
  for (size_t i = 0; i < files_.size() && i <= renamed; ++i) {
    File& file = files_[i];
    if (i < renamed) RemoveFile(file.target);
    // A file that cannot go back stays under its temporary name rather than be lost.
    if (!file.aside.empty() && RenameWithoutReplacing(file.aside, file.target)) file.aside.clear();
  }
  Discard();
}

void StagedFiles::Discard() {
  files_.clear();  // removes the temporary files not renamed
  for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) {
    std::error_code ec;
    fs::remove(*folder, ec);  // only while empty
  }
  made_.clear();
}
