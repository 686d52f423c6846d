#include "core/local_time.h"

#include <mutex>

std::tm LocalTime(std::time_t moment) {
  // std::localtime hands out one shared result; the lock keeps our callers from
  // overwriting each other's before it is copied.
  static std::mutex lock;
  const std::lock_guard<std::mutex> guard(lock);
  const std::tm* local = std::localtime(&moment);
  return local ? *local : std::tm{};
}
