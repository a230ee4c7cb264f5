// Editable text fields (the edit-text items of dialogs): the text, a caret
// or selection, typing, mouse selection, and cut, copy and paste through the
// text-editing scrap, which is the fields' own clipboard, apart from the
// system clipboard (Scrap): the program moves text between the two itself.
//
// A field belongs to a window and shows its text in the view rectangle
// (local to the owner's content) in the system font. A field whose view
// holds more than one line wraps its text at blanks and breaks it at every
// carriage return (13); a one-line field scrolls sideways to keep the caret
// in view. Offsets count characters from 0; a selection runs from its
// start to its end (start <= end; equal: a caret). Only an active field
// shows its selection or caret. Texts are 8-bit, at most kMaxLength
// characters; typing or pasting beyond it stops at the limit.
//
// Keys (Key): printable characters and carriage return replace the
// selection; backspace (8) deletes the selection or the character before
// the caret, forward delete (127) the character after it; the arrows
// (28 left, 29 right, 30 up, 31 down) move the caret, with shift they
// extend the selection. Clicks (Click): a click sets the caret, a drag
// selects, shift extends the selection to the click, a double click
// selects the word. Every change is drawn at once. Main thread only.
#pragma once

#include "platform/Geometry.h"
#include "platform/Windows.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace TextEdit {

struct Field;

inline constexpr int kMaxLength = 1023;

Field* New(Windows::Window* owner, const Geometry::Rect& view);
void Dispose(Field* f);

// Replaces the whole text (cut to kMaxLength), shown from its start; the
// caret goes to the end.
void SetText(Field* f, std::span<const char> chars);
std::string_view GetText(const Field* f);

void SetSelect(Field* f, int start, int end);
int SelStart(const Field* f);
int SelEnd(const Field* f);

void Activate(Field* f, bool active);
bool IsActive(const Field* f);
void SetView(Field* f, const Geometry::Rect& view);
Geometry::Rect GetView(const Field* f);

// Draws the field (the dialogs call it for their updates).
void Update(Field* f);
// Blinks the caret of an active field.
void Idle(Field* f);

// A press at the point, with shift held or not, at the event's tick count.
void Click(Field* f, Geometry::Point local, bool extend, std::uint32_t when);
void Key(Field* f, unsigned char ch, int modifiers);

// Through the text-editing scrap.
void Cut(Field* f);
void Copy(Field* f);
void Paste(Field* f);
// Deletes the selection.
void Delete(Field* f);

// The text-editing scrap.
std::string_view ScrapText();
void SetScrapText(std::span<const char> chars);
int ScrapLength();
// Counts every change of the scrap's text: the program compares counts to
// know whether a dialog changed the scrap.
std::uint32_t ScrapChangeCount();

}  // namespace TextEdit
