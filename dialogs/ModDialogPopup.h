// Popup menus of list items: while the popup tracks, the value follows the
// entry under the mouse and the item runs live, and the global event
// filter keeps running (from a timer while any menu, menu-bar menus too,
// is held open).
//
// Item numbers name items of the current dialog (ModDialog::DialogPtr).
// Main thread only.
#pragma once

namespace ModDialogPopup {

// Clears the module's state.
void InitModule();
// The popup of a list item. Opened by a press in a front dialog; otherwise
// (a command key that already stepped the index) the item runs at once.
void PopupMenu(int item);

}  // namespace ModDialogPopup
