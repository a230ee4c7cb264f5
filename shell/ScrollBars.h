// The scroll bars of text windows.
#pragma once

namespace ScrollBars {

// The width of a scroll bar in pixels.
extern int ScrollBarWidth;

// No bar is being tracked; the bar width is 16. Called once at start-up.
void InitModule();

}  // namespace ScrollBars
