// The "Font Picker": a modal dialog in which the operator chooses a font
// from the system's font list and a size from 1 to 48, with a sample text
// ("Micro: ", the micro sign, " - Omega: ", the Omega) drawn in the choice
// and a mark that says whether the font has fixed widths.
//
// The dialog exists only during GetFont; the dialog being processed
// (ModDialog::DialogPtr) is the same afterwards. Main thread only.
#pragma once

#include <cstdint>

#include "dialogs/ModDialogUt.h"

namespace FontPicker {

// Items.
inline constexpr int kDoneItem = 1;
inline constexpr int kCancelItem = 2;
inline constexpr int kFontItem = 3;
inline constexpr int kSizeItem = 4;
inline constexpr int kFixedItem = 6;
inline constexpr int kSampleItem = 7;

// The dialog while GetFont runs.
extern ModDialogUt::DialogRecord Dialog;

// Runs the dialog with its top-left corner at left, top (below 1: 80),
// titled a document window, else a plain box. Done gives font and size
// the choice; Cancel leaves them. A font not in the list starts at the
// list's first entry.
void GetFont(std::int16_t& font, std::int16_t& size, bool titled, int left, int top);

}  // namespace FontPicker
