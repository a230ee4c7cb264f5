// Host services: byte order, the alert beep, free disk space, starting
// another program, address arithmetic, the pointer warp and loading a
// shared library by name.
//
// Linux has neither Launch Services nor framework bundles, so:
//   - ApplicationStart spawns the executable at the path directly;
//   - LoadFrameworkBundle loads a shared library with dlopen;
//   - WarpTo calls whatever warp procedure the UI layer registered with
//     SetPointerWarp, and does nothing before one is registered;
//   - Sys_Beep likewise calls the beep the UI layer registered with SetBeep.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Platform {

bool IsLittleEndian();

// The UI layer's beep when one is registered; otherwise rings the terminal
// bell when stderr is a terminal, and is silent when it is not.
void Sys_Beep(std::int16_t duration);
using BeepProc = void (*)();
void SetBeep(BeepProc beep);  // nil removes it

// Block size x all free blocks (including those reserved for root) of the
// file system that holds the path; 0 for nil, a path longer than 1024
// characters, or one that cannot be examined.
double FreeDiskBytes(const char* path);

// Starts the program at the path in a session of its own. The three middle
// arguments are unused; bringToFront has no meaning without a window
// server that we control. TRUE when the program was started.
bool ApplicationStart(const char* path, const char* unused1, const char* unused2,
                      const char* unused3, bool bringToFront);

void* AddADR(void* address, std::ptrdiff_t count);
const void* AddADR(const void* address, std::ptrdiff_t count);
void* SubADR(void* address, std::ptrdiff_t count);
const void* SubADR(const void* address, std::ptrdiff_t count);

// Moves the mouse pointer to a global screen position.
using PointerWarp = void (*)(int x, int y);
void SetPointerWarp(PointerWarp warp);  // nil removes it
void WarpTo(int x, int y);

// Loads the shared library `name`. Results: 0, with *bundle the library's
// handle; -50 when bundle is nil; -4960 when it cannot be loaded (*bundle
// is then nil).
using Bundle = void*;
constexpr int kParamErr = -50;
constexpr int kCouldNotLoadBundle = -4960;
int LoadFrameworkBundle(const char* name, Bundle* bundle);

// Hook the dialog framework calls before a value drag; nothing to do here.
void WMInitialize();

}  // namespace Platform
