// Event-loop timers: procedures the event loop calls at given times while
// it waits for events or tracks the mouse (a menu that is open, a window
// being dragged), so that background work goes on meanwhile. Times are the
// platform clock's seconds.
#pragma once

namespace Timers {

using Proc = void (*)(void* user);

inline constexpr int kMaxTimers = 8;

void InitModule();

// Fires first after firstDelay seconds, then every interval seconds (once
// for an interval of 0 or less). Gives the timer's id (> 0), or 0 when all
// kMaxTimers are in use or proc is nil.
int Install(double firstDelay, double interval, Proc proc, void* user);
// Nothing for an id that is not installed.
void Remove(int id);

// The time of the earliest firing; a huge value when none is installed.
double NextDue();
// Calls every timer whose time has come, once each; a timer that fell
// behind skips the firings it missed. A timer procedure may install and
// remove timers; calls from within a timer procedure do nothing.
void FireDue();

}  // namespace Timers
