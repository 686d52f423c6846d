#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// Sets (or, with std::nullopt, removes) an environment variable for the life of the object,
// then puts the old value back.
struct ScopedEnv {
  ScopedEnv(const char* name, const std::optional<std::string>& value) : Name(name) {
    if (const char* old = std::getenv(name)) Old = old;
    Set(name, value);
  }
  ~ScopedEnv() { Set(Name, Old); }
  static void Set(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(name, value ? value->c_str() : "");  // an empty value removes the variable
#else
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
#endif
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  const char* Name;
  std::optional<std::string> Old;
};
