// Macros: what the operator does in dialogs and menus as text lines, the
// recording of those actions and their playback.
//
// One action is one MacroItem (the dialog framework's stored value) and one
// line of a macro file. Dialogs are named in two ways: without combined
// names by their macro ID name (DialogRecord::MacroName), items by their own
// names and menu lines begin with "@"; with combined names (MacEnv::
// CombinedNames) one word names the dialog (its compacted IDName) or the
// menu together with the item, joined by "_".
//
// Lines are read without complaint: a line that cannot be resolved has no
// action (ItemNumber 0). Only the macro file header, the interpreter and
// the file conversion tell the operator about problems (console lines and
// alerts). Nothing here records by itself: a recording client switches
// recording on with its notify procedure, and playback, key files,
// listings and conversions are run by their callers. Main thread only.
#pragma once

#include <span>

#include "dialogs/ModDialogUt.h"
#include "foundation/IOBytes.h"

namespace MacrosTools {

using MacroItem = ModDialogUt::StoredValue;
using NotifyProc = bool (*)(const MacroItem& item);
using Proc = void (*)();

// A key as a macro line names it: a KeyEvent code (2: a character key),
// the character, the modifier set (command 1, shift 2, caps 4, option 8,
// control 16), "any modifiers" and pressed (FALSE: released).
struct KeySpec {
  int code = 0;
  char character = 0;
  int modifiers = 0;
  bool anyModifiers = false;
  bool keyDown = true;
};

inline constexpr int kFKeyCount = 32;
inline constexpr int kPlainVersion = 900;
inline constexpr int kCombinedVersion = 920;

// The version of the files written and required: 920 with combined names,
// else 900; and the column at which values start (30, else 19). Set by
// InitModule.
extern int MacrosVersion;
extern int DefMinChars;
// Function-key numbers assigned to menu items ("KEY F n" of a menu line),
// indexed by the menu item number minus 1.
extern int TempFKeys[kFKeyCount];
// Items run their procedures while recording.
extern bool ExecuteWhileRecord;
// A playback runs; set by the client that plays a macro, cleared by
// AbortExecution.
extern bool PlaybackActive;

// ---- The text format --------------------------------------------------------

// Reads a key from position start: a quoted character ("a", "^K" for
// control-K) or a key name (CHAR x, CODE n, RETURN, CURSORUP, F1..F15...),
// then its modifier words (ANY, COMMAND, SHIFT, CAPS, OPTION, CONTROL,
// BACK). FALSE for an unknown key name.
bool DecodeKey(std::span<const char> text, int start, KeySpec& key);
// Appends the written form of a key: its name (or with quoted the
// character between double quotes) and its modifier words. A character key
// with character 0, and codes without a name, append nothing.
void AppendKey(int code, char character, int modifiers, bool anyModifier, bool keyDown, bool quoted,
               std::span<char> text);
// "@" gives the first open dialog (nil when none is open); otherwise the
// first open dialog whose name (combined or macro ID name by the naming
// mode) equals the name, case ignored.
bool IDtoDialog(std::span<const char> name, ModDialogUt::DialogRecord*& dialog);
// Reads one macro line: a menu selection or key assignment to a menu item
// (ItemNumber -2), an item's value or key assignment (1..n), or a key
// pressed in a dialog (-1). keyFlag and eventFlag let item names match
// items that take no part in macros. FALSE: the line has no action.
bool ExtractMacroItem(std::span<const char> line, bool keyFlag, bool eventFlag, MacroItem& item);
// The item reference of a help file from position start: a dialog and an
// item name or number (":" belongs to the name), or a menu item. FALSE for
// an unknown dialog or item.
bool GetDialogItem(std::span<const char> line, int start, ModDialogUt::DialogRecord*& dialog, MacroItem& item);
// The line of a record. An item of a dialog that is not open gives an empty
// text and TRUE; FALSE for a record without action, a key event of a
// dialog that is not open and an item that takes no part in macros.
bool MacroItemToText(const MacroItem& item, std::span<char> text);
// Appends two blanks, then blanks up to column characters; the length.
int AlignText(std::span<char> text, int column);
// Opens a macro file and checks its first line (read into line). Reports
// a file that cannot be read (console and alert when asked, or when the
// error is not a missing file), one that is no macro file (alert when
// asked) and a version conflict (a choice: "Load anyway" or "Cancel").
// TRUE leaves the file open; convert: a 900 file under combined names,
// whose lines are to pass ReplaceIDAndName.
bool LoadMacroHeader(std::span<const char> name, int requiredVersion, bool alert, bool showOnTerminal,
                     std::span<char> line, IOBytes::FileHandle& file, bool& convert);

// ---- Recording ------------------------------------------------------------

// The defaults: not recording, no playback, items run while recording, the
// version and value column of the naming mode, no function keys.
void InitModule();
// Switches recording. On: the stop dialog (its first 8 characters) and
// item end a recording and always run; every recorded action goes to
// notify; update and relative are called now. Switching on while a
// playback runs aborts the playback and leaves recording off. Off: the
// procedures in use are called once more, then the defaults are back
// (NoNotify, ModDialogUt::NoProc).
void SetRecordMode(bool on, NotifyProc notify, Proc update, Proc relative, std::span<const char> stopDialog,
                   int stopItem);
// Runs the before-record procedure and hands the dialog framework the
// record procedure of the present mode.
void SetExecuteMode();
void SetBeforeRecordProc(Proc procedure);
// The record procedure while recording: one executed item of a dialog (or
// -2, the menu command running) goes to the notify procedure, and the
// dialog's previous value is put back.
void RecordMacro(ModDialogUt::DialogRecord* dialog, int item);
// TRUE when the item of the dialog (its macro name; "@" for a popup's
// entries) may run its procedure now.
bool DoExecute(std::span<const char> dialogName, int item);
bool NoNotify(const MacroItem& item);

// ---- Playback ---------------------------------------------------------------

// Executes one line: refused (FALSE, console line) while recording and for
// an unknown dialog; comments and lines without action are accepted.
bool ExecuteString(std::span<const char> line);
// As ExecuteString; item names also match items outside macros.
bool ExecuteEvent(std::span<const char> line);
bool ExecuteKeyString(std::span<const char> line);
// Ends a running playback: "Macros playback aborted." on the console.
void AbortExecution();
// Lets the playback run (the update-relative procedure, the screen and the
// timers) until it ends: TRUE; after 60 s it is aborted: FALSE.
bool WaitForMacroCompletion();
void ResetRelativeItem();
// Takes the key assignments of a macro file: function keys of menu items
// into keys (as far as it reaches), item keys into their items. Only
// comments and lines with KEY are taken; any other line is named on the
// console and ends the loading. FALSE when the header is refused.
bool LoadKeys(std::span<const char> name, std::span<int> keys, bool alert);

// ---- Listings on the console -------------------------------------------------

void ListPlayback(const MacroItem& item);
void ListMacroItem(const MacroItem& item);
// Every menu item and every named item of the open dialogs.
void ListItems();
// Every menu item and the macro items of the open dialogs with their value
// kinds.
void ListMacroItems();

// ---- Conversion to combined names -----------------------------------------------

// Writes the converted copy "<name without extension>_<version><extension>"
// of a macro file; alerts for files that cannot be opened or written.
bool TransformFile(std::span<const char> name, std::span<const char> extension, bool keepIndent);
// One line in combined names: "@ menu "item"" becomes "Menu_Item", "ID
// item" "Combined_Item"; the value part stays. Lines of unknown dialogs,
// comments and empty lines stay as they are.
void ReplaceIDAndName(std::span<char> line, bool keepIndent);
// Long dialog names and UTF-8 unit signs by their short forms (first
// occurrence each).
void ReplaceNameByID(std::span<char> line);

}  // namespace MacrosTools
