#include "shell/MacEnv.h"

#include <atomic>
#include <cstdlib>

#include "dialogs/Alert.h"
#include "foundation/Strings.h"

namespace MacEnv {

namespace {

// nil stands for the default end.
std::atomic<ProgramEndProc> programEnd{nullptr};

}  // namespace

void AlertAndExit(std::span<const char> message) {
  if (Strings::Length(message) > 0) {
    Alert::Beep();
    Alert::OK(message);
  }
  if (ProgramEndProc end = programEnd.load()) end();
  std::exit(EXIT_FAILURE);
}

ProgramEndProc SetProgramEnd(ProgramEndProc end) { return programEnd.exchange(end); }

}  // namespace MacEnv
