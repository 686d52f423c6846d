#pragma once

#include <string_view>

// File names come from Windows, where letter case does not matter, and from outside.

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Whether a path whose components are separated by '\' or '/' has a ".." component, which
// would step out of the folder it is meant to stay below.
bool HasParentStep(std::string_view path);
