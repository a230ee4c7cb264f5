// The program's clock: monotonic seconds, ticks, sleeping and exact waits.
//
// Real time (CLOCK_MONOTONIC) is the default. A simulation installs the
// virtual clock with UseVirtualClock(start): from then on
//   - ElapsedSeconds (and Tick_Count) read virtual time, which begins at
//     `start` and moves only forward: by Advance, and by the waits;
//   - SleepSeconds, Mach_Sleep and WaitSeconds return at once, having moved
//     virtual time on to their deadline (a wait never spins on a clock that
//     nobody advances);
//   - calendar time (UtcSeconds, and so the calendar functions) is the
//     calendar time at installation plus the virtual time elapsed since,
//     so that time stamps stay consistent with virtual delays.
// UseRealClock returns to real time. Pass start = ElapsedSeconds() to switch
// without a jump. Every function here is safe on any thread.
//
// On a started thread whose stop is requested (see Threads.h) the waits
// return at once.
#pragma once

#include <cstdint>

namespace Platform {

double ElapsedSeconds();

// truncate(ElapsedSeconds() x 60.1667), wrapping at 2^32.
constexpr double kTicksPerSecond = 60.1667;
std::uint32_t Tick_Count();

// Suspend the calling thread until the clock has advanced by the seconds.
void SleepSeconds(double seconds);
void Mach_Sleep(double seconds);

// Ends exactly on time: sleeps for all but the last 0.02 s, then polls.
constexpr double kBusyWaitMargin = 0.02;
void WaitSeconds(double seconds);

void UseVirtualClock(double start);
void UseRealClock();
// Moves virtual time forward; ignored under the real clock and for
// seconds <= 0.
void Advance(double seconds);

// Calendar time: seconds since 1970-01-01 00:00 UTC with a microsecond
// fraction.
double UtcSeconds();

}  // namespace Platform
