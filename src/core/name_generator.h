#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

// Random ids of a given length from a-z, 0-9, A-Z, drawn from an RC4 stream keyed by the
// clock and one pseudo-random character. The stream indices a and b live as long as the
// generator, which lives as long as the program.
class NameGenerator {
 public:
  std::string RandomName(std::string_view text);

 private:
  uint8_t a_ = 0;
  uint8_t b_ = 0;
  uint8_t s_[256] = {};
  std::minstd_rand rnd_;  // deliberately unseeded
};
