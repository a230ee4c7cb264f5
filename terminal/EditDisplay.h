// The editor's display: what the scroll bars call to move the view. This
// form moves the view (EditState's first line and column) and keeps the
// scroll bars in step; the rows themselves are drawn by the editor once it
// draws text.
#pragma once

#include <cstdint>

namespace EditDisplay {

// The first line shown becomes first, kept within 1 .. line count + 1 -
// window height; the view counts as scrolled. The cursor stays.
void SetPosition(std::int32_t first);
// By key code: 3 one line back, 4 one line on, 42 a page back, 43 a page
// on (a page: the window height less the band); other codes nothing.
void Scroll(int keyCode);
// The whole view anew: the scroll bars brought in step.
void NewDisplay();

}  // namespace EditDisplay
