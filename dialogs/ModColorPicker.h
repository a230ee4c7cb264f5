// Colours of dialog items: the platform's colour picker on one colour, a
// dimmed form of a colour, and a fixed table of 16 colours.
// Main thread only.
#pragma once

#include "platform/Color.h"

namespace ModColorPicker {

// Runs the colour picker with the prompt "Color Picker" at h = x + 100,
// v = y + 3 (global; x and y of 0 or less count as 80), starting from the
// colour; the colour stays as it was when the operator cancels.
void GetColor(Color::RGB& colour, int x, int y);
// Each component halfway to white, rounded down.
void MakeDimmedRGB(const Color::RGB& colour, Color::RGB& dimmed);
// Index 0..15 of the table: black, the eight half-bright colours with
// grey, light grey, and the seven bright ones with white; any other index
// black.
void IndexToColor(int index, Color::RGB& colour);

}  // namespace ModColorPicker
