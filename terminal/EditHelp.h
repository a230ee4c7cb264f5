#pragma once

// The editor's help: the window "Editor Key Assignment" with the chart of
// the keypad's two layers, the other keys and the mouse.

#include <array>

namespace EditHelp {

// The chart, a text per row; each is written from column 2.
inline constexpr int kChartRows = 28;
extern const std::array<const char*, kChartRows> kChart;

// Opens the window over the screen's top left corner (in Courier 10, at
// most 576 by 424 pixels) with a terminal of its own, which is the console
// while it shows the chart, the current tab mode highlighted, and a
// message; any key or click closes it (updates redraw it). The edit
// buffer's console, its window size and band, and the cursor shape come
// back, and the edit window is drawn anew. Nothing opens when the window
// or its terminal cannot be made.
void Show();

}  // namespace EditHelp
