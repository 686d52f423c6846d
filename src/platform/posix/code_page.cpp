#include "platform/code_page.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>

namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The whole text through iconv; nothing when any byte has no form in the target.
std::optional<std::string> Convert(std::string_view text, const std::string& to,
                                   const std::string& from) {
  if (IsAscii(text)) return std::string(text);
  const iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string input(text);
  // One code-page byte is at most three UTF-8 bytes, and one UTF-8 byte at most one byte.
  std::string output(input.size() * 3, '\0');
  char* in = input.data();
  size_t inLeft = input.size();
  char* out = output.data();
  size_t outLeft = output.size();
  const size_t done = iconv(cd, &in, &inLeft, &out, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1) || inLeft != 0) return std::nullopt;
  output.resize(output.size() - outLeft);
  return output;
}

}  // namespace

std::optional<std::string> GameNameToUtf8(std::string_view name) {
  return Convert(name, "UTF-8", GameCodePage());
}

std::optional<std::string> GameNameFromUtf8(std::string_view name) {
  return Convert(name, GameCodePage(), "UTF-8");
}
