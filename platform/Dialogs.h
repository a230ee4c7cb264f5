// Template dialogs and alerts: windows made from the dialog and alert
// templates of the resources (Resources), with their items, and the modal
// loop that runs them.
//
// A dialog is a window of the layer (kind Windows::kDialogKind, its
// reference value left to the caller), made hidden and in front of all
// windows; the caller shows it (Windows::ShowWindow, SelectWindow). Items
// are numbered from 1 as in the template; their kinds are the resources'
// (Resources::kButtonItem ...; kDisabled added: the item reports no
// clicks). Buttons, check boxes, radio buttons and scroll bars are controls
// (Controls) of the window; edit and static texts are text fields
// (TextEdit). A static text shows ^0 .. ^3 as the four parameter texts
// (ParamText) at the time it is drawn. The first edit item has the keyboard
// focus, its text all selected.
//
// Texts: an item's text is its control's title for a control, at most 255
// characters; an edit item is set and read whole, up to
// TextEdit::kMaxLength characters. Every call ignores a nil dialog or an
// item number that is not there (kinds: kNoItem). Changes are drawn at
// once.
//
// ModalDialog runs the front dialog until an item is hit: each event goes
// first to the filter, which may take it and name the item to report;
// otherwise Return and Enter hit the default item, Escape and Command-period
// the cancel item (when set and shown), Tab moves the focus to the next
// edit item, keys go to the focus field (an enabled edit item is reported
// for them), clicks hit the enabled, shown items under them, and clicks in
// other windows only beep. Update events draw the dialog (other windows
// keep their pixels). A quit request runs its handler and ends the call
// with item 0; so does the end of all input (Events::InputEnded). Main
// thread only.
#pragma once

#include "platform/Controls.h"
#include "platform/EventQueue.h"
#include "platform/Geometry.h"
#include "platform/TextEdit.h"
#include "platform/Windows.h"

#include <span>

namespace Dialogs {

struct Dialog;

inline constexpr int kNoItem = -1;
inline constexpr int kMaxItemText = 255;

// The filter sees every event first (null events too); true when it took
// the event, with the item ModalDialog then reports.
using ModalFilter = bool (*)(Dialog* d, EventQueue::EventRecord& event, int& item);
// Draws a user item.
using UserItemProc = void (*)(Dialog* d, int item);

// Nil when there is no template with the number.
Dialog* GetNewDialog(int id);
void DisposeDialog(Dialog* d);
Windows::Window* GetDialogWindow(const Dialog* d);
// Nil for a window that is no dialog.
Dialog* GetDialogFromWindow(const Windows::Window* w);
// The front window when it is a dialog.
Dialog* FrontDialog();
int GetDialogID(const Dialog* d);

// The texts ^0 .. ^3 stand for; a nil span leaves that text empty.
void ParamText(std::span<const char> p0, std::span<const char> p1, std::span<const char> p2,
               std::span<const char> p3);

int CountItems(const Dialog* d);
int GetItemKind(const Dialog* d, int item);
Geometry::Rect GetItemRect(const Dialog* d, int item);
// Nil for items that are no control, or no edit or static text.
Controls::Control* GetItemControl(const Dialog* d, int item);
TextEdit::Field* GetItemField(const Dialog* d, int item);

void GetItemText(const Dialog* d, int item, std::span<char> text);
void SetItemText(Dialog* d, int item, std::span<const char> text);
// Gives the edit item the focus and selects start .. end of its text.
void SelectItemText(Dialog* d, int item, int start, int end);
int GetKeyboardFocus(const Dialog* d);

void ShowItem(Dialog* d, int item);
void HideItem(Dialog* d, int item);
bool IsItemVisible(const Dialog* d, int item);

// The default item is drawn outlined; 0 for none (also the cancel item).
void SetDefaultItem(Dialog* d, int item);
int GetDefaultItem(const Dialog* d);
void SetCancelItem(Dialog* d, int item);
int GetCancelItem(const Dialog* d);
void SetUserItemProc(Dialog* d, int item, UserItemProc proc);

void DrawDialog(Dialog* d);
// Cut, copy and paste in the focus field, through the text-editing scrap.
void Cut(Dialog* d);
void Copy(Dialog* d);
void Paste(Dialog* d);

// The centre of a shown item, global; false when the item is not there or
// hidden. For scripts that click items.
bool ItemCenter(const Dialog* d, int item, Geometry::Point& global);

void ModalDialog(ModalFilter filter, int& item);
// True when the last ModalDialog ended with a quit request or the end of
// input (item 0 may also come from a filter).
bool ModalEnded();

// Runs the alert or dialog template `id` with item 1 as the default: shown
// in front, until an enabled item is hit; disposed afterwards. The item
// hit; 0 when a quit request or the end of input ended it; -1 without the
// template.
int Alert(int id, ModalFilter filter);

}  // namespace Dialogs
