// Running the items of the current dialog (ModDialog::DialogPtr): what a
// click, a command key or a replayed action does to an item by its type,
// and the tracking and arranging of items with the mouse. Shared by the
// event processing, the popups and drags, and the replay. Main thread only.
#pragma once

#include "dialogs/ModDialogUt.h"
#include "platform/Geometry.h"

namespace ItemExecution {

// Runs an executable item by its type for the event (code, character,
// modifiers); keyboard: a drag item is edited rather than dragged; audit:
// the audit procedures are asked and told. The value before is kept as the
// dialog's LastValue. FALSE for an item that cannot run, a refused audit,
// a framedlist and types outside 1..18. point: the press (local), for the
// boxes of a multicheck.
bool ExecuteItem(int item, int code, char character, int modifiers, bool keyboard, bool audit,
                 Geometry::Point point = {});
// Flips the value of a switch-like item (with toggle) and runs it; a
// multicheck flips the box under the point, and runs nothing when the point
// is between boxes. The item is redrawn uninverted.
void DoExecuteItem(bool toggle, Geometry::Point point, int item);
// A second press follows within the double-click time; any other event is
// delivered again.
bool DoubleClick(int& modifiers);
// Follows the press until the release: buttons and boxes show inverted
// while the pointer is on them; TRUE when the release counts (the pointer
// was on the item, or a drag item's button is still down).
bool TrackControl(int item);
// The configuration gestures: moves (or, from the handle at the
// bottom-right corner, resizes) the item with the mouse; group moves the
// items inside it too.
void DragItem(int item, Geometry::Point point, bool group);
// After an item moved by (dx, dy): its inner rectangles, the resize
// procedure, its graphics windows.
void SetNewItemSize(int item, int dx, int dy);
// The global filter with the current dialog's terminal and an empty event.
void FilterPass();

}  // namespace ItemExecution
