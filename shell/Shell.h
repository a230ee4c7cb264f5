// The application shell: here, the notebook's text buffer that every
// finished console line is appended to.
#pragma once

#include "foundation/BufferText.h"
#include "shell/Graphics.h"

namespace Shell {

// The text buffer "List" in the buffer directory "Shell", kept to its last
// 20,000 lines; nil until Initialize has made it.
extern BufferText::TextBuffer List;

// The notebook's title, "List" after Initialize.
extern char ListTitle[32];

// The console's root graphics window; nil until the console window is made.
extern Graphics::GraphicsWindow RootWindow;

// Creates the buffer directory "Shell" with the text buffer "List" in it,
// then the directory "User", which becomes the default buffer directory:
// relative buffer names resolve there from then on.
void Initialize();

}  // namespace Shell
