// Value drags: vertical (and, for two-value drags, horizontal) mouse
// movement steps an item's number up and down while the pointer is held in
// place. Steps are relative to the value (RelativeStep, never below
// DragStep), four times finer at each reversal (ReversalFactor), coarse
// again after ResetSteps steps in one direction; the result stays within
// the kind's range and Minimum..Maximum and is rounded to the DragStep grid.
// Every step runs the item live; the global filter runs on every pass.
//
// Item numbers name items of the current dialog (ModDialog::DialogPtr).
// Main thread only.
#pragma once

#include "dialogs/ModDialogUt.h"

namespace ValueDrag {

// The drag of the clicked item until the release: the horizontal and the
// vertical item (0: none) follow the mouse; the pointer ends where the
// press was.
void DragMenu(int item, int horizontalItem, int verticalItem);
// One movement of pixels (up or right positive) added to the accumulator;
// the value moves by the whole steps it makes. A boolean changes only with
// two steps or more at once.
void IncrementItemValue(ModDialogUt::DialogItem& item, int& accumulator, int pixels);

}  // namespace ValueDrag
