#include "platform/Timers.h"

#include "foundation/platform/Clock.h"

#include <array>
#include <limits>

namespace Timers {

namespace {

struct Timer {
  int id = 0;  // 0: free
  double due = 0.0;
  double interval = 0.0;
  Proc proc = nullptr;
  void* user = nullptr;
};

std::array<Timer, kMaxTimers> timers;
int lastId = 0;
bool firing = false;

}  // namespace

void InitModule() {
  timers.fill(Timer{});
  firing = false;
}

int Install(double firstDelay, double interval, Proc proc, void* user) {
  if (proc == nullptr) return 0;
  for (Timer& t : timers) {
    if (t.id != 0) continue;
    lastId = lastId == std::numeric_limits<int>::max() ? 1 : lastId + 1;
    t = Timer{lastId, Platform::ElapsedSeconds() + firstDelay, interval, proc, user};
    return t.id;
  }
  return 0;
}

void Remove(int id) {
  if (id == 0) return;
  for (Timer& t : timers) {
    if (t.id == id) t = Timer{};
  }
}

double NextDue() {
  double next = std::numeric_limits<double>::max();
  for (const Timer& t : timers) {
    if (t.id != 0 && t.due < next) next = t.due;
  }
  return next;
}

void FireDue() {
  if (firing) return;
  firing = true;
  const double now = Platform::ElapsedSeconds();
  for (Timer& t : timers) {
    if (t.id == 0 || t.due > now) continue;
    const Timer fired = t;
    if (t.interval > 0.0) {
      while (t.due <= now) t.due += t.interval;
    } else {
      t = Timer{};
    }
    fired.proc(fired.user);
  }
  firing = false;
}

}  // namespace Timers
