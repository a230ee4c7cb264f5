// Popup menus of list items and value dragging: here, the least the dialog
// object needs, its module set-up, which has nothing to set up yet.
#pragma once

namespace ModDialogPopup {

void InitModule();

}  // namespace ModDialogPopup
