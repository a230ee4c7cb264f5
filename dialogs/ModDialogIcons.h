// The drawing procedures of dialog items, put into each item's DrawProc by
// its type, the small vector icons (arrows, show and hide marks, the error
// mark) and the names of command keys shown beside items.
//
// Every procedure takes an item number of the current dialog
// (ModDialog::DialogPtr) and draws into its window; the item's text comes
// from ModDialog::DrawNewText, which erases the background and greys a
// disabled item; these add the frames, boxes and marks. Pen, colours and
// the port are left as they were. Main thread only.
#pragma once

namespace ModDialogIcons {

// The text only (text items).
void TextOnly(int item);
// The text and a frame one pixel outside the rectangle (framedtext,
// framedbool).
void FrameText(int item);
void SimpleFrame(int item);
// The text and a rounded frame (button, switch, drag2).
void FrameButton(int item);
// A button frame and a thick rounded frame 4 pixels outside: the button
// that return presses.
void FrameDefaultButton(int item);
// The text and the drop shadow (edittext).
void DropShadow(int item);
// A frame one pixel outside and a shadow along its bottom and right
// edges, red while a popup entry of this item is being chosen.
void DrawDropShadow(int item);
// The value text with its prefix, framed (framednumber).
void FrameNumber(int item);
// The value text with a drop shadow (drag).
void DrawDragItem(int item);
void GetDragText(int item);
// Text := the list's entry for the bound index (index 0: entry 1).
void GetPopupText(int item);
void DrawListItem(int item);
void DrawFramedListItem(int item);
// The frame of the item's graphics window.
void DrawWindowItem(int item);
// The box with a cross when the bound byte differs from OffValue.
void CheckBox(int item);
// One box per bit of the bound set, as many as fit; the text behind the
// last box.
void MultiCheck(int item);
// The text and under each box its digit.
void MultiCheckLabel(int item);
// A circle with a dot when the bound byte differs from OffValue.
void RadioButton(int item);
// The pane's tab, open at the bottom when it is the selected one.
void DrawPaneRider(int item);
// The pane's page: the base line, or the erased and outlined page.
void DrawPaneRect(int item);
// A letter E in the item, on the highlight colour while the bound value is
// not 0.
void ErrorIcon(int item);

// Icon items: the item drawn as its text, with the shape at the centre
// (white on a framedbool that is on).
void ArrowLeft(int item);
void ArrowRight(int item);
void ArrowUp(int item);
void ArrowDown(int item);
void ArrowLeftRight(int item);
void ArrowUpDown(int item);
void ArrowHCenter(int item);
void ArrowVCenter(int item);
void ShowIcon(int item);
void HideIcon(int item);

// on: the name of the item's command key in a small frame at its left
// (and a list's second key at its right); off: the item redrawn.
void ShowCommandKey(int item, bool on);

}  // namespace ModDialogIcons
