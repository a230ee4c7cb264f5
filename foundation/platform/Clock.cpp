#include "foundation/platform/Clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>

#include "foundation/platform/Threads.h"

namespace Platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Longer spans are cut to this (about 31 years) to keep deadlines finite.
constexpr double kLongestWait = 1e9;

std::atomic<bool> virtualActive{false};
std::atomic<double> virtualNow{0.0};
// UTC calendar seconds at virtual time 0.
std::atomic<double> virtualCalendarBase{0.0};

double RealElapsedSeconds() {
  return std::chrono::duration<double>(SteadyClock::now().time_since_epoch()).count();
}

double RealUtcSeconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec / 1000) * 1e-6;
}

// The seconds, or 0 for anything not above 0 (NaN included).
double BoundedSeconds(double seconds) {
  return seconds > 0.0 ? std::min(seconds, kLongestWait) : 0.0;
}

void AdvanceVirtualTo(double deadline) {
  double now = virtualNow.load();
  while (now < deadline && !virtualNow.compare_exchange_weak(now, deadline)) {
  }
}

// Under the virtual clock a wait only moves time on to its deadline.
bool WaitedVirtually(double wait) {
  if (!virtualActive.load()) return false;
  AdvanceVirtualTo(virtualNow.load() + wait);
  return true;
}

void SleepUntilDeadline(double deadline) {
  SuspendUntil(SteadyClock::time_point(std::chrono::duration_cast<SteadyClock::duration>(
      std::chrono::duration<double>(deadline))));
}

}  // namespace

double ElapsedSeconds() {
  if (virtualActive.load()) return virtualNow.load();
  return RealElapsedSeconds();
}

std::uint32_t Tick_Count() {
  const double ticks = ElapsedSeconds() * kTicksPerSecond;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks));
}

void SleepSeconds(double seconds) {
  if (ThreadStopRequested()) return;
  const double wait = BoundedSeconds(seconds);
  if (WaitedVirtually(wait)) return;
  SleepUntilDeadline(RealElapsedSeconds() + wait);
}

void Mach_Sleep(double seconds) { SleepSeconds(seconds); }

void WaitSeconds(double seconds) {
  if (ThreadStopRequested()) return;
  const double wait = BoundedSeconds(seconds);
  if (WaitedVirtually(wait)) return;
  const double deadline = RealElapsedSeconds() + wait;
  if (wait > kBusyWaitMargin) SleepSeconds(wait - kBusyWaitMargin);
  // Leave the poll too when a simulation installs its clock meanwhile.
  while (RealElapsedSeconds() < deadline && !virtualActive.load() && !ThreadStopRequested()) {
  }
}

void UseVirtualClock(double start) {
  const double begin = BoundedSeconds(start);
  virtualNow.store(begin);
  virtualCalendarBase.store(RealUtcSeconds() - begin);
  virtualActive.store(true);
}

void UseRealClock() { virtualActive.store(false); }

void Advance(double seconds) {
  if (!virtualActive.load()) return;
  // Added, not raised to a deadline: two advances of 1 s make 2 s.
  virtualNow.fetch_add(BoundedSeconds(seconds));
}

double UtcSeconds() {
  if (virtualActive.load()) return virtualCalendarBase.load() + virtualNow.load();
  return RealUtcSeconds();
}

}  // namespace Platform
