// The program's one source of the local date and time and of the
// millisecond tick count. Tests replace the clock to stand at 23:59:59.999 or
// at midnight; everything that stamps a date or a time asks here.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/VclText.h"

namespace platform {

// Local date and time of the moment, to the millisecond (localtime_r).
DateTime Now();

// 32-bit millisecond tick count of a monotonic clock; wraps like the
// Windows tick count does.
uint32_t TickCount();

// Offset of local time from UTC in minutes at the moment, from tm_gmtoff.
int UtcOffsetMinutes();

// Milliseconds left until a steady-clock deadline, 0 once it has passed:
// the time-out to hand to poll() in a loop that must end by the deadline.
int RemainingMs(std::chrono::steady_clock::time_point deadline);

// Replaces Now() until reset with an empty function.
void SetClockForTesting(std::function<DateTime()> now);

// Replaces TickCount() until reset with an empty function.
void SetTickCountForTesting(std::function<uint32_t()> tickCount);

}  // namespace platform
