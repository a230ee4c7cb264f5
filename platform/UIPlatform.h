// Starting and stopping the UI platform layer as a whole, on one backend.
//
// Order of the parts: screen, resources, fonts, windows, menus, event queue
// and input, timers, high-level events, desktop, cursor; the layer registers its
// pointer warp and its beep with the platform (Platform::SetPointerWarp,
// Platform::SetBeep), so that Platform::WarpTo moves the pointer and
// Platform::Sys_Beep beeps. The layer is used from the main
// thread only.
#pragma once

#include "platform/Backend.h"

namespace UIPlatform {

// False when the resources do not read (Resources::ErrorText), the fonts
// cannot be opened (Fonts::ErrorText) or the backend cannot open its
// display; the layer is then shut down again.
bool InitModule(const Backend::Ops& backend, int width, int height);
// Disposes of every window and menu and closes the backend.
void Shutdown();

}  // namespace UIPlatform
