#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// How to start a program that runs on its own.
struct ProgramStart {
  std::filesystem::path Program;
  // The arguments after the program name.
  std::vector<std::string> Arguments;
  // Empty: the current folder.
  std::filesystem::path WorkingFolder;
  // Variables set (or replaced) on top of this process's environment.
  std::vector<std::pair<std::string, std::string>> Environment;
};

// Starts the program detached, in a session of its own, without waiting for it: it outlives
// this process and leaves no zombie behind. False when it could not be started (no such
// program, working folder missing, not executable). This process's open descriptors are not
// handed down.
bool StartProgram(const ProgramStart& start);

// The first executable file named `name` in the folders of PATH; empty when there is none.
// Empty PATH entries (the current folder) are not searched.
std::filesystem::path FindProgramOnPath(const std::string& name);
