// The configuration dialog ("Item Configuration", ID name "ItemConfig"):
// where the operator changes an item's rectangle, text position, text and
// unit, length and digits, font, size and style, justification, command
// keys, flags, number format and colours while the program runs, or, as
// item 0, the dialog's window. The configure gesture of a configurable
// dialog opens it for the item hit; it then runs in the main loop like any
// dialog. Update applies the fields to the live item, Done applies them
// (a text item's text also into its variable) and hides the dialog, Cancel
// puts the item back as it was when it was chosen, Goto Item chooses
// another item of the same dialog (putting the one left back likewise),
// PICT saves the configured dialog as a picture file.
//
// The dialog is built at its first use and then only hidden; it is not
// configurable itself. Goto Item's errors are console lines only. Main
// thread only.
#pragma once

#include <span>

#include "dialogs/ModDialogUt.h"

namespace ModDialogConfig {

// Items of the dialog.
inline constexpr int kDoneItem = 1;
inline constexpr int kCancelItem = 2;
inline constexpr int kUpdateItem = 3;
inline constexpr int kHighColItem = 4;
inline constexpr int kBackColItem = 5;
inline constexpr int kGotoItem = 6;
inline constexpr int kLeftItem = 8;
inline constexpr int kBottomItem = 10;
inline constexpr int kWidthItem = 12;
inline constexpr int kHeightItem = 14;
inline constexpr int kIndentItem = 16;
inline constexpr int kBaselineItem = 18;
inline constexpr int kTextItem = 22;
inline constexpr int kUnitItem = 24;
inline constexpr int kLengthItem = 25;
inline constexpr int kDigitsItem = 27;
inline constexpr int kFontItem = 29;
inline constexpr int kSizeItem = 30;
inline constexpr int kStyleItem = 32;
inline constexpr int kSecondKeyItem = 33;
inline constexpr int kKeyItem = 34;
inline constexpr int kFirstFormatItem = 39;  // 39..42: integer, fixed, scientific, engineering
inline constexpr int kPictItem = 47;
inline constexpr int kItemCount = 47;

// The configuration dialog, the dialog configured and its item (0: the
// dialog itself).
extern ModDialogUt::DialogRecord ConfigDialog;
extern ModDialogUt::DialogRecord* ConfiguredDialogPtr;
extern int SelectedItem;
// The last picture file; "Dialog.Pict" when first asked.
extern char PictFile[256];

// Opens the configuration of the dialog's item (building the dialog when
// it is not open), brings it to the front with the item's values and its
// title; redraw is the configured dialog's background redraw. Returns at
// once.
void ConfigureDialog(ModDialogUt::DialogRecord* dialog, int item, ModDialogUt::BackgroundUpdate redraw);

// Captures a command key for the item of the dialog, blinking the item
// every 0.33 s and showing the modifier keys held: a key or character
// (but tab) is taken, delete removes the key (all three 0); enter, a
// click or a window event keep the old one and give FALSE. With
// anyModifier the character is capitalised and the modifiers cleared; a
// key without a name is removed. The item's text shows the result.
bool SelectKey(ModDialogUt::DialogRecord* dialog, int item, int& kind, char& character, int& modifiers,
               bool anyModifier);

// The text-style list's drawing: the names of the set's styles, "normal"
// for none.
void DrawTextStyle(int item);

void InitModule();
// Closes the dialog.
void Shutdown();

}  // namespace ModDialogConfig
