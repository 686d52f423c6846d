#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The texts the peer address boxes keep.

// The shortest decimal text of a number, without leading blanks or zeros ("0.5", "-3", "19").
std::string NumberText(double value);
// What a box shows once `typed` is in it: the number's shortest text, cut to three characters
// when it has a fourth, which also moves the focus on to the next box.
struct TypedOctet {
  std::string Text;
  bool MovesOn;
};
TypedOctet AfterTyping(std::string_view typed);
// The text a box keeps on leaving it: the nearest whole number (halves to even) for values
// up to 255, "0" above that and below -0.5.
std::string ClampedOctetText(std::string_view text);

// Dotted text of an IPv4 address in memory (network) order: C0 A8 01 64 -> "192.168.1.100".
std::string AddressToText(const std::array<uint8_t, 4>& bytes);
