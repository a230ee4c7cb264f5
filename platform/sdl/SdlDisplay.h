// The SDL2 backend: one real window, the size of the screen, that shows the
// desktop and feeds mouse, keyboard, focus, quit (closing the window) and
// open-document (a file dropped on it) into the layer. Time is real time.
//
// Keys: SDL's key positions become the platform's virtual key codes; Ctrl
// gives command (the key Linux programs take their menu keys from), Alt
// option, the Super key control. Characters come from SDL's text input,
// converted from Unicode to the program's 8-bit set; keys without text
// (arrows, function keys, return ...) get their platform characters.
//
// The beep is a short tone on the audio device (silent without one); the
// clipboard's text is SDL2's clipboard.
#pragma once

#include "platform/Backend.h"

namespace SdlDisplay {

const Backend::Ops& Ops();

}  // namespace SdlDisplay
