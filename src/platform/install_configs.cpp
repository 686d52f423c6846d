#include "platform/install_configs.h"

#include <cctype>
#include <cstdint>

#include "core/names.h"
#include "core/utf8.h"

namespace {

constexpr size_t kMaxValveDepth = 32;

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The tokens of Valve's text format.
class ValveLexer {
 public:
  enum class Kind { Open, Close, Text, End, Bad };

  explicit ValveLexer(std::string_view text) : text_(text) {}

  Kind Next(std::string& token) {
    SkipBlanksAndComments();
    if (pos_ >= text_.size()) return Kind::End;
    const char c = text_[pos_];
    if (c == '{' || c == '}') {
      ++pos_;
      return c == '{' ? Kind::Open : Kind::Close;
    }
    token.clear();
    if (c == '"') return Quoted(token);
    while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != '{' &&
           text_[pos_] != '}' && text_[pos_] != '"') {
      token += text_[pos_++];
    }
    return Kind::Text;
  }

 private:
  void SkipBlanksAndComments() {
    for (;;) {
      while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
      if (text_.substr(pos_, 2) != "//") return;
      while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
    }
  }

  Kind Quoted(std::string& token) {
    for (++pos_; pos_ < text_.size(); ++pos_) {
      char c = text_[pos_];
      if (c == '"') {
        ++pos_;
        return Kind::Text;
      }
      if (c == '\\' && pos_ + 1 < text_.size()) {
        c = text_[++pos_];
        if (c == 'n') c = '\n';
        if (c == 't') c = '\t';
      }
      token += c;
    }
    return Kind::Bad;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

bool IsCondition(const std::string& token) { return token.size() > 1 && token[0] == '['; }

// Reads a JSON string at `pos` (standing on its opening quote) as UTF-8.
std::optional<std::string> JsonString(std::string_view json, size_t& pos) {
  std::string out;
  for (++pos; pos < json.size(); ++pos) {
    const char c = json[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++pos >= json.size()) return std::nullopt;
    switch (const char e = json[pos]) {
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        auto unit = [&](size_t at) -> std::optional<uint32_t> {
          if (at + 4 > json.size()) return std::nullopt;
          uint32_t value = 0;
          for (size_t i = at; i < at + 4; ++i) {
            const char h = json[i];
            if (!std::isxdigit(static_cast<unsigned char>(h))) return std::nullopt;
            value = value * 16 + static_cast<uint32_t>(h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
          }
          return value;
        };
        std::optional<uint32_t> code = unit(pos + 1);
        if (!code) return std::nullopt;
        pos += 4;
        if (*code >= 0xD800 && *code < 0xDC00 && json.substr(pos + 1, 2) == "\\u") {
          const std::optional<uint32_t> low = unit(pos + 3);
          if (low && *low >= 0xDC00 && *low < 0xE000) {
            code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
            pos += 6;
          }
        }
        AppendUtf8(out, *code);
        break;
      }
      default:
        out += e;  // \" \\ \/
    }
  }
  return std::nullopt;
}

size_t SkipJsonBlanks(std::string_view json, size_t pos) {
  while (pos < json.size() && IsBlank(json[pos])) ++pos;
  return pos;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A YAML scalar as written on one line: quoted, or bare up to a " #" comment.
std::string YamlScalar(std::string_view text) {
  text = Trim(text);
  if (text.size() >= 2 && (text[0] == '"' || text[0] == '\'')) {
    const size_t close = text.find(text[0], 1);
    if (close != std::string_view::npos) return std::string(text.substr(1, close - 1));
  }
  const size_t comment = text.find(" #");
  return std::string(Trim(text.substr(0, comment)));
}

}  // namespace

std::optional<ValveNode> ReadValveText(std::string_view text) {
  ValveNode root;
  std::vector<ValveNode*> open{&root};
  ValveLexer lexer(text);
  std::string token;
  for (;;) {
    ValveLexer::Kind kind = lexer.Next(token);
    if (kind == ValveLexer::Kind::End) {
      if (open.size() != 1) return std::nullopt;
      return root;
    }
    if (kind == ValveLexer::Kind::Close) {
      if (open.size() == 1) return std::nullopt;
      open.pop_back();
      continue;
    }
    if (kind != ValveLexer::Kind::Text) return std::nullopt;
    if (IsCondition(token)) continue;
    ValveNode node;
    node.Key = token;
    kind = lexer.Next(token);
    if (kind == ValveLexer::Kind::Text) {
      node.Value = token;
      open.back()->Children.push_back(std::move(node));
    } else if (kind == ValveLexer::Kind::Open) {
      if (open.size() > kMaxValveDepth) return std::nullopt;
      open.back()->Children.push_back(std::move(node));
      open.push_back(&open.back()->Children.back());
    } else {
      return std::nullopt;
    }
  }
}

const ValveNode* ValveFind(const ValveNode& node, std::initializer_list<std::string_view> keys) {
  const ValveNode* at = &node;
  for (const std::string_view key : keys) {
    const ValveNode* next = nullptr;
    for (const ValveNode& child : at->Children) {
      if (EqualsIgnoringCase(child.Key, key)) {
        next = &child;
        break;
      }
    }
    if (!next) return nullptr;
    at = next;
  }
  return at;
}

std::vector<std::string> JsonStringMembers(std::string_view json, std::string_view key) {
  std::vector<std::string> values;
  for (size_t pos = 0; pos < json.size();) {
    if (json[pos] != '"') {
      ++pos;
      continue;
    }
    const std::optional<std::string> text = JsonString(json, pos);
    if (!text) break;
    size_t next = SkipJsonBlanks(json, pos);
    // A string followed by a colon is a member name; its value follows.
    if (next >= json.size() || json[next] != ':' || *text != key) continue;
    next = SkipJsonBlanks(json, next + 1);
    if (next >= json.size() || json[next] != '"') continue;
    const std::optional<std::string> value = JsonString(json, next);
    if (!value) break;
    values.push_back(*value);
    pos = next;
  }
  return values;
}

std::optional<std::string> YamlValue(std::string_view yaml, std::string_view section,
                                     std::string_view key) {
  bool inSection = false;
  for (size_t start = 0; start < yaml.size();) {
    size_t end = yaml.find('\n', start);
    if (end == std::string_view::npos) end = yaml.size();
    std::string_view line = yaml.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view content = Trim(line);
    if (content.empty() || content[0] == '#') continue;
    const size_t colon = content.find(':');
    if (!IsBlank(line[0])) {
      inSection = colon != std::string_view::npos && Trim(content.substr(0, colon)) == section;
      continue;
    }
    if (inSection && colon != std::string_view::npos && Trim(content.substr(0, colon)) == key) {
      return YamlScalar(content.substr(colon + 1));
    }
  }
  return std::nullopt;
}
