#include "platform/wine_registry.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

#include "core/app_paths.h"
#include "core/names.h"
#include "core/utf8.h"
#include "platform/game_path.h"
#include "platform/path_text.h"

namespace fs = std::filesystem;

namespace {

// A read into a buffer of this many bytes, terminating NUL included.
constexpr size_t kValueBufferSize = 2048;

// UTF-16 code units as Wine writes them (one escape per unit) to UTF-8.
std::string Utf16ToUtf8(const std::vector<uint32_t>& units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t code = units[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, code);
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads an escaped text starting at `pos` up to the unescaped `end` character, the way Wine
// writes key and value names and string data: \\ \" \] \n ..., \x and up to four hex
// digits, \ and up to three octal digits. The source bytes are UTF-8. On success `pos`
// stands behind the closing character.
std::optional<std::string> ReadEscaped(const std::string& line, size_t& pos, char end) {
  std::vector<uint32_t> units;
  while (pos < line.size()) {
    const unsigned char c = static_cast<unsigned char>(line[pos]);
    if (c == static_cast<unsigned char>(end)) {
      ++pos;
      return Utf16ToUtf8(units);
    }
    if (c != '\\') {
      // A UTF-8 sequence in the file: decode it to one code point.
      int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      uint32_t code = extra == 0 ? c : (c & (0x3F >> extra));
      ++pos;
      for (; extra > 0 && pos < line.size(); --extra, ++pos) {
        code = (code << 6) | (static_cast<unsigned char>(line[pos]) & 0x3F);
      }
      if (code >= 0x10000) {
        units.push_back(0xD800 + ((code - 0x10000) >> 10));
        units.push_back(0xDC00 + ((code - 0x10000) & 0x3FF));
      } else {
        units.push_back(code);
      }
      continue;
    }
    if (++pos >= line.size()) return std::nullopt;
    const char e = line[pos++];
    switch (e) {
      case 'a':
        units.push_back('\a');
        break;
      case 'b':
        units.push_back('\b');
        break;
      case 'e':
        units.push_back(0x1B);
        break;
      case 'f':
        units.push_back('\f');
        break;
      case 'n':
        units.push_back('\n');
        break;
      case 'r':
        units.push_back('\r');
        break;
      case 't':
        units.push_back('\t');
        break;
      case 'v':
        units.push_back('\v');
        break;
      case 'x': {
        uint32_t code = 0;
        int digits = 0;
        while (digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) {
          code = code * 16 + static_cast<uint32_t>(HexDigit(line[pos++]));
          ++digits;
        }
        units.push_back(digits > 0 ? code : 'x');
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          uint32_t code = static_cast<uint32_t>(e - '0');
          for (int digits = 1;
               digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++digits) {
            code = code * 8 + static_cast<uint32_t>(line[pos++] - '0');
          }
          units.push_back(code);
        } else {
          units.push_back(static_cast<unsigned char>(e));
        }
    }
  }
  return std::nullopt;
}

// "hex(1):41,00,42,00,00,00" (a string value kept as UTF-16LE bytes) to text.
std::optional<std::string> DecodeHexString(const std::string& data) {
  std::vector<uint8_t> bytes;
  for (size_t pos = 0; pos < data.size();) {
    while (pos < data.size() &&
           (data[pos] == ',' || std::isspace(static_cast<unsigned char>(data[pos])))) {
      ++pos;
    }
    if (pos >= data.size()) break;
    if (pos + 1 >= data.size() || HexDigit(data[pos]) < 0 || HexDigit(data[pos + 1]) < 0) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<uint8_t>(HexDigit(data[pos]) * 16 + HexDigit(data[pos + 1])));
    pos += 2;
  }
  std::vector<uint32_t> units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const uint32_t unit = bytes[i] | (static_cast<uint32_t>(bytes[i + 1]) << 8);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return Utf16ToUtf8(units);
}

// The text of a string value's data (the part behind "="); nothing for other types.
std::optional<std::string> StringData(const std::string& data) {
  std::string rest = data;
  for (const char* prefix : {"str(2):", "str(1):"}) {
    if (ToLower(rest).rfind(prefix, 0) == 0) {
      rest = rest.substr(std::string(prefix).size());
      break;
    }
  }
  if (!rest.empty() && rest[0] == '"') {
    size_t pos = 1;
    std::optional<std::string> text = ReadEscaped(rest, pos, '"');
    if (text) text = text->substr(0, text->find('\0'));
    return text;
  }
  const std::string lower = ToLower(data);
  if (lower.rfind("hex(1):", 0) == 0 || lower.rfind("hex(2):", 0) == 0) {
    return DecodeHexString(data.substr(7));
  }
  return std::nullopt;
}

// Key paths compare without case and without leading or trailing backslashes.
std::string NormalizeKey(const std::string& key) {
  size_t begin = key.find_first_not_of('\\');
  size_t end = key.find_last_not_of('\\');
  if (begin == std::string::npos) return "";
  return ToLower(key.substr(begin, end - begin + 1));
}

enum class Lookup { Found, NoValue, NoKey };

// Looks the value up in one hive file. Continuation lines (ending in a backslash) belong
// to the line before them.
Lookup FindValue(const fs::path& hive, const std::string& wantedKey, const std::string& valueName,
                 std::string& result, bool& isString) {
  std::ifstream in(hive, std::ios::binary);
  if (!in) return Lookup::NoKey;
  const std::string wantedName = ToLower(valueName);
  bool inKey = false;
  bool keySeen = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == '[') {
      if (inKey) return Lookup::NoValue;  // the key's section has ended
      size_t pos = 1;
      std::optional<std::string> key = ReadEscaped(line, pos, ']');
      inKey = key && NormalizeKey(*key) == wantedKey;
      keySeen = keySeen || inKey;
      continue;
    }
    if (!inKey) continue;
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      pos = 1;
      std::optional<std::string> parsed = ReadEscaped(line, pos, '"');
      if (!parsed) continue;
      name = *parsed;
    } else {
      continue;
    }
    if (pos >= line.size() || line[pos] != '=') continue;
    std::string data = line.substr(pos + 1);
    while (!data.empty() && data.back() == '\\' && std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      data.pop_back();
      data += line;
    }
    if (ToLower(name) != wantedName) continue;
    std::optional<std::string> text = StringData(data);
    isString = text.has_value();
    if (text) result = *text;
    return Lookup::Found;
  }
  return keySeen ? Lookup::NoValue : Lookup::NoKey;
}

