// The exit procedures: parameterless procedures that modules register while
// they hold something that must be released at the end (devices, files,
// dialogs, menus). MacEnv::Shutdown runs them once, after the start
// procedure has returned.
//
// A table of 50 slots (0 to 49). Installing fills the lowest empty slot and
// running goes from slot 49 down, so procedures run last installed first as
// long as nothing was removed in between; one installed into a slot freed by
// RemoveAfterProc runs at that slot's place. A running procedure may install
// or remove procedures: one that lands below the running slot runs later in
// the same pass, one above it does not. Main thread only.
#pragma once

namespace UserQueue {

using Procedure = void (*)();

inline constexpr int kSlots = 50;

// Empties every slot.
void InitModule();

// TRUE when the procedure is in a slot afterwards: already there (nothing
// changes) or put into the lowest empty slot. FALSE when all slots are
// taken, or for nil.
bool InstallAfterProc(Procedure procedure);

// Empties every slot that holds the procedure; TRUE when one did.
bool RemoveAfterProc(Procedure procedure);

// From slot 49 down to 0: calls the procedure of each slot that holds one
// and empties the slot right after the call.
void ExecuteAfterStack();

}  // namespace UserQueue
