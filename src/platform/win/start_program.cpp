#include "platform/start_program.h"

#include <windows.h>

#include <cstdlib>
#include <cwctype>
#include <system_error>

#include "platform/path_text.h"
#include "platform/win/wide_text.h"

namespace fs = std::filesystem;

namespace {

// One argument as the C runtime of the started program splits it back: quoted when it holds
// a blank or a quote, backslashes doubled before a quote and at the end.
void AppendArgument(std::wstring& line, const std::wstring& argument) {
  if (!line.empty()) line += L' ';
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// This process's environment with the requested variables replaced, as the NUL-separated
// block CreateProcessW takes. Windows compares variable names without regard to case.
std::optional<std::wstring> BuildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::vector<std::pair<std::wstring, std::wstring>> wide;
  for (const auto& [name, value] : overrides) {
    auto wideName = WideFromUtf8(name);
    auto wideValue = WideFromUtf8(value);
    if (!wideName || !wideValue) return std::nullopt;
    wide.emplace_back(*wideName, *wideValue);
  }
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; entry && *entry; entry += wcslen(entry) + 1) {
    const std::wstring_view text(entry);
    // Entries such as "=C:=C:\x" keep a drive's folder; their name starts after the '='.
    const std::wstring_view name = text.substr(0, text.find(L'=', 1));
    bool replaced = false;
    for (const auto& [key, value] : wide) replaced = replaced || SameName(name, key);
    if (!replaced) block.append(text).push_back(L'\0');
  }
  FreeEnvironmentStringsW(strings);
  for (const auto& [key, value] : wide) block.append(key + L"=" + value).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

}  // namespace

bool StartProgram(const ProgramStart& start) {
  std::wstring line;
  AppendArgument(line, start.Program.native());
  for (const std::string& argument : start.Arguments) {
    const std::optional<std::wstring> wide = WideFromUtf8(argument);
    if (!wide) return false;
    AppendArgument(line, *wide);
  }
  std::optional<std::wstring> environment = BuildEnvironment(start.Environment);
  if (!environment) return false;
  const std::wstring folder = start.WorkingFolder.native();

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // Detached from this process's console and its Ctrl+C, without inherited handles.
  if (!CreateProcessW(start.Program.c_str(), line.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP,
                      environment->data(), folder.empty() ? nullptr : folder.c_str(), &startup,
                      &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

fs::path FindProgramOnPath(const std::string& name) {
  if (name.empty() || name.find_first_of("/\\:") != std::string::npos) return {};
  const wchar_t* path = _wgetenv(L"PATH");
  if (!path) return {};
  fs::path file = PathFromUtf8(name);
  if (!file.has_extension()) file += L".exe";
  const std::wstring_view folders(path);
  size_t begin = 0;
  while (begin <= folders.size()) {
    size_t end = folders.find(L';', begin);
    if (end == std::wstring_view::npos) end = folders.size();
    const std::wstring_view folder = folders.substr(begin, end - begin);
    if (!folder.empty()) {
      fs::path candidate = std::wstring(folder);
      candidate /= file;
      std::error_code ec;
      if (fs::is_regular_file(candidate, ec)) return candidate;
    }
    begin = end + 1;
  }
  return {};
}
