#pragma once

// Text windows: a window with a terminal for a text buffer.

#include "foundation/BufferText.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"
#include "terminal/ANSITerm.h"

namespace EditUtility {

// Makes a window through ModWindow::Create with these arguments, titled
// after the text buffer's name, and a terminal of its size in the
// parameters' font with both scroll bars (shown when the window comes in
// front); the window's reference value becomes the terminal, whose user
// data is the buffer. FALSE (nothing left made, window and terminal nil)
// when the window or the terminal cannot be made.
bool CreateEditTerminal(BufferText::TextBuffer buffer, int resourceID, ModWindow::WindowParameters& parameters,
                        int definition, bool front, bool closeBox, bool visible, Graphics::GraphicsWindow& window,
                        ANSITerm::TerminalRecord*& terminal);

}  // namespace EditUtility
