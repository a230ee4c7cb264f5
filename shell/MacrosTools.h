// Macros: recording what the operator does in dialogs and menus, and
// playing it back.
//
// Least form: nothing records and nothing is played back yet. The dialog
// framework asks DoExecute before it runs an item's procedure, starts the
// module, and switches recording off when it shuts down. Main thread only.
#pragma once

#include <span>

namespace MacrosTools {

// Items run their procedures while recording.
extern bool ExecuteWhileRecord;

using NotifyProc = void (*)();

// The defaults: not recording, items run while recording.
void InitModule();
// Switches recording on or off (ModDialog::RecordingActive); the stop
// dialog and item end a recording and always run. Switching off restores
// the default procedures.
void SetRecordMode(bool on, NotifyProc notify, NotifyProc update, NotifyProc relative,
                   std::span<const char> stopDialog, int stopItem);
// TRUE when the item of the dialog (its macro name; "@" for a popup's
// entries) may run its procedure now: always while nothing records.
bool DoExecute(std::span<const char> dialogName, int item);
// Appends the written form of a key: its name and its modifier words.
void AppendKey(int code, char character, int modifiers, bool anyModifier, bool keyDown, bool quoted,
               std::span<char> text);

}  // namespace MacrosTools
