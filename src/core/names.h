#pragma once

#include <string_view>

// File names come from Windows, where letter case does not matter, and from outside.

#include <string>

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The text without its leading and trailing blanks (spaces only).
std::string_view TrimBlanks(std::string_view text);

// The text with its ASCII letters lower-cased.
std::string ToLower(std::string_view text);

// Whether a path whose components are separated by '\' or '/' has a ".." component, which
// would step out of the folder it is meant to stay below.
bool HasParentStep(std::string_view path);
