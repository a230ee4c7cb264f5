// The Event Manager: how the program takes events and reads the mouse and
// keyboard.
//
// Events come in this order: activate events (the window manager's changes
// of the active window), then queued input and high-level events in the
// order they were posted, then update events (frontmost visible window with
// a non-empty update region first), then the null event. While it waits,
// the event loop keeps the screen shown (Desktop::Flush) and fires the
// event-loop timers.
#pragma once

#include "platform/EventQueue.h"
#include "platform/Geometry.h"
#include "platform/Input.h"
#include "platform/Windows.h"

#include <cstdint>

namespace Events {

using EventQueue::EventRecord;

// Waits at most sleepTicks ticks (Platform::kTicksPerSecond to the second)
// for an event of the mask and takes it. False with a null event (time,
// pointer and modifiers filled in) when none came.
bool WaitNextEvent(int mask, EventRecord& event, std::uint32_t sleepTicks);
// The event WaitNextEvent would take now, without taking it.
bool EventAvail(int mask, EventRecord& event);
void FlushEvents(int whichMask, int stopMask);

// The button is down now.
bool Button();
// The button is down and no mouse-up waits in the queue.
bool StillDown();
// As StillDown, but takes a waiting mouse-up out of the queue.
bool WaitMouseUp();
// The pointer in the current port's local coordinates.
void GetMouse(Geometry::Point& local);
void GetKeys(Input::KeyMap& keys);
// Ticks within which a second click counts as a double click, and between
// blinks of a text cursor.
std::uint32_t GetDblTime();
std::uint32_t GetCaretTime();
inline constexpr std::uint32_t kDoubleClickTicks = 30;
inline constexpr std::uint32_t kCaretTicks = 32;

// The window of an update or activate event.
Windows::Window* EventWindow(const EventRecord& event);

// For the tracking loops of menus and windows: keeps the screen shown and
// the timers firing for at most maxSeconds, feeding input that arrives.
void Idle(double maxSeconds);
inline constexpr double kTrackInterval = 1.0 / 60.0;
// True when the backend has said that no input will come any more (a
// headless script that ran out): a modal loop then ends instead of waiting
// for ever.
bool InputEnded();

// A procedure that every round of waiting calls first (WaitNextEvent,
// EventAvail, Button, Idle), on the main thread: a module whose state
// other threads change shows it there. Nil for none.
using WaitHook = void (*)();
void SetWaitHook(WaitHook hook);

// True when the button has been released: takes the first waiting mouse-up
// (where: its position), or, without one, finds the button up (where: the
// pointer).
bool TrackRelease(Geometry::Point& where);

}  // namespace Events
