#pragma once

// Handles that outlive what they name without leading to freed memory: a
// handle names a slot and the slot's generation; releasing the object
// moves the generation on, so every handle given out for it resolves to
// nil from then on, even when a new object is made at the same address.
// The editor keeps such handles of buffer windows and their terminals in
// the buffers' tag fields. Main thread only.

#include <cstdint>

namespace LiveHandles {

// Slot 0 is no slot: a zeroed handle is nil.
struct Handle {
  std::uint32_t slot = 0;
  std::uint32_t generation = 0;
  friend bool operator==(const Handle&, const Handle&) = default;
};

// A new handle for the object (nil for a nil object).
Handle Register(void* object);
// The object while its handle has not been released, else nil.
void* Resolve(Handle handle);
// Every handle of that registration now resolves to nil; a nil or stale
// handle is ignored.
void Release(Handle handle);

}  // namespace LiveHandles
