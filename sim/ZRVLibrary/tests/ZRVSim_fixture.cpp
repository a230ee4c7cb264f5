#include "sim/ZRVLibrary/tests/ZRVSim_fixture.h"

namespace ZRVSimTest {

std::atomic<std::int64_t> now{1'000'000'000'000};

double Clock() { return static_cast<double>(now.load()) * 1e-9; }

void Wait(std::int64_t nanoseconds) { now += nanoseconds; }

void FixedVolts::Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) {
  for (int adc = 0; adc < 16; ++adc) inputs.adc_volts[adc] = volts[adc];
  for (int rack = 0; rack < 2; ++rack) {
    inputs.user_digital[rack] = outputs.user_digital[rack];
    inputs.tlv_digital[rack] = outputs.tlv_digital[rack];
  }
}

void Library::SetUp() {
  ZRVSim_Reset();
  ZRVSim_UseClock(&Clock);
}

void Library::TearDown() {
  ZRVSim_Reset();
  ZRVSim_UseClock(nullptr);
}

const Family kZRV24{
    kZRVSimZRV24,
    1000,
    &ZRV24_GetStructureSize,
    &ZRV24_Open,
    &ZRV24_Initialize,
    &ZRV24_Close,
    &ZRV24_SetSamplingInterval,
    &ZRV24_InitializeAcquisition,
    &ZRV24_SetSequence,
    &ZRV24_Start,
    &ZRV24_WriteFIFO,
    &ZRV24_GetFIFOReadAvailable,
    &ZRV24_ReadFIFO,
    &ZRV24_IsClipping,
    &ZRV24_GetFIFOOverflow,
    &ZRV24_Stop,
};

const Family kZRV28{
    kZRVSimZRV28,
    1250,
    &ZRV28_GetStructureSize,
    &ZRV28_Open,
    [](void* device) { return ZRV28_Initialize(device, 0); },
    &ZRV28_Close,
    [](void* device, std::int32_t ticks) { return ZRV28_SetSamplingInterval(device, ticks, 0); },
    &ZRV28_InitializeAcquisition,
    &ZRV28_SetSequence,
    &ZRV28_Start,
    &ZRV28_WriteFIFO,
    &ZRV28_GetFIFOReadAvailable,
    &ZRV28_ReadFIFO,
    &ZRV28_IsClipping,
    &ZRV28_GetFIFOOverflow,
    &ZRV28_Stop,
};

std::uint16_t ZRV24Word(int dac, int adc) {
  return static_cast<std::uint16_t>(((3 - dac) & 3) << 3 | ((7 - adc) & 7));
}

std::uint16_t ZRV28Word(int output, int adc, bool last, bool stimulate) {
  std::uint16_t word = static_cast<std::uint16_t>((output & 7) << 11 | (adc & 0xF) << 7);
  if (last) word |= stimulate ? 0xC000 : 0x4000;
  return word;
}

Board::Board(const Family& family)
    : _family(family), _record(static_cast<std::size_t>(family.GetStructureSize())) {}

std::int32_t Board::Open(std::int32_t number) { return _family.Open(device(), number); }

void Board::Ready() {
  ASSERT_EQ(Open(), 0);
  ASSERT_EQ(_family.Initialize(device()), 0);
}

std::int32_t Board::Sweep(const std::vector<std::uint16_t>& sequence, std::int32_t ticks,
                          const std::vector<std::int16_t>& output, std::int32_t trigger) {
  _ticks = ticks;
  std::int32_t status = _family.InitializeAcquisition(device());
  if (status == 0) {
    status = _family.SetSequence(device(), static_cast<std::int32_t>(sequence.size()), sequence.data());
  }
  if (status == 0 && !output.empty()) {
    status = _family.WriteFIFO(device(), static_cast<std::int32_t>(output.size()), output.data());
  }
  if (status == 0) status = _family.SetSamplingInterval(device(), ticks);
  if (status == 0) status = _family.Start(device(), trigger, output.empty() ? 0 : 1, 1, 1);
  return status;
}

void Board::Steps(std::int64_t count) { Wait(count * _ticks * _family.tickNanoseconds); }

std::int32_t Board::Available() {
  std::int32_t count = 0;
  EXPECT_EQ(_family.GetFIFOReadAvailable(device(), &count), 0);
  return count;
}

std::vector<std::int16_t> Board::Read(std::int32_t count) {
  std::vector<std::int16_t> values(static_cast<std::size_t>(count));
  EXPECT_EQ(_family.ReadFIFO(device(), count, values.data()), 0);
  return values;
}

ZRVSimBoardState Board::State() const {
  ZRVSimBoardState state;
  ZRVSim_GetBoardState(_family.family, &state);
  return state;
}

}  // namespace ZRVSimTest
