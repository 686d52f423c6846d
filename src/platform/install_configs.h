#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small readers for the files in which game launchers keep their installs: Valve's text
// format (Steam), a JSON member scan (Heroic) and a few YAML keys (Lutris). They read what
// the launchers write and give nothing for what they cannot read; none of them throws.

// One entry of Valve's text format: a key with either a text value or a block of entries.
struct ValveNode {
  std::string Key;
  std::string Value;
  std::vector<ValveNode> Children;
};

// The entries of a Valve text file ("key" "value" and "key" { ... }, quoted or bare tokens,
// // comments, [$PLATFORM] conditions ignored), as the children of a root node. Nothing for
// an unterminated text, an unbalanced brace or blocks nested more than 32 deep.
std::optional<ValveNode> ReadValveText(std::string_view text);

// The entry reached from `node` through the given keys (compared without regard to case);
// null when one is missing.
const ValveNode* ValveFind(const ValveNode& node, std::initializer_list<std::string_view> keys);

// Every text value of a JSON member named `key`, at any depth, in document order; the scan
// stops at the first spot that is not JSON.
std::vector<std::string> JsonStringMembers(std::string_view json, std::string_view key);

// The value of `key` in the block of the top-level `section` of a YAML mapping
// ("game:\n  prefix: /games/x"), without quotes or a trailing comment.
std::optional<std::string> YamlValue(std::string_view yaml, std::string_view section,
                                     std::string_view key);
