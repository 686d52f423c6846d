#pragma once

#include <string>

// A byte buffer, one char per byte (0..255), read and written with no character-set
// translation. std::string gives the text searches the record and list code needs.
using ByteString = std::string;
