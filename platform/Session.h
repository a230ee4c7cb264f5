// The program's screen and input: which backend the UI layer runs on, and
// the two ways an outside party asks the program to quit besides closing
// its window (SIGTERM, and a headless script that has run out).
//
// Backend choice: the SDL2 window when a display opens, else headless. The
// environment forces headless: MERETH_UI_SCRIPT names a script file of
// headless steps (Headless::RunScript) to play, MERETH_UI_HEADLESS (any
// value) runs headless without one. Headless runs on the virtual clock.
//
// Quit requests become the quit event (AppleEvents::PostQuit) inside the
// event wait: SIGTERM sets a flag that the next wait turns into the event,
// and a headless backend whose steps are all played posts it once when it
// finds no more (again only after further steps have been queued and
// played). Main thread only, except RequestQuit.
#pragma once

#include <span>

namespace Session {

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

// Starts the UI layer on the backend chosen as above and installs the
// SIGTERM handler. False, with the reason in ErrorText, when the layer
// cannot start or the script cannot be read.
bool Open();
// Starts the UI layer headless (tests): the steps queued before or after
// are played, and running out of them asks to quit. The caller chooses the
// clock.
bool OpenHeadless();
// Shuts the layer down and restores the default SIGTERM handling.
void Close();
const char* ErrorText();

// Async-signal-safe: the next event wait posts the quit event.
void RequestQuit();

// The backend in use is the headless one.
bool IsHeadless();

}  // namespace Session
