#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Media list texts: lines of "name" TAB "size" CR LF.

// The field (0-based) of a line (0-based), or "NULL" when either does not exist. A line
// number past the last CR LF does not exist, so a list whose last line lacks its CR LF still
// ends.
std::string GetListField(const std::string& list, int field, int line);

// Walks the lines of a list in order, giving what GetListField gives line by line, in time
// linear in the list (asking GetListField for every line would be quadratic).
class ListReader {
 public:
  explicit ListReader(std::string_view list) : list_(list) {}
  // The next line without its CR LF; false where GetListField(list, 0, line) is "NULL".
  bool Next(std::string_view& line);

 private:
  std::string_view list_;
  size_t pos_ = 0;
  bool done_ = false;
};

// A field of one line's text, as GetListField picks it; nullopt for "NULL".
std::optional<std::string_view> ListField(std::string_view line, int field);

// A size field: plain decimal digits up to 2147483647; nullopt for anything else.
std::optional<int64_t> ParseListSize(std::string_view text);
