// Event records and the queue that input is posted to: mouse buttons, keys,
// suspend and resume, and high-level (quit, open document) events. Update
// and activate events are not queued: the Event Manager calls (Events)
// make them from the window manager's state when asked.
#pragma once

#include "platform/Geometry.h"

#include <cstddef>
#include <cstdint>

namespace EventQueue {

// Event kinds (`what`).
inline constexpr int kNullEvent = 0;
inline constexpr int kMouseDown = 1;
inline constexpr int kMouseUp = 2;
inline constexpr int kKeyDown = 3;
inline constexpr int kKeyUp = 4;
inline constexpr int kAutoKey = 5;
inline constexpr int kUpdateEvt = 6;
inline constexpr int kActivateEvt = 8;
inline constexpr int kOsEvt = 15;
inline constexpr int kHighLevelEvent = 23;

// Event masks: bit `what` for the kinds up to 15, kHighLevelEventMask for
// high-level events.
inline constexpr int kMouseDownMask = 1 << kMouseDown;
inline constexpr int kMouseUpMask = 1 << kMouseUp;
inline constexpr int kKeyDownMask = 1 << kKeyDown;
inline constexpr int kKeyUpMask = 1 << kKeyUp;
inline constexpr int kAutoKeyMask = 1 << kAutoKey;
inline constexpr int kUpdateMask = 1 << kUpdateEvt;
inline constexpr int kActivMask = 1 << kActivateEvt;
inline constexpr int kHighLevelEventMask = 0x0400;
inline constexpr int kOsMask = 1 << kOsEvt;
inline constexpr int kEveryEvent = 0xFFFF;

// Modifier bits. kBtnState is set while the mouse button is up.
inline constexpr int kActiveFlag = 0x0001;
inline constexpr int kBtnState = 0x0080;
inline constexpr int kCmdKey = 0x0100;
inline constexpr int kShiftKey = 0x0200;
inline constexpr int kAlphaLock = 0x0400;
inline constexpr int kOptionKey = 0x0800;
inline constexpr int kControlKey = 0x1000;
inline constexpr int kRightShiftKey = 0x2000;
inline constexpr int kRightOptionKey = 0x4000;
inline constexpr int kRightControlKey = 0x8000;

// Operating-system events: the message's high byte, and its resume bit.
inline constexpr std::uint32_t kSuspendResumeMessage = 0x01;
inline constexpr std::uint32_t kResumeFlag = 0x01;

// message by kind: keys: virtual key code << 8 | character; update and
// activate: the window; OS events: kSuspendResumeMessage << 24 | resume
// flag; high-level events: the event ID (AppleEvents), with `where.h` the
// event's serial number. `when` is the tick count at posting, `where` the
// global mouse position.
struct EventRecord {
  int what = kNullEvent;
  std::uintptr_t message = 0;
  std::uint32_t when = 0;
  Geometry::Point where;
  int modifiers = 0;
};

// The mask bit of an event kind (0 for kinds no mask names).
int MaskOf(int what);

inline constexpr std::size_t kCapacity = 64;

void Clear();
// When the queue is full the oldest event is dropped.
void Post(const EventRecord& event);
// The first queued event whose kind the mask names, removed when asked.
bool Take(int mask, EventRecord& event, bool remove);
// Removes the events whose kinds whichMask names, up to (not including) the
// first event whose kind stopMask names.
void Flush(int whichMask, int stopMask);

}  // namespace EventQueue
