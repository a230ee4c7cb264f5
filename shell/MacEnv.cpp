#include "shell/MacEnv.h"

#include "dialogs/Alert.h"
#include "foundation/Strings.h"

namespace MacEnv {

std::atomic<bool> Terminated{false};

void Terminate() { Terminated.store(true); }

void AlertAndExit(std::span<const char> message) {
  if (Strings::Length(message) > 0) {
    Alert::Beep();
    Alert::OK(message);
  }
  Terminate();
}

}  // namespace MacEnv
