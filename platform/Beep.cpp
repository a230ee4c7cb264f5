#include "platform/Beep.h"

#include "platform/Backend.h"

namespace Beep {

namespace {

int beeps = 0;

}  // namespace

void SysBeep() {
  ++beeps;
  if (const Backend::Ops* b = Backend::Current(); b != nullptr && b->beep != nullptr) b->beep();
}

int Count() { return beeps; }
void ResetCount() { beeps = 0; }

}  // namespace Beep
