// Test helpers for the stand-in board library: a clock the test moves, a
// wiring that drives fixed volts, and the ZRV-24/28 entry points of one
// family behind one set of names.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "acquisition/ZRVLibraryCalls.h"
#include "sim/ZRVLibrary/ZRVSim.h"

namespace ZRVSimTest {

// Nanoseconds of the test's clock; its seconds start at 1000.
extern std::atomic<std::int64_t> now;
double Clock();
void Wait(std::int64_t nanoseconds);

// Every analog input sees `volts`; digital inputs read the outputs.
class FixedVolts final : public ZRVSimWiring {
 public:
  double volts[16] = {};
  void Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) override;
};

// Fresh library and the test's clock around each test.
class Library : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// One family's ZRV-24/28 entry points.
struct Family {
  std::int32_t family;
  std::int64_t tickNanoseconds;
  std::int32_t (*GetStructureSize)();
  std::int32_t (*Open)(void*, std::int32_t);
  std::int32_t (*Initialize)(void*);
  std::int32_t (*Close)(void*);
  std::int32_t (*SetSamplingInterval)(void*, std::int32_t);
  std::int32_t (*InitializeAcquisition)(void*);
  std::int32_t (*SetSequence)(void*, std::int32_t, const std::uint16_t*);
  std::int32_t (*Start)(void*, std::int32_t, std::int32_t, std::int32_t, std::int32_t);
  std::int32_t (*WriteFIFO)(void*, std::int32_t, const std::int16_t*);
  std::int32_t (*GetFIFOReadAvailable)(void*, std::int32_t*);
  std::int32_t (*ReadFIFO)(void*, std::int32_t, std::int16_t*);
  std::int32_t (*IsClipping)(void*, std::int32_t*);
  std::int32_t (*GetFIFOOverflow)(void*, std::int32_t*);
  std::int32_t (*Stop)(void*);
};
extern const Family kZRV24;
extern const Family kZRV28;

// A ZRV-24 word for DAC d and ADC a; a ZRV-28 word for output select o and
// ADC select a, with the last-step bits.
std::uint16_t ZRV24Word(int dac, int adc);
std::uint16_t ZRV28Word(int output, int adc, bool last, bool stimulate);

// A board of one family with its device record.
class Board {
 public:
  explicit Board(const Family& family);
  void* device() { return _record.data(); }
  std::int32_t Open(std::int32_t number = 0);
  // Opens board 0 and initialises it.
  void Ready();
  // A new sweep: clears the FIFOs, loads the sequence, queues the output,
  // sets the interval and starts.
  std::int32_t Sweep(const std::vector<std::uint16_t>& sequence, std::int32_t ticks,
                     const std::vector<std::int16_t>& output, std::int32_t trigger = 0);
  // Lets `count` sequence steps pass.
  void Steps(std::int64_t count);
  std::int32_t Available();
  std::vector<std::int16_t> Read(std::int32_t count);
  ZRVSimBoardState State() const;

 private:
  const Family& _family;
  std::vector<std::uint8_t> _record;
  std::int32_t _ticks = 1;
};

}  // namespace ZRVSimTest
