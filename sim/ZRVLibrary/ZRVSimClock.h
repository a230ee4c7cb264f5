// The sampling clock of the simulated boards: the clock handed over by
// ZRVSim_UseClock, or the monotonic clock until one is.
#pragma once

#include <cstdint>

namespace ZRVSimClock {

using Source = double (*)();

void Use(Source source);  // nil: the monotonic clock
double Now();

// Whole nanoseconds from `start` to now (0 when the clock is behind it).
std::int64_t NanosecondsSince(double start);

}  // namespace ZRVSimClock
