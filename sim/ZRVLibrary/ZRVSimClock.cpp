#include "sim/ZRVLibrary/ZRVSimClock.h"

#include <atomic>
#include <chrono>
#include <cmath>

namespace ZRVSimClock {

namespace {

std::atomic<Source> chosen{nullptr};
std::atomic<AdvanceHook> advance{nullptr};

double Monotonic() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void Use(Source source) { chosen.store(source); }

double Now() {
  const Source source = chosen.load();
  return source != nullptr ? source() : Monotonic();
}

void UseAdvance(AdvanceHook hook) { advance.store(hook); }

void Advance(double seconds) {
  if (const AdvanceHook hook = advance.load()) hook(seconds);
}

std::int64_t NanosecondsSince(double start) {
  const double elapsed = (Now() - start) * 1e9;
  return elapsed > 0.0 ? std::llround(elapsed) : 0;
}

}  // namespace ZRVSimClock
