#pragma once

// The event source behind ANSITerm's input: the one place where the program
// takes events from the platform. One pass (NextEvent) takes at most one
// platform event, sleeping at most one tick. Menu selections and command
// keys run their menu command inside the pass and come back as KeyMenu;
// high-level events run their handler; dragging, growing (never below
// 84 x 32 pixels), zooming and closing windows, update bookkeeping and
// suspend and resume are done here; everything the caller must act on comes
// back as a key event (ANSIBase's codes).
//
// Updates, resizes and activations are served through the window's own
// terminal (the one its reference value points to, tagged "ANSI"): its
// update and resize procedures and its scroll bars, whichever terminal is
// polling; the polling loop then sees KeyConsumed for what a procedure
// handled.
//
// Main thread only; the state below is shared by all terminals.

#include "platform/EventQueue.h"
#include "terminal/ANSITerm.h"

#include <cstdint>

namespace Windows {
struct Window;
}

namespace ANSIEvents {

struct KeyEvent {
  int code = 0;
  char character = 0;
  int modifiers = 0;  // the high byte of the platform modifiers (ANSIBase's bits)
};

// A pushed-back event (ANSITerm::ReadAgain), delivered by the next pass.
extern bool Again;
extern int AgainKey;
extern char AgainCharacter;
extern int AgainModifiers;
// The window of the last mouse or window event.
extern Windows::Window* FoundWindow;
// The button is still down after a click in a terminal's text.
extern bool Dragging;

// Nothing pushed back, not dragging, no window found, no last event, no
// pending front click; front clicks reported.
void Reset();

// One pass for the terminal (see ANSITerm::NextEvent).
bool NextEvent(ANSITerm::TerminalRecord* terminal, KeyEvent& event);

// The modifier keys held now (ANSIBase's kCommand .. kControl).
int KeyDown();

// Whether a pass would deliver something now: the next event is looked at
// without taking it; an event that no caller sees (a click on the desktop,
// a mouse-up, a high-level event, an update of another program's window)
// is taken and handled here instead.
bool EventAvailable();

// The key code and character of a key-down or auto-key event. With
// applicationMode FALSE the keypad types characters.
void TranslateCharacterCode(const EventQueue::EventRecord& event, bool applicationMode, int& code,
                            char& character);

}  // namespace ANSIEvents
