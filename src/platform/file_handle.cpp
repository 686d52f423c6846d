#include "platform/file_handle.h"

#include <utility>

FileHandle::FileHandle(FileHandle&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}
