#include "platform/Backend.h"

namespace Backend {

namespace {
const Ops* current = nullptr;
}  // namespace

void Use(const Ops* ops) { current = ops; }
const Ops* Current() { return current; }

}  // namespace Backend
