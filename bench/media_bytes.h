#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Mixed text-like bytes, about as compressible as meshes and textures; piece `n`.
inline void FillPiece(std::string& s, size_t n) {
  uint32_t x = 12345 + static_cast<uint32_t>(n) * 7919;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>((x >> 16) % 5 == 0 ? x >> 8 : 'a' + (x >> 21) % 8);
  }
}
