#include "net/list_text.h"

namespace {
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kNull = "NULL";
}  // namespace

std::optional<std::string_view> ListField(std::string_view line, int field) {
  for (int i = 0; i < field; ++i) {
    const size_t tab = line.find('\t');
    if (line.empty() || tab == std::string_view::npos) return std::nullopt;
    line.remove_prefix(tab + 1);
  }
  return line.substr(0, line.find('\t'));
}

std::string GetListField(const std::string& list, int field, int line) {
  std::string_view rest = list;
  for (int i = 0; i < line; ++i) {
    const size_t crlf = rest.find(kCrLf);
    if (crlf == std::string_view::npos) return std::string(kNull);
    rest.remove_prefix(crlf + kCrLf.size());
  }
  if (rest.size() < 3) return std::string(kNull);
  const auto value = ListField(rest.substr(0, rest.find(kCrLf)), field);
  return value ? std::string(*value) : std::string(kNull);
}

bool ListReader::Next(std::string_view& line) {
  if (done_) return false;
  const std::string_view rest = list_.substr(pos_);
  if (rest.size() < 3) {
    done_ = true;
    return false;
  }
  const size_t crlf = rest.find(kCrLf);
  line = rest.substr(0, crlf);
  if (crlf == std::string_view::npos) {
    done_ = true;  // an unterminated last line is the last one
  } else {
    pos_ += crlf + kCrLf.size();
  }
  return true;
}

std::optional<int64_t> ParseListSize(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > INT32_MAX) return std::nullopt;
  return value;
}
