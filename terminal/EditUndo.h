#pragma once

// One level of undo for the keypad editor, itself undoable: an undo swaps
// the text it puts back with the text it takes out, so a second undo redoes.
// The keypad commands record here before they change the edit buffer; the
// Edit menu's undo item shows what the next undo does (EditMenus).
//
// The information belongs to one text buffer (UndoOwner) and lives from a
// store until ClearUndo (motion, search, selection changes, macro commands
// and paste-buffer commands without undo), an undo of a copy, cut or clear,
// or until the editor works on another buffer. Its text is kept in named
// text buffers of the default directory:
//   "Edit.Undo1"  what an undo puts back at the cursor (deleted text, a
//                 replaced selection, a range before its case changed, or
//                 the paste buffer as it was before a copy, cut or clear);
//   "Edit.Undo2"  during an undo, what it takes out; becomes "Edit.Undo1";
//   "Edit.Paste"  the paste buffer, exchanged with "Edit.Undo1".
// A buffer of n lines stands for a text with n - 1 line ends.
//
// A step that cannot be carried out (an undo buffer that cannot be made or
// renamed) drops the information; the edit buffer's text stays whole.
// Positions as in EditState. Main thread only.

#include "foundation/BufferText.h"

#include <cstdint>
#include <span>

namespace EditUndo {

// Kinds of undo information, with the undo item's text.
inline constexpr int kNothing = 0;           // "Can't Undo"
inline constexpr int kTyping = 1;            // "Undo Typing": typing, tab, return, undelete, special insert, read
inline constexpr int kPaste = 2;             // "Undo Paste": paste replacing the selection
inline constexpr int kCopy = 3;              // "Undo Copy"
inline constexpr int kCut = 4;               // "Undo Cut"
inline constexpr int kClear = 5;             // "Undo Clear": the paste buffer cleared
inline constexpr int kCaseForward = 6;       // "Undo Change Case": the cursor at the range's end
inline constexpr int kCaseAtStart = 7;       //   the cursor at the range's start
inline constexpr int kCaseBackward = 8;      //   the cursor before the range's start
inline constexpr int kDeletion = 9;          // "Undo Delete"
inline constexpr int kDeleteBackward = 10;   // a deletion before the cursor, as passed in; held as 9
inline constexpr int kDeleteForward = 11;    // a deletion at the cursor, as passed in; held as 9
inline constexpr int kUndone = 12;           // "Undo last Undo"

inline constexpr char kUndo1[] = "Edit.Undo1";
inline constexpr char kUndo2[] = "Edit.Undo2";
inline constexpr char kPasteBuffer[] = "Edit.Paste";

// The kind held, the buffer it belongs to, and the undo start: the text
// between it and the cursor is what an undo of typing, paste or a change
// of case takes out.
extern int UndoMode;
extern BufferText::TextBuffer UndoOwner;
extern std::int32_t UndoStartLine;
extern std::int32_t UndoStartColumn;

// Undo start (1, 1), no owner, kind 0; the undo item's text stays.
void Initialize();
// Kind 0.
void ClearUndo();

// Records before a change, by kind:
//  1, 2, 9  the undo start at the cursor; an active selection goes into the
//           undo buffer and out of the text (the cursor at its start, the
//           selection cancelled). Typing that follows typing in the same
//           buffer continues the same step.
//  3, 4, 5  the paste buffer becomes the undo buffer; the caller then makes
//           the new paste buffer.
//  others   ClearUndo.
void Store(int kind);
// A range, start first, by kind:
//  6, 7, 8  its text before the case changes; the undo start at its start
//           (6) or its end (7, 8).
//  11, 10   deleted text, added at the end (forward) or at the start
//           (backward) of the deletion recorded so far in this buffer.
//  others   nothing.
void StoreRange(int kind, std::int32_t startLine, std::int32_t startColumn, std::int32_t endLine,
                std::int32_t endColumn);
// One deleted piece (kinds 11 forward and 10 backward, others nothing): a
// line of its own (newLine), a line end (lineEnd), or text joined to the
// deletion so far.
void StoreString(int kind, std::span<const char> text, bool lineEnd, bool newLine);

// Deletes the selection undoably; an empty one is only cancelled.
void DeleteSelection();
// Undoes the last step: the text it puts back ends up selected, and the
// kind becomes 12.
void DoUndo();

}  // namespace EditUndo
