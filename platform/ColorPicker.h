// The layer's colour picker: a modal dialog (template kDialogID) that shows
// the prompt, the old colour beside the new one, and the new colour's red,
// green and blue as numbers from 0 to 65535 to edit; the new colour's
// swatch follows the typing.
//
// OK takes the colour when all three numbers read (otherwise a beep and the
// first wrong field selected, and the dialog stays); Cancel, Escape,
// Command-period, a quit request or the end of input keep the old one.
// Main thread only.
#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"

#include <span>

namespace ColorPicker {

inline constexpr int kDialogID = 30010;

// Items of the template.
inline constexpr int kOKItem = 1;
inline constexpr int kCancelItem = 2;
inline constexpr int kPromptItem = 3;
inline constexpr int kOldItem = 4;
inline constexpr int kNewItem = 5;
inline constexpr int kRedItem = 7;
inline constexpr int kGreenItem = 9;
inline constexpr int kBlueItem = 11;

// The dialog's top-left corner at `where` (global; moved to keep the
// dialog on the screen). True with `out` the new colour after OK; false
// with `out` = `in` otherwise.
bool GetColor(Geometry::Point where, std::span<const char> prompt, const Color::RGB& in, Color::RGB& out);

}  // namespace ColorPicker
