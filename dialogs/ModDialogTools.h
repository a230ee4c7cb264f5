// Items' values as text and back, the dialog context kept across nested
// calls, and the window coordinates of dialogs.
//
// Item numbers name items of the current dialog (ModDialog::DialogPtr).
// The context (the current dialog, the active item and the event it runs
// for, the drawing port) is saved with GetState and put back with
// ResetState around every call into a dialog that is not the current one,
// so nested dialogs always find their own. The module's variables get their
// start values from ModDialog::InitModule. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "dialogs/ModDialogUt.h"
#include "platform/Fonts.h"
#include "platform/Geometry.h"

namespace Port {
struct GrafPort;
}

namespace ModDialogTools {

inline constexpr int kInputSize = 160;

// The text being edited by DoEditText.
extern char InputString[kInputSize];
// The last edit gave a valid value.
extern bool ConversionOK;
// The LoopProc new items get.
extern ModDialogUt::ItemProc DefaultLoopProc;
// Items with a higher AccessLevel are disabled.
extern int MinAccessLevel;
// The next stored value is a change relative to the last one.
extern bool RelativeChange;
extern bool WasRelativeChange;
// The item being processed and the event it runs for; the selection mode
// (0 none, 1 dragging or a popup tracking, 2 a popup cancelled, 3 a final
// choice or an execution).
extern int ActiveItem;
extern char ActiveChar;
extern int ActiveKey;
extern int ActiveModifiers;
extern int ActiveSelectionMode;
// The item whose menu is being tracked.
extern int MenuHookItem;
extern int ConfigMode;
// Heads the list of open dialogs; never opened itself.
extern ModDialogUt::DialogRecord RootDialog;
extern ModDialogUt::FilterProc UserEventFilter;
extern ModDialogUt::RecordProc RecordProc;
extern ModDialogUt::AuditBefore AuditBeforeProc;
extern ModDialogUt::RecordProc AuditAfterProc;

// ---- Values as text ------------------------------------------------------

// Text := the bound value as text (nothing without a bound value).
void ConvertToString(int item);
// Text := the real formatted in width w by the item's format; FALSE when
// "Off" or "---" was written.
bool ConvertReal(int item, double value, int width);
bool DecodeInt32(int item, std::int32_t value, int width);

// Edits the item's value in place, over the field in rectangle r (erased
// white, its shadow red with highlight): the bound string (with string) or
// the value text, all of it selected so that the first key typed replaces
// it. Keys come from the dialog's terminal, the keypad typing digits; the
// global event filter runs on every pass. TRUE when the edit was confirmed
// with return, tab (which is delivered again, for the dialog's loop) or
// enter; the value is stored only then (ConversionOK tells whether a
// number was taken), otherwise it stays as it was. A password starts empty,
// takes up to Length characters, shows as stars, finishes with return or
// tab only, and comes back unchanged when the edit does not count.
bool DoEditText(int item, const Geometry::Rect& r, bool string, bool highlight);

// Stores an edited text as the item's value: a string (string set) back
// into the bound string; a boolean from its first letter (F or L false, H
// or T true, else a beep); a number read in engineering notation (or as an
// integer with format 0), "OFF" as 0, cut before its unit, divided by
// Factor and held within Minimum..Maximum and the kind's range. An empty or
// unchanged text, and a text that is no finite number, leave the value as
// it was. ConversionOK tells whether a number was taken.
void StoreEditedText(int item, std::span<const char> text, bool string);

// Fills the record with the item's value (relative to the dialog's
// LastValue after a relative change).
void StoreItemValue(ModDialogUt::DialogRecord* dialog, int item, ModDialogUt::StoredValue& record, bool relative);

// ---- Context -------------------------------------------------------------

struct DialogContext {
  ModDialogUt::DialogRecord* dialog = nullptr;
  int menuHookItem = 0;
  int activeItem = 0;
  char activeChar = 0;
  int activeKey = 0;
  int activeModifiers = 0;
  int activeSelectionMode = 0;
  Port::GrafPort* port = nullptr;
};

// Saves the context in context and makes the dialog current; FALSE, nothing
// changed, when it is not open.
bool GetState(DialogContext& context, ModDialogUt::DialogRecord* dialog);
void ResetState(const DialogContext& context);
// Redraws the dialog when Changed is set.
void ConditionalUpdate(ModDialogUt::DialogRecord* dialog);
// Calls the help procedure; the current dialog is restored afterwards.
bool SafeHelpProc(ModDialogUt::ItemQuery help, int item);
// With the context saved, runs the procedure when the may-execute
// procedure allows the active item; clears the item's Executing.
void SafeExecution(int item, ModDialogUt::Proc procedure);
// For every open dialog, with its context made current.
void ForAllDo(void (*procedure)(ModDialogUt::DialogRecord* dialog));
// The open dialog whose window this is; nil otherwise.
ModDialogUt::DialogRecord* MacWindowToDialogPtr(Windows::Window* window);

// ---- Items ------------------------------------------------------------------

// Sets the item's font into the dialog's window (size x MacEnv::FontFactor)
// and gives its metrics.
Fonts::FontInfo SetFontAndGetInfo(int item);
// Indent and baseline from the font, unless both are set.
void UpdateItemFont(int item);
// Procedures, value kind and bound value by the item's type.
void InitializeItemProcs(int item);

// ---- Coordinates ---------------------------------------------------------------

// Menu-bar height + 22: where designed windows start.
int TopOrigin();
void LocalToGlobal(ModDialogUt::DialogRecord* dialog, int x, int y, Geometry::Point& result);
// Scales left and top and the width and height, rounded; factors within
// 0.999..1.001 change nothing. ScaleCoords measures top and bottom from
// TopOrigin.
void ScaleRect(Geometry::Rect& r, double factor);
void ScaleCoords(Geometry::Rect& r, double factor);
void ScaleCoords(ModWindow::WindowParameters& p, double factor);
// Draws (black) or erases (BackColor) the grow mark of a shown, growable
// dialog.
void ResizeIcon(ModDialogUt::DialogRecord* dialog, int item, bool draw);

// ---- Event names -------------------------------------------------------------------

// Appends the event's name to result.
void DecodeKey(int code, char character, int modifiers, std::span<char> result);
// The name as a console line.
void WriteKey(int code, char character, int modifiers);

}  // namespace ModDialogTools
