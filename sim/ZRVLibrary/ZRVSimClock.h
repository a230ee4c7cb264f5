// The sampling clock of the simulated boards: the clock handed over by
// ZRVSim_UseClock, or the monotonic clock until one is; and the hook that
// moves a virtual clock on by the time a single conversion takes (handed
// over by ZRVSim_UseClockAdvance; a running clock needs none).
#pragma once

#include <cstdint>

namespace ZRVSimClock {

using Source = double (*)();

void Use(Source source);  // nil: the monotonic clock
double Now();

using AdvanceHook = void (*)(double seconds);
void UseAdvance(AdvanceHook hook);  // nil: time moves by itself
// Charges the seconds to the clock through the hook; nothing without one.
void Advance(double seconds);

// Whole nanoseconds from `start` to now (0 when the clock is behind it).
std::int64_t NanosecondsSince(double start);

}  // namespace ZRVSimClock
