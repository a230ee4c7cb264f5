// The program's main loop and the switchboard between the event source,
// the dialogs, the notebook and the program's background work.
//
// Each pass (DoPoll) takes at most one event from the terminal event
// source, which sleeps at most a tick when none waits, keeps track of the
// active window (activate and click-in-back-window events only), runs the
// global event filter (ModDialogTools::UserEventFilter) whether an event
// came or not, routes the event to the notebook or to the dialog of the
// active window, and redraws every changed dialog. While the program is
// idle the filter, which carries its background work, thus runs about
// sixty times a second.
//
// The module also offers a pass for long operations (Poll, at most one per
// PollIncrement), a modal loop for one dialog (ModalDialog), the loop of
// progress dialogs and other modal windows (ModalPoll), redraws for update
// events that another loop receives, and the start-up and shut-down of
// every dialog module. Main thread only; the menu timer of the popups
// re-enters the global filter while a menu is held open.
#pragma once

#include <span>

#include "dialogs/ModDialogUt.h"
#include "foundation/RealTime.h"

namespace ANSITerm {
struct TerminalRecord;
}
namespace Windows {
struct Window;
}

namespace ModDialogLoop {

using ModDialogUt::DialogRecord;

// The terminal events are read through and the dialog of the active window
// (nil while that window is not a dialog).
extern ANSITerm::TerminalRecord* ActiveTerminal;
extern DialogRecord* ActiveDialogPtr;
// Poll starts a pass at most every PollIncrement seconds (0.1), not before
// PollTime.
extern double PollIncrement;
extern RealTime::TimeSeconds PollTime;
// Every event the main loop takes is written to the console ("WriteKey.On").
extern bool DoProtocol;
// UpdateKnownWindow redraws only while set.
extern bool AllowAsyncUpdates;

// The values above; CallGlobalFilter becomes the default loop procedure of
// new items (ModDialog::InitModule, which runs later, puts NoItem back).
void InitModule();
// InitModule of this module, Bytes, ModDialog, ModDialogConfig, TermWindow,
// MacrosTools, InputDialog, LoopDialog and HelpDialog, in this order.
void InitAllModules();
// Switches macro recording off, shuts every dialog down, then HelpDialog,
// LoopDialog, TermWindow and ModDialogConfig.
void ShutAllModules();

// The main loop: installs the filter, makes the terminal and dialog active
// (a nil dialog: events reach only the filter and the notebook until an
// activate names a dialog's window), hides the start-up logo, brings the
// dialog to the front, and runs passes until, tested after each, the stop
// flag or MacEnv::Terminated is set. A stop flag already set lets one pass
// run.
void Execute(ANSITerm::TerminalRecord* terminal, DialogRecord* dialog, ModDialogUt::FilterProc filter,
             const bool& stop);
// One pass; TRUE when an event was taken. mainLoop is handed to the filter.
bool DoPoll(bool mainLoop);
// For long operations: FALSE at once before PollTime; a pass when an event
// waits (its result), else the filter with an empty event and FALSE.
bool Poll();
void SetPollIncrement(double seconds);
// The global filter with the active terminal and dialog and an empty event:
// the loop procedure that keeps background work going from item loops.
void CallGlobalFilter(int item);
// Passes with the dialog active and in front until its Stop, the stop flag
// or the program's end; the active terminal and dialog are put back after.
void ModalDialog(DialogRecord* dialog, const bool& stop);
// The loop of progress dialogs and modal windows: events of the dialog's
// terminal go to ModDialog::Process, the loop procedure runs every pass,
// the filter too when callFilter is set; until the dialog's Stop or the
// program's end. The active terminal and dialog stay as they are.
void ModalPoll(DialogRecord* dialog, ModDialogUt::Proc loop, bool callFilter);
// Stops every open dialog (Stop and Interrupted) and ends the program.
void Terminate();

void ForAllDo(void (*procedure)(DialogRecord* dialog));
// Every dialog redrawn, then the notebook.
void UpdateAll();
// The redraw of the window an update event names, while AllowAsyncUpdates.
bool UpdateKnownWindow(Windows::Window* window);
// The redraw of the window of the event just delivered.
bool UpdateBackground();
// Brings the dialog to the front and makes it the active one.
bool ForceActive(DialogRecord* dialog);
// The open dialog of that ID name (case ignored); FALSE and nil when none.
bool WindowNameToDialogPtr(std::span<const char> name, DialogRecord*& dialog);
// Closes the front dialog, or hides the notebook when it is in front.
void CloseFrontWindow();

}  // namespace ModDialogLoop
