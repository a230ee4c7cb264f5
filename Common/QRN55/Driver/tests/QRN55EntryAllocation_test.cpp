// Device opens whose allocations fail. The array allocation functions of
// this test program are replaced by ones that can be told to fail: every
// array of the program then comes from malloc and goes back to free, so the
// sanitizers still pair them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/tests/QRN55Entry_fixture.h"

namespace {

// The nothrow array allocation that fails: 1 the next one, 2 the one after
// it, ...; 0 none.
std::atomic<int> failingArrayAllocation{0};

void* Allocate(std::size_t size) { return std::malloc(size > 0 ? size : 1); }

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (failingArrayAllocation.load() > 0 && --failingArrayAllocation == 0) return nullptr;
  return Allocate(size);
}

void* operator new[](std::size_t size) {
  void* memory = Allocate(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace {

TEST(EntryAllocation, FailedOpensLeaveNothingOpen) {
  struct Case {
    const char* name;
    int failing;  // counted from the open's first array
    QRN55Status result;
  };
  // A device open allocates the unit sessions and the session buffer on the
  // server's side, then the unit buffer clients that map it.
  const std::vector<Case> cases = {
      {"unit sessions", 1, QRN55_STATUS_BUFFER_ALLOCATION},
      {"session buffer", 2, QRN55_STATUS_BUFFER_ALLOCATION},
      {"mapping", 3, QRN55_STATUS_OUT_OF_MEMORY},
  };
  QRN55EntryBench entry(QRN55Bench::Kind::kInProcess);
  ASSERT_TRUE(entry.OpenDevice(2));
  QRN55_DeviceClose(entry.device);
  entry.device = nullptr;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    failingArrayAllocation = c.failing;
    EXPECT_EQ(QRN55_DeviceOpen(entry.driver, 0, 0, &entry.device), c.result);
    failingArrayAllocation = 0;
    EXPECT_EQ(entry.device, nullptr);
    int status = -1;
    char serial[8];
    EXPECT_EQ(QRN55_DeviceGetConfiguration(entry.driver, 0, &status, serial, 8), 0);
    EXPECT_EQ(status, 0);  // not open
    ASSERT_EQ(QRN55_DeviceOpen(entry.driver, 0, 0, &entry.device), QRN55_STATUS_SUCCESS);
    QRN55_DeviceClose(entry.device);
    entry.device = nullptr;
  }
}

}  // namespace
