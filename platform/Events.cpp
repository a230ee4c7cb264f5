#include "platform/Events.h"

#include "foundation/platform/Clock.h"
#include "platform/Backend.h"
#include "platform/Desktop.h"
#include "platform/Port.h"
#include "platform/Timers.h"

#include <algorithm>

namespace Events {

using EventQueue::EventRecord;

namespace {

// How long Button and StillDown let input arrive: a loop that polls the
// button thereby lets a scripted release (and the virtual clock) come.
constexpr double kPollWait = 0.001;

// Floating-point slack when comparing the clock with a deadline.
constexpr double kSlack = 1e-9;

bool inputEnded = false;
WaitHook waitHook = nullptr;

EventRecord Stamped(int what, std::uintptr_t message, int modifiers) {
  EventRecord e;
  e.what = what;
  e.message = message;
  e.when = Platform::Tick_Count();
  e.where = Input::Pointer();
  e.modifiers = modifiers;
  return e;
}

int CurrentModifiers() { return Input::Modifiers() | (Input::ButtonDown() ? 0 : EventQueue::kBtnState); }

bool Next(int mask, EventRecord& event, bool remove) {
  if ((mask & EventQueue::kActivMask) != 0) {
    Windows::Window* w = nullptr;
    bool active = false;
    if (Windows::TakeActivation(&w, &active, remove)) {
      event = Stamped(EventQueue::kActivateEvt, reinterpret_cast<std::uintptr_t>(w),
                      CurrentModifiers() | (active ? EventQueue::kActiveFlag : 0));
      return true;
    }
  }
  if (EventQueue::Take(mask & ~(EventQueue::kActivMask | EventQueue::kUpdateMask), event, remove)) return true;
  if ((mask & EventQueue::kUpdateMask) != 0) {
    if (Windows::Window* w = Windows::PendingUpdate(); w != nullptr) {
      event = Stamped(EventQueue::kUpdateEvt, reinterpret_cast<std::uintptr_t>(w), CurrentModifiers());
      return true;
    }
  }
  return false;
}

// One round of the event loop: show the screen, fire due timers and let the
// backend feed input for at most `seconds` (less when a timer is due
// earlier).
Backend::WaitResult Pump(double seconds) {
  if (waitHook != nullptr) waitHook();
  Desktop::Flush();
  Timers::FireDue();
  const double now = Platform::ElapsedSeconds();
  const double wait = std::max(0.0, std::min(seconds, Timers::NextDue() - now));
  Backend::WaitResult result = Backend::WaitResult::kExhausted;
  if (const Backend::Ops* b = Backend::Current(); b != nullptr && b->wait != nullptr) {
    result = b->wait(wait);
  } else {
    Platform::SleepSeconds(wait);
  }
  inputEnded = result == Backend::WaitResult::kExhausted;
  Timers::FireDue();
  return result;
}

}  // namespace

bool WaitNextEvent(int mask, EventRecord& event, std::uint32_t sleepTicks) {
  const double deadline = Platform::ElapsedSeconds() + sleepTicks / Platform::kTicksPerSecond;
  // A program busy with events still shows its screen and runs its timers.
  Desktop::Flush();
  Timers::FireDue();
  for (;;) {
    if (Next(mask, event, true)) return true;
    const double left = deadline - Platform::ElapsedSeconds();
    if (Pump(std::max(0.0, left)) == Backend::WaitResult::kInput) continue;
    if (Platform::ElapsedSeconds() >= deadline - kSlack) break;
  }
  if (Next(mask, event, true)) return true;
  event = Stamped(EventQueue::kNullEvent, 0, CurrentModifiers());
  return false;
}

bool EventAvail(int mask, EventRecord& event) {
  while (!Next(mask, event, false)) {
    if (Pump(0.0) != Backend::WaitResult::kInput) {
      event = Stamped(EventQueue::kNullEvent, 0, CurrentModifiers());
      return false;
    }
  }
  return true;
}

void FlushEvents(int whichMask, int stopMask) { EventQueue::Flush(whichMask, stopMask); }

void SetWaitHook(WaitHook hook) { waitHook = hook; }

bool Button() {
  Pump(kPollWait);
  return Input::ButtonDown();
}

bool StillDown() {
  EventRecord up;
  return Button() && !EventQueue::Take(EventQueue::kMouseUpMask, up, false);
}

bool WaitMouseUp() {
  EventRecord up;
  const bool down = Button();
  const bool released = EventQueue::Take(EventQueue::kMouseUpMask, up, true);
  return down && !released;
}

void GetMouse(Geometry::Point& local) {
  local = Input::Pointer();
  Port::GlobalToLocal(local);
}

void GetKeys(Input::KeyMap& keys) { keys = Input::Keys(); }

std::uint32_t GetDblTime() { return kDoubleClickTicks; }
std::uint32_t GetCaretTime() { return kCaretTicks; }

Windows::Window* EventWindow(const EventRecord& event) {
  if (event.what != EventQueue::kUpdateEvt && event.what != EventQueue::kActivateEvt) return nullptr;
  return reinterpret_cast<Windows::Window*>(event.message);
}

void Idle(double maxSeconds) { Pump(maxSeconds); }

bool InputEnded() { return inputEnded; }

bool TrackRelease(Geometry::Point& where) {
  EventRecord up;
  if (EventQueue::Take(EventQueue::kMouseUpMask, up, true)) {
    where = up.where;
    return true;
  }
  if (Input::ButtonDown()) return false;
  where = Input::Pointer();
  return true;
}

}  // namespace Events
