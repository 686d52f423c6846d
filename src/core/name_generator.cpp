#include "core/name_generator.h"

#include <cmath>
#include <ctime>
#include <utility>

#include "core/local_time.h"

std::string NameGenerator::RandomName(std::string_view text) {
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

  // Key: date, seconds since midnight, time, one pseudo-random character.
  const std::time_t now = std::time(nullptr);
  const std::tm local = LocalTime(now);
  char date[32];
  char time[32];
  std::strftime(date, sizeof date, "%d.%m.%Y", &local);
  std::strftime(time, sizeof time, "%H:%M:%S", &local);
  const long secondsSinceMidnight = local.tm_hour * 3600L + local.tm_min * 60L + local.tm_sec;
  const double uniform = std::uniform_real_distribution<double>(0.0, 1.0)(rnd_);
  std::string key = std::string(date) + std::to_string(secondsSinceMidnight) + time;
  key += static_cast<char>(static_cast<int>(std::nearbyint(uniform * 255)));

  // RC4 key schedule.
  for (int i = 0; i < 256; ++i) s_[i] = static_cast<uint8_t>(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    const auto k = static_cast<uint8_t>(key[static_cast<size_t>(i) % key.size()]);
    j = static_cast<uint8_t>(j + s_[i] + k);
    std::swap(s_[i], s_[j]);
  }

  std::string out;
  out.reserve(text.size());
  for (size_t n = 0; n < text.size(); ++n) {
    a_ = static_cast<uint8_t>(a_ + 1);
    b_ = static_cast<uint8_t>(b_ + s_[a_]);
    std::swap(s_[a_], s_[b_]);
    const uint8_t byte = s_[static_cast<uint8_t>(s_[a_] + s_[b_])];
    double x = byte / 255.0 * 62.0;
    if (x >= 61) x = 61;
    out += kAlphabet[static_cast<int>(std::nearbyint(x))];
  }
  return out;
}
