// The dialog object: a DialogRecord filled through ModDialogUt becomes a
// window with its own terminal, scaled to the screen and linked into the
// list of open dialogs (newest first, headed by ModDialogTools::RootDialog);
// it is shown, hidden, brought to the front, iconized, moved and finally
// shut down, which frees everything it holds. Its redraw half: the full
// update, one item's redraw after its value changed, the visibility tests
// and the text of items.
//
// Operations on a dialog that is not open do nothing (Show and Hide clear
// the flags; GetWindowPos gives zeros). Item numbers outside 1..n are
// ignored. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "dialogs/ModDialogUt.h"

namespace ModDialog {

using ModDialogUt::DialogRecord;

// The dialog being processed; item procedures read it. The root record
// when no dialog is open.
extern DialogRecord* DialogPtr;
extern int LastSelectedItem;
extern int LastSelectionMode;
extern bool RecordingActive;
// "WriteAllDialogs.On" exists: every dialog stores its layout file.
extern bool WriteAllDialogs;
// Ends mouse tracking and dragging at once.
extern bool AbortAction;
extern std::uint32_t MouseDoubleTime;

// The module's values; CombinedNames and WriteAllDialogs from their
// feature switches.
void InitModule();

// Opens the dialog: fill and list procedures, window (kind 1, 2: no grow
// box; 3: a modal frame; others zoom and grow), terminal, scaling by
// MacEnv::ScreenFactor, item procedures, the list of open dialogs. Refused
// or taken names are reported and do not stop it. TRUE at once for an open
// dialog; FALSE, with everything made freed, when the window or terminal
// cannot be made.
bool Initialize(DialogRecord* dialog, int kind, ModDialogUt::Proc fill, ModDialogUt::Proc lists, bool load,
                bool closeBox, bool inFront, bool visible, bool frontOnly, std::span<const char> macroName);
// Closes the dialog and frees its windows, menus, terminal and buffer; the
// record is cleared, the first open dialog becomes DialogPtr.
void Shutdown(DialogRecord* dialog);

void Show(DialogRecord* dialog);
void Hide(DialogRecord* dialog);
// Brings it to the front, unpacked; behind a visible front-only dialog
// unless it is front-only itself. Always TRUE.
bool BringToFront(DialogRecord* dialog);
// The dialog of the front window when there is one and it is open.
bool FrontDialog(DialogRecord*& dialog);
bool IsFrontOnly();
// Asks the may-close procedure; when it agrees, deactivates. Shutting down
// is the owner's choice.
bool Close(DialogRecord* dialog);
void Clear(DialogRecord* dialog);
void GetWindowPos(DialogRecord* dialog, int& top, int& left, int& height, int& width);
// Designed coordinates (scaled by MacEnv::ScreenFactor); 0 or less keeps
// that value.
void SetWindowPos(DialogRecord* dialog, int top, int left, int height, int width);
void SetTitle(DialogRecord* dialog, std::span<const char> text);
// The iconized form: a title bar 136 pixels wide at the window's corner.
void Iconize(DialogRecord* dialog);
void Unpack(DialogRecord* dialog);
void SetPackState(DialogRecord* dialog);

// The eleven procedures in slot order.
void SetProcs(DialogRecord* dialog, ModDialogUt::ItemQuery help, ModDialogUt::ItemProc resize,
              ModDialogUt::Proc activate, ModDialogUt::Proc deactivate, ModDialogUt::KeyProc key1,
              ModDialogUt::KeyProc key2, ModDialogUt::KeyProc key3, ModDialogUt::Proc paint,
              ModDialogUt::ItemQuery mayClose, ModDialogUt::ItemQuery broadcast, ModDialogUt::ItemQuery mayExecute);
// Runs ModDialogTools::UserEventFilter with the dialog's context when it
// can be taken.
void GlobalEventFilter(ANSITerm::TerminalRecord* terminal, DialogRecord* dialog, int& code, char& character,
                       int& modifiers, bool mainLoop);
// Hands the message to every open dialog; TRUE when one refused it.
bool DoBroadcast(int message);
// While WriteAllDialogs: stores the layout as <DiaFilesPath><name>.dia, an
// empty name standing for IODialog::DefaultName.
void StoreAndAlert(DialogRecord* dialog, std::span<const char> name);
// compact: the source without blanks, ":", ";" and "_"; FALSE when empty.
// Otherwise: TRUE when the source holds no blank and no quote.
bool MakeDialogName(std::span<char> destination, std::span<const char> source, bool compact);

void GetActiveKey(int& code, char& character, int& modifiers);
int GetActiveItem(DialogRecord* dialog);
int GetSelectionMode();
// An item procedure runs for the popup entry under the mouse.
bool SelectingFromList();
// The modifier keys held now (ANSIBase's modifier bits).
int KeyDown();

// ---- Events and item execution ------------------------------------------------

// What the dialog does with one event: window events of its own window, a
// press hit-tested against its items, help, tab (the next editable item),
// enter (edits the current item), and keys offered as command keys to this
// dialog and then to every other open dialog. background redraws a window
// other than the dialog's after an update event. Every changed dialog is
// redrawn afterwards. TRUE when the event was used; FALSE for a dialog
// that is not open, and after the program's end (which stops the dialog).
bool Process(DialogRecord* dialog, int code, char character, int modifiers, ModDialogUt::BackgroundUpdate background);
// Runs the item's execute procedure as if it had been chosen, its value
// unchanged; the context is put back afterwards.
void Execute(DialogRecord* dialog, int item);
// Edits an item of DialogPtr in place; a confirmed edit runs the item.
void EditText(int item);
// Brings the dialog to the front; with unpack an iconized one opens.
bool ToFront(DialogRecord* dialog, bool unpack);

// ---- Replay --------------------------------------------------------------------

// Replays the actions in order up to index high, stopping at the first
// without an item.
void Playback(DialogRecord* dialog, std::span<const ModDialogUt::StoredValue> actions, int high);
// Replays one recorded action: a menu command (-2), a key (-1) or an item's
// value (1..n), or with KeyGiven the assignment of a command key. Values
// are held within their kind's range and the item's limits; item numbers
// outside -2..n do nothing. With execute the item runs as if chosen.
void PlaybackItem(DialogRecord* dialog, const ModDialogUt::StoredValue& action, bool execute);
// Puts back the value stored before the last execution.
void RestoreLastValue(DialogRecord* dialog);
void StoreItemValue(DialogRecord* dialog, int item, ModDialogUt::StoredValue& action, bool relative);

// ---- Redraw and item state ---------------------------------------------------

// Full redraw.
void Update(DialogRecord* dialog);
// The item's update procedure and, when visible, its drawing.
void UpdateItem(DialogRecord* dialog, int item);
// Every item's update procedure; the value-showing ones are redrawn.
void UpdateValues(DialogRecord* dialog);
void ForceUpdate(DialogRecord* dialog);
// With the whole redraw's own clearing when clear is set.
void DoUpdate(DialogRecord* dialog, bool clear);
using ItemFlagProc = void (*)(int item, bool flag);
void ForOneDo(DialogRecord* dialog, int item, ItemFlagProc procedure, bool flag);
void ForAllDo(DialogRecord* dialog, ItemFlagProc procedure, bool flag);
bool IsVisible(const DialogRecord* dialog, int item);
bool IsEnabled(const DialogRecord* dialog, int item);
bool IsExecutable(const DialogRecord* dialog, int item);
bool PointVisible(DialogRecord* dialog, Geometry::Point point, Geometry::Point& local);
bool ItemFullyVisible(DialogRecord* dialog, int item);
void SetActivePane(DialogRecord* dialog, int item);
void ClearItem(DialogRecord* dialog, int item);
void HideItem(DialogRecord* dialog, int item);
void PaintItem(DialogRecord* dialog, int item, const Color::RGB& colour);
void InvertItem(DialogRecord* dialog, int item);
// Of the current dialog: erase and invert by type, and the inverted state
// of buttons, switches, radio buttons and check boxes.
void DoEraseItem(int item);
void DoInvertItem(int item);
void SetInverted(int item, bool on);
// Draws the item's text into its rectangle, extra indent pixels further
// right.
void DrawNewText(int item, int extraIndent);

}  // namespace ModDialog
