#include "link/address_discovery.h"

#include <algorithm>

#include "core/names.h"
#include "core/octet_text.h"
#include "link/environment.h"
#include "platform/network_facts.h"
#include "platform/sockets.h"

namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(separator, start);
    if (at == std::string::npos) break;
    parts.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

bool IsInternetConnected(const Environment& env) {
  return env.InternetConnected && env.InternetConnected();
}

std::string GetExternalAddress(const Environment& env) {
  if (!IsInternetConnected(env)) return {};
  return AddressFromReply(HttpGetBody(env.AddressPageUrl, kAddressPageBytes, kAddressPageTimeout));
}

std::string GetLocalAddresses(const Environment& env) {
  std::string result;
  if (!env.LocalAddressTable) return result;
  for (const auto& row : env.LocalAddressTable()) {
    std::string text = AddressToText(row);
    result = TrimBlanks(result).empty() ? text : result + "\r\n" + text;
  }
  return result;
}

std::string ChooseLocalAddress(const Environment& env, const std::string& external) {
  return ChooseFromList(GetLocalAddresses(env), external);
}

std::string PrimaryAddress(const Environment& env) {
  if (env.PrimaryAddress) return env.PrimaryAddress();
  return PrimaryIPv4Address();
}

std::string ChooseFromList(const std::string& localList, const std::string& external) {
  // The page's address as it would be shown: before any markup, without blanks or line ends.
  std::string_view shown = std::string_view(external).substr(0, external.find('<'));
  const size_t first = shown.find_first_not_of(" \r\n");
  shown = first == std::string_view::npos
              ? std::string_view()
              : shown.substr(first, shown.find_last_not_of(" \r\n") - first + 1);
  const auto loopback = [](std::string_view x) { return x.starts_with("127."); };
  std::string chosen;
  for (const std::string& x : Split(localList, "\r\n")) {
    if (!IsValidAddress(x)) continue;
    if (x != "0.0.0.0" && chosen.empty()) {
      chosen = x;
      continue;
    }
    if (IsPublicAddress(x) && x == shown) {
      chosen = x;
      break;
    }
    // Nobody else reaches a loopback address: the first later real address wins.
    if (loopback(chosen) && !loopback(x) && x != "0.0.0.0") chosen = x;
  }
  return chosen;
}

bool IsValidAddress(std::string_view text) {
  std::vector<std::string> parts = Split(std::string(text), ".");
  if (parts.size() != 4) return false;
  for (const std::string& part : parts) {
    if (part.empty()) return false;
    int value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
      value = std::min(value * 10 + (c - '0'), 256);  // capped: any long number is too big
    }
    if (value >= 256) return false;
  }
  return true;
}

bool IsPublicAddress(std::string_view text) {
  return !(text.starts_with("192.168.") || text.starts_with("172.16.") || text.starts_with("10.") ||
           text == "127.0.0.1");
}

ByteString AddressToBytes(std::string_view text) {
  ByteString bytes(4, '\0');
  size_t start = 0;
  for (int i = 0; i < 4 && start <= text.size(); ++i) {
    size_t end = i < 3 ? text.find('.', start) : text.size();
    if (end == std::string_view::npos) end = text.size();
    std::string_view part = text.substr(start, end - start);
    int value = part.empty() ? 256 : 0;
    for (char c : part) {
      if (c < '0' || c > '9') {
        value = 256;
        break;
      }
      value = std::min(value * 10 + (c - '0'), 256);
    }
    bytes[static_cast<size_t>(i)] = static_cast<char>(value < 256 ? value : 0);
    start = end + 1;
  }
  return bytes;
}

std::optional<std::array<uint8_t, 4>> ParseAddress(std::string_view text) {
  if (!IsValidAddress(text)) return std::nullopt;
  const ByteString bytes = AddressToBytes(text);
  return std::array<uint8_t, 4>{static_cast<uint8_t>(bytes[0]), static_cast<uint8_t>(bytes[1]),
                                static_cast<uint8_t>(bytes[2]), static_cast<uint8_t>(bytes[3])};
}

std::string AddressFromReply(std::string_view reply) {
  std::string buffer(kAddressPageBytes, ' ');
  buffer.replace(0, std::min(reply.size(), buffer.size()),
                 reply.substr(0, std::min(reply.size(), buffer.size())));
  if (TrimBlanks(buffer).empty()) return {};
  size_t found = ToLower(buffer).find("address:");
  size_t p = found == std::string::npos ? 0 : found + 1;  // 1-based position, 0 = absent
  // The text from 1-based position p + 8: right behind the marker, or without one from the
  // 8th character on.
  std::string rest = buffer.substr(p + 7);
  size_t lineFeed = rest.find('\n');
  if (lineFeed != std::string::npos) rest.resize(lineFeed);
  return std::string(TrimBlanks(rest));
}
