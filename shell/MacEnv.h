// The application environment: here, the end of the program after a fatal
// message.
#pragma once

#include <span>

namespace MacEnv {

// When the message is not empty, sounds the alert beep and shows it in an OK
// alert; then ends the program through the program-end procedure. Does not
// return.
[[noreturn]] void AlertAndExit(std::span<const char> message);

// What ends the program. The default runs the exit procedures (there are none
// to run until the shell's exit-procedure table exists) and leaves through
// std::exit with a failure status. A replacement must not return either; a
// test installs one that throws an exception of its own, and
// SetProgramEnd(nullptr) puts the default back. Returns the previous one.
using ProgramEndProc = void (*)();
ProgramEndProc SetProgramEnd(ProgramEndProc end);

}  // namespace MacEnv
