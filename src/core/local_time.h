#pragma once

#include <ctime>

// The calendar fields of a moment in the machine's time zone. Calls are serialised, so any
// thread may make them.
std::tm LocalTime(std::time_t moment);
