#include "platform/Input.h"

#include "foundation/platform/Clock.h"
#include "platform/Backend.h"
#include "platform/EventQueue.h"
#include "platform/KeyCodes.h"

namespace Input {

namespace {

Geometry::Point pointer;
bool button = false;
int modifiers = 0;
KeyMap keys{};

void SetKey(int virtualKey, bool down) {
  if (virtualKey < 0 || virtualKey >= 128) return;
  const auto bit = static_cast<std::uint8_t>(1u << (virtualKey & 7));
  std::uint8_t& byte = keys[static_cast<std::size_t>(virtualKey >> 3)];
  byte = down ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

void Post(int what, std::uintptr_t message) {
  EventQueue::EventRecord e;
  e.what = what;
  e.message = message;
  e.when = Platform::Tick_Count();
  e.where = pointer;
  e.modifiers = modifiers | (button ? 0 : EventQueue::kBtnState);
  EventQueue::Post(e);
}

}  // namespace

void InitModule() {
  pointer = Geometry::Point{};
  button = false;
  modifiers = 0;
  keys.fill(0);
}

void MouseMoved(Geometry::Point global) { pointer = global; }

void MouseButton(bool down) {
  if (button == down) return;
  button = down;
  Post(down ? EventQueue::kMouseDown : EventQueue::kMouseUp, 0);
}

void Key(int virtualKey, unsigned char character, bool down, bool repeat) {
  SetKey(virtualKey, down);
  if (const int bit = KeyCodes::ModifierBit(virtualKey); bit != 0) {
    modifiers = down ? (modifiers | bit) : (modifiers & ~bit);
    return;
  }
  const int what = !down ? EventQueue::kKeyUp : repeat ? EventQueue::kAutoKey : EventQueue::kKeyDown;
  Post(what, (static_cast<std::uintptr_t>(virtualKey & 0xFF) << 8) | character);
}

void Focus(bool active) {
  Post(EventQueue::kOsEvt,
       (static_cast<std::uintptr_t>(EventQueue::kSuspendResumeMessage) << 24) |
           (active ? EventQueue::kResumeFlag : 0));
}

Geometry::Point Pointer() { return pointer; }
bool ButtonDown() { return button; }
int Modifiers() { return modifiers; }
const KeyMap& Keys() { return keys; }

void WarpPointer(Geometry::Point global) {
  pointer = global;
  if (const Backend::Ops* b = Backend::Current(); b != nullptr && b->warpPointer != nullptr) b->warpPointer(global);
}

}  // namespace Input
