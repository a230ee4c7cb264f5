#include "terminal/LiveHandles.h"

#include <vector>

namespace LiveHandles {

namespace {

struct Slot {
  void* object = nullptr;
  std::uint32_t generation = 0;
};

// Index 0 stays unused so that a zeroed handle names nothing.
std::vector<Slot> slots(1);
std::vector<std::uint32_t> freeSlots;

bool Valid(Handle handle) {
  return handle.slot != 0 && handle.slot < slots.size() && slots[handle.slot].object != nullptr &&
         slots[handle.slot].generation == handle.generation;
}

}  // namespace

Handle Register(void* object) {
  if (object == nullptr) return Handle{};
  std::uint32_t slot = 0;
  if (freeSlots.empty()) {
    slot = static_cast<std::uint32_t>(slots.size());
    slots.emplace_back();
  } else {
    slot = freeSlots.back();
    freeSlots.pop_back();
  }
  slots[slot].object = object;
  return Handle{slot, slots[slot].generation};
}

void* Resolve(Handle handle) { return Valid(handle) ? slots[handle.slot].object : nullptr; }

void Release(Handle handle) {
  if (!Valid(handle)) return;
  Slot& s = slots[handle.slot];
  s.object = nullptr;
  ++s.generation;
  freeSlots.push_back(handle.slot);
}

}  // namespace LiveHandles
