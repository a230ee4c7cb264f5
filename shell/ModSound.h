// The program's sound output. Alerts stop whatever plays before they beep,
// so that a beep is never lost in a running tone.
#pragma once

namespace ModSound {

// Nothing plays. Called once at start-up.
void InitModule();

// Stops the current sound; nothing plays on this platform, so it has
// nothing to stop.
void Off();

}  // namespace ModSound
