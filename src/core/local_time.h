#pragma once

#include <ctime>

// The calendar fields of a moment in the machine's time zone. Safe to call from any thread.
std::tm LocalTime(std::time_t moment);
