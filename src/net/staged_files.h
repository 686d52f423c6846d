#pragma once

#include <cstddef>
#include <deque>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "net/temp_file.h"
#include "platform/folder_index.h"

class NameGenerator;

// The files of one delivery below a folder, written under temporary names beside their
// targets and then renamed into place all together or not at all: a failure anywhere takes
// the temporary files, the files already renamed and the folders made for the delivery with
// it, and puts a replaced file back. Names are resolved through one index of the folder,
// letter case ignored, so two spellings of a new folder land in one folder.
class StagedFiles {
 public:
  struct File {
    std::filesystem::path target;
    TempFile temp;                // its bytes, beside the target until renamed
    std::filesystem::path aside;  // the file it replaces, kept until all renames succeeded
    bool replaces = false;
  };

  StagedFiles(const std::filesystem::path& folder, NameGenerator& names)
      : index_(folder), names_(names) {}
  ~StagedFiles() { Discard(); }
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // A temporary file for the file `name` (a game name below the folder), its folders made as
  // needed. Anything on disk that answers to the name, in any letter case, makes the delivery
  // fail, except a file where `replace` allows replacing one. Null when the bytes are not to
  // be written: for a second spelling of a name staged already, or on a failure, after which
  // Failed() holds.
  File* Stage(std::string_view name, bool replace);
  bool Failed() const { return failed_; }

  // Renames every staged file into place; the temporary files must be complete. On a failure
  // everything is undone and the result is false.
  bool Commit();

 private:
  File* Fail();
  bool SetAside(File& file);
  // Undoes the first `renamed` renames, then removes the temporary files and made folders.
  void RollBack(size_t renamed);
  void Discard();

  FolderIndex index_;
  NameGenerator& names_;
  std::deque<File> files_;                   // stable addresses for the writers
  std::unordered_set<std::string> claimed_;  // targets, the file name lower-cased
  std::vector<std::filesystem::path> made_;  // folders made, outermost first
  bool failed_ = false;
};
