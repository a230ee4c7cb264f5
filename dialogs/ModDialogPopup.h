// Popup menus of list items and value drags of drag items: two ways of
// changing an item's value with the mouse while the program keeps running
// (the global event filter runs while they track).
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
// The value drag of the clicked item: the values of the horizontal and the
// vertical item (0: none) follow the mouse.
void DragMenu(int item, int horizontalItem, int verticalItem);

}  // namespace ModDialogPopup
