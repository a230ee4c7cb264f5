#include "shell/UserQueue.h"

#include <array>

namespace UserQueue {

namespace {

std::array<Procedure, kSlots> slots{};

}  // namespace

void InitModule() { slots.fill(nullptr); }

bool InstallAfterProc(Procedure procedure) {
  if (procedure == nullptr) return false;
  for (Procedure p : slots) {
    if (p == procedure) return true;
  }
  for (Procedure& p : slots) {
    if (p == nullptr) {
      p = procedure;
      return true;
    }
  }
  return false;
}

bool RemoveAfterProc(Procedure procedure) {
  bool removed = false;
  for (Procedure& p : slots) {
    if (procedure != nullptr && p == procedure) {
      p = nullptr;
      removed = true;
    }
  }
  return removed;
}

void ExecuteAfterStack() {
  for (int slot = kSlots - 1; slot >= 0; --slot) {
    if (slots[slot] == nullptr) continue;
    slots[slot]();
    slots[slot] = nullptr;
  }
}

}  // namespace UserQueue