// "Software\X\Y" -> "Software\Wow6432Node\X\Y"; empty when the key is not under Software.
std::string Wow6432Twin(const std::string& normalizedKey) {
  const std::string software = "software\\";
  if (normalizedKey.rfind(software, 0) != 0) return "";
  if (normalizedKey.rfind(software + "wow6432node\\", 0) == 0) return "";
  return software + "wow6432node\\" + normalizedKey.substr(software.size());
}

// Whether the hive belongs to a 64-bit prefix: Wine writes "#arch=win64" near its top.
bool IsWin64Hive(const fs::path& hive) {
  std::ifstream in(hive, std::ios::binary);
  std::string line;
  for (int n = 0; n < 8 && std::getline(in, line); ++n) {
    if (line.rfind("#arch=win64", 0) == 0) return true;
  }
  return false;
}

}  // namespace

std::string ReadRegistryValue(const std::string& winePrefix, RegistryRoot root,
                              const std::string& keyPath, const std::string& valueName) {
  if (winePrefix.empty()) return kNotFound;
  const fs::path hive =
      PathFromUtf8(winePrefix) / (root == RegistryRoot::LocalMachine ? "system.reg" : "user.reg");
  const std::string key = NormalizeKey(keyPath);
  // A 64-bit prefix shows the 32-bit game its keys under Wow6432Node, so that twin comes first.
  const bool win64 = IsWin64Hive(hive);
  const std::string twin = Wow6432Twin(key);
  for (const std::string& candidate : {win64 ? twin : key, win64 ? key : twin}) {
    if (candidate.empty()) continue;
    std::string value;
    bool isString = false;
    if (FindValue(hive, candidate, valueName, value, isString) != Lookup::Found) continue;
    if (!isString || value.size() + 1 > kValueBufferSize) return kNotFound;
    return value;
  }
  return kNotFound;
}

std::string MapWindowsPath(const std::string& winePrefix, const std::string& windowsPath) {
  if (winePrefix.empty() || windowsPath.size() < 2 || windowsPath[1] != ':' ||
      !std::isalpha(static_cast<unsigned char>(windowsPath[0]))) {
    return "";
  }
  const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
  std::error_code ec;
  const fs::path prefix = PathFromUtf8(winePrefix);
  fs::path base = prefix / "dosdevices" / PathFromUtf8(std::string(1, drive) + ":");
  if (!fs::is_directory(base, ec)) {
    base = prefix / "drive_c";
    if (drive != 'c' || !fs::is_directory(base, ec)) return "";
  }
  const fs::path canonical = fs::canonical(base, ec);
  if (!ec) base = canonical;
  std::string mapped = Utf8FromPath(ResolveUtf8Below(base, windowsPath.substr(2)));
  while (mapped.size() > 1 && (mapped.back() == '/' || mapped.back() == '\\')) mapped.pop_back();
  return mapped;
}
