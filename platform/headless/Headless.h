// The headless backend: no display; the screen is composed only when asked
// (Desktop::SavePNG), and input comes from steps that a test or a script
// queues. The event loop feeds one step per wait, in order; a step becomes
// due when the waits given before it (Wait, "wait") have passed on the
// platform clock, so under the virtual clock a script runs in no time.
// When the steps run out while the button is held, the backend lets the
// button go (so that no tracking loop waits forever).
#pragma once

#include "platform/Backend.h"
#include "platform/Geometry.h"

#include <cstddef>
#include <span>

namespace Headless {

const Backend::Ops& Ops();

// Steps.
void MoveTo(Geometry::Point global);
void Down();
void Up();
// MoveTo, Down, Up.
void Click(Geometry::Point global);
// A key press with the modifier bits (EventQueue) held for it: key-down and
// key-up.
void Key(int virtualKey, unsigned char character, int modifiers);
// Holds or lets go of a key (modifier keys stay held across steps).
void Press(int virtualKey);
void Release(int virtualKey);
// The next step becomes due this many seconds after the one before.
void Wait(double seconds);
void Focus(bool active);
void Quit();
void Open(std::span<const char> path);
void Snapshot(std::span<const char> path);
// Clicks item N of the front dialog where it is when the step comes
// (nothing when there is no such shown item).
void ClickItem(int item);
// A key step for each character (8-bit) before the first NUL.
void Type(std::span<const char> chars);
using Callback = void (*)(void* user);
void Call(Callback callback, void* user);

// Queues the steps of a script, one a line ('#' starts a comment):
//   move H V | down | up | click H V | wait SECONDS
//   key KEY [cmd] [shift] [option] [control]  (KEY: one character, or a
//       name of KeyCodes::ForName)
//   hold NAME | release NAME  (modifier keys by name)
//   focus in | focus out | quit | open PATH | snapshot PATH
//   item N  (click item N of the front dialog)
//   type TEXT  (TEXT in UTF-8, to the end of the line: a key per character)
// False at the first line that cannot be read (its number in ErrorLine);
// the steps of the lines before it stay queued.
bool RunScript(std::span<const char> script);
int ErrorLine();

std::size_t PendingSteps();
void ClearSteps();

}  // namespace Headless
