#include "foundation/tests/Heap_fixture.h"

#include <cstdlib>

#include "dialogs/Alert.h"
#include "shell/MacEnv.h"

namespace {

void ResetHeap() {
  Buffer::Shutdown();
  Buffer::SetSystemMemory(Buffer::SystemMemory{[](std::size_t size) { return std::malloc(size); },
                                               [](void* block) { std::free(block); }});
  Buffer::DefBufferHeap = 1500;
  Buffer::DefBufferHeapMin = 400;
  Buffer::DefAllocHeapMin = 400;
  Buffer::InitModule();
}

}  // namespace

void FreshHeap::SetUp() {
  MacEnv::Terminated = false;
  Alert::ClearAnswers();
  ResetHeap();
}

void FreshHeap::TearDown() {
  ResetHeap();
  Alert::ClearAnswers();
  MacEnv::Terminated = false;
}
