// The modal progress dialog for long operations that must stay
// interruptible: two message lines, a Start/Stop button (Return) and an
// Abort button (Escape). The caller's loop procedure runs on every pass of
// the dialog's loop, so the work advances in small steps between events;
// its done procedure ends the dialog, its abort procedure agrees to an
// abort. While idle the first line blinks every 2 s (with a beep when
// asked), while running the second line every 0.333 s; a changed blinking
// line shows at its next blink. The caller's texts are read when shown, so
// a procedure may rewrite them for the next time. One dialog at a time,
// main thread only.
//
// Off screen (no UI layer, or the terminal layer of dialog windows not
// started) nothing is drawn: the title and the first message go to stderr,
// Start is pressed at once, and the passes run until the done procedure
// says so, an Abort the abort procedure agrees to, or the program's end,
// each waiting up to a tick as the dialog's wait for its next event would.
// The two lines as shown are kept in Text1Buffer and Text2Buffer.
#pragma once

#include <span>

namespace LoopDialog {

using StartProc = bool (*)();  // FALSE ends the dialog as aborted
using StopProc = void (*)();
using AbortProc = bool (*)();  // TRUE ends the dialog as aborted
using DoneProc = bool (*)();   // TRUE ends the dialog (not aborted)
using LoopProc = void (*)();

// The first line and the second line as shown.
extern char Text1Buffer[128];
extern char Text2Buffer[80];

// Runs the dialog to its end: TRUE when it ran (aborted tells how it
// ended: anything but the done procedure, the program's end too, is an
// abort), FALSE with the alert "Cannot setup Loop Dialog" when it could not
// be set up or a dialog runs already (which goes on undisturbed). While
// idle the second line is the idle text and the first message 1; while
// running the running text and message 2. An empty start text leaves the
// Start button out and starts at once; an empty abort text leaves Abort
// out.
bool Show(std::span<const char> title, StartProc start, StopProc stop, AbortProc abort,
          DoneProc done, LoopProc loop, std::span<const char> runningText,
          std::span<const char> idleText, std::span<const char> startText,
          std::span<const char> abortText, std::span<const char> message1,
          std::span<const char> message2, bool& aborted, bool beep);
// A line whose argument is empty stays as it is.
void NewMessages(std::span<const char> first, std::span<const char> second);
// Hides the Start/Stop button: once started the operation can only be
// aborted.
void HideStartItem();
void InitModule();
void Shutdown();

// Test seam: the operator presses Abort on the next pass (through the
// dialog when it is on screen).
void PushAbort();

}  // namespace LoopDialog
