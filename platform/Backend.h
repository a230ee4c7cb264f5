// The seam between the layer and what shows the screen and gives the input:
// one table of operations per backend (headless for tests and scripts, SDL2
// for a real window). The layer calls them; a backend feeds input through
// Input and AppleEvents.
#pragma once

#include "platform/Cursor.h"
#include "platform/Geometry.h"
#include "platform/Surface.h"

#include <string>

namespace Backend {

enum class WaitResult {
  kInput,      // input was fed (a scripted backend feeds one step per call)
  kTimeout,    // the time passed without input
  kExhausted,  // the time passed, and no input will ever come
};

struct Ops {
  const char* name;
  // Sets the display up for a screen of this size; false when it cannot
  // (no display to open). Called once before anything else.
  bool (*open)(int width, int height);
  // Releases what open took; the layer calls no operation after it.
  void (*close)();
  // Feeds the input that is there, waiting at most `seconds` (0: only look)
  // for some to arrive; time moves through the platform clock.
  WaitResult (*wait)(double seconds);
  // Shows the composed screen; nil for a backend that shows nothing (the
  // screen is then composed only when asked for, Desktop::Compose).
  void (*present)(const Surface::Pixels& screen);
  // Moves the real pointer (the layer has already moved its own).
  void (*warpPointer)(Geometry::Point global);
  // Shows the cursor image, or hides the cursor.
  void (*setCursor)(const Cursor::Image& image, bool visible);
  // Sounds the alert beep; nil for a backend that makes no sound.
  void (*beep)();
  // The system clipboard's text, UTF-8 with line feeds. Get: false when the
  // clipboard holds no text (utf8 then empty). Set: replaces the clipboard's
  // contents (an empty text empties it); false when it cannot. Nil for a
  // backend without a system clipboard: the layer then keeps the clipboard
  // in the process.
  bool (*getClipboardText)(std::string& utf8);
  bool (*setClipboardText)(const std::string& utf8);
};

// The backend in use; nil for none (nothing is shown, no input comes, waits
// only sleep).
void Use(const Ops* ops);
const Ops* Current();

}  // namespace Backend
