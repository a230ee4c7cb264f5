#pragma once

// The editor's Edit menu: its commands on the edit buffer
// (EditState::EditBuffer) through the keypad commands (EditKeys) and the
// undo (EditUndo), the find and replace dialogs (templates 155 and 154 of
// the resource file), and the page setup, page margins, print and zoom
// commands that the notebook and the File menu bind.
//
// Cut, copy and paste go to the line editor instead while it edits a line
// (LineEditor::Editting); paste acts only while a terminal window is in
// front. While the editor learns a macro (EditState::TraceState learning),
// every command is recorded as the keypad keys that do the same, so that
// the macro replays it; the trace holds at most EditState::kTraceSize
// entries and further ones are dropped.
//
// The search string, the direction and the line-number flag are the
// editor's (EditState) and persist between commands. Problems show on the
// editor's message line ("No search string"); only a missing dialog
// template raises an alert. Main thread only.

#include <span>

namespace EditMenus {

// The menu's handle (ModMenus), 0 until CreateAndAppend.
extern int Menu;

// Item numbers of the Edit menu.
inline constexpr int kUndo = 1;
inline constexpr int kCut = 3;
inline constexpr int kCopy = 4;
inline constexpr int kPaste = 5;
inline constexpr int kClear = 6;
inline constexpr int kSelectAll = 7;
inline constexpr int kFind = 9;
inline constexpr int kFindSame = 10;
inline constexpr int kFindSelect = 11;
inline constexpr int kReplace = 12;
inline constexpr int kReplaceSame = 13;

// The templates of the two dialogs.
inline constexpr int kReplaceDialog = 154;
inline constexpr int kFindDialog = 155;

// Builds the "Edit" menu with its 13 items, their procedures and the
// command keys Z, X, C and V, appends it to the menu bar and makes it
// ModMenus::EditMenu. The undo item shows the text last set.
void CreateAndAppend();

// The text of the undo item, cut to 32 characters (shown at once when the
// menu exists).
void SetUndoText(std::span<const char> text);
// The text last set ("Undo" before any).
void GetUndoText(std::span<char> text);

// The menu's commands.
void DoUndo();
void DoCut();
void DoCopy();
void DoPaste();
void DoClear();
// Selects from the start of the buffer to the end of its last line, the
// cursor after the last character.
void DoSelectAll();
// Asks for the search string (find dialog), then finds it.
void DoFind();
void DoFindSame();
void DoFindSelect();
// Asks for the search string and its replacement (replace dialog); the
// replacement becomes the paste buffer and the clipboard; then replaces
// once, replaces all, or finds the next occurrence, by the button.
void DoReplace();
// Replaces the search string at the cursor and finds the next.
void DoReplaceSame();

// From the cursor on: when the search string is not at the cursor, finds
// it (and a single replacement ends there); then replaces the occurrence at
// the cursor by the paste buffer and finds the next, once or (all) until
// none is left. Each occurrence is replaced once, also when the
// replacement holds the search string.
void ReplaceSame(bool all);

// Direction of the search from the shift key (held: backward), recorded
// when it changes; clears the message line.
void SetForward();
// While a macro is learnt, one more trace entry (until the trace is full).
void StoreMacroCommand(int code, char character, int modifiers = 0);
// With a selection active: records and does the GOLD reset that ends it.
void ConditionalReset();

// The find (template kFindDialog) or replace (kReplaceDialog) dialog on the
// texts; lineFlag is the line-number radio button of the find dialog. The
// item that ended it: 1, 10 or 11 accept (EditState::Forward, the texts and
// the flag read back), 2 cancels; 0 when the template is missing ("Fatal
// Error: out of memory for Find dialog!") or a quit request ended it.
int FindReplaceDialog(std::span<char> search, std::span<char> replacement, int templateID, bool withReplacement,
                      bool& lineFlag);

// The edit buffer's window toward its smaller or larger state.
void ZoomIn();
void ZoomOut();
// The printer's page-setup dialog; its margins dialog.
void DoPageSetup();
void DoPageMargins();
// Prints the selection, or without one the whole edit buffer, asking for
// the margins first unless they were set.
void DoPrint();

}  // namespace EditMenus
