#include "platform/start_program.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <system_error>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// The environment for the child: this process's, with the requested variables replaced.
std::vector<std::string> BuildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::vector<std::string> result;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string_view text(*entry);
    const std::string_view name = text.substr(0, text.find('='));
    bool replaced = false;
    for (const auto& [key, value] : overrides) replaced = replaced || name == key;
    if (!replaced) result.emplace_back(text);
  }
  for (const auto& [key, value] : overrides) result.push_back(key + "=" + value);
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

bool WriteAll(int fd, const void* data, size_t size) {
  return ::write(fd, data, size) == static_cast<ssize_t>(size);
}

}  // namespace

bool StartProgram(const ProgramStart& start) {
  // Everything the child needs is prepared before fork: after it only async-signal-safe
  // calls are allowed (the GUI process has other threads).
  std::string program = start.Program.string();
  std::vector<std::string> argTexts{program};
  argTexts.insert(argTexts.end(), start.Arguments.begin(), start.Arguments.end());
  std::vector<char*> argv = Pointers(argTexts);
  std::vector<std::string> envTexts = BuildEnvironment(start.Environment);
  std::vector<char*> envp = Pointers(envTexts);
  const std::string folder = start.WorkingFolder.string();

  // The grandchild reports a failed chdir or exec through this pipe; a successful exec
  // closes it empty.
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return false;

  const pid_t child = ::fork();
  if (child < 0) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return false;
  }
  if (child == 0) {
    // Fork again so the program is adopted by init and never becomes our zombie.
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
    ::close(pipeFds[0]);
    ::close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
      const int error = errno;
      WriteAll(pipeFds[1], &error, sizeof error);
      ::_exit(127);
    }
    ::execve(program.c_str(), argv.data(), envp.data());
    const int error = errno;
    WriteAll(pipeFds[1], &error, sizeof error);
    ::_exit(127);
  }

  ::close(pipeFds[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got = 0;
  do {
    got = ::read(pipeFds[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(pipeFds[0]);
  const bool forked = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return forked && got == 0;
}

fs::path FindProgramOnPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  const char* path = std::getenv("PATH");
  if (!path) return {};
  const std::string_view folders(path);
  size_t begin = 0;
  while (begin <= folders.size()) {
    size_t end = folders.find(':', begin);
    if (end == std::string_view::npos) end = folders.size();
    const std::string_view folder = folders.substr(begin, end - begin);
    if (!folder.empty()) {
      const fs::path candidate = fs::path(folder) / name;
      std::error_code ec;
      if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) {
        return candidate;
      }
    }
    begin = end + 1;
  }
  return {};
}
