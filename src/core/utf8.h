#pragma once

#include <cstdint>
#include <string>

// Appends one Unicode code point to `out` as UTF-8.
void AppendUtf8(std::string& out, uint32_t code);
