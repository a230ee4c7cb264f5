// The application environment: here, the end of the program after a fatal
// message.
#pragma once

#include <atomic>
#include <span>

namespace MacEnv {

// Goes from FALSE to TRUE once, when the program is asked to end, and is
// never cleared; the main loop ends when it sees it, so that shut-down and the
// exit procedures still run.
extern std::atomic<bool> Terminated;

void Terminate();

// When the message is not empty, sounds the alert beep and shows it in an OK
// alert; then Terminate. It does not stop the caller: a caller that cannot go
// on returns a failure of its own.
void AlertAndExit(std::span<const char> message);

}  // namespace MacEnv
