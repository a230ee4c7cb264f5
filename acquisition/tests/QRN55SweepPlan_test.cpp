// The layout of QRN 5+5 sweeps, worked out without hardware: channel maps,
// slots, the channels the hardware needs, the pulsed or continuous choice,
// and scaling by the unit calibration.
#include "acquisition/QRN55SweepPlan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace Plan = QRN55SweepPlan;
using Codes = std::vector<std::int32_t>;

TEST(QRN55SweepPlan, ChannelCodesNameUnitAndChannel) {
  const std::vector<std::pair<std::int32_t, std::pair<int, int>>> dac = {
      {0, {0, 1}},  {3, {0, 4}},  {4, {1, 1}},  {7, {1, 4}},  {8, {0, 6}},  {9, {0, 7}},
      {10, {0, 5}}, {11, {1, 6}}, {12, {1, 7}}, {13, {1, 5}}, {-1, {-1, 0}}};
  for (const auto& [code, expected] : dac) {
    const Plan::UnitChannel channel = Plan::DacChannel(code);
    EXPECT_EQ(std::make_pair(channel.unit, channel.channel), expected) << "DAC " << code;
  }
  const Plan::MuxMap mux{7, 12};
  const std::vector<std::pair<std::int32_t, std::pair<int, int>>> adc = {
      {0, {0, 1}},   {6, {0, 7}},   {7, {0, 9}},   {8, {1, 1}},  {12, {1, 9}},
      {15, {1, 8}},  {16, {0, 10}}, {17, {0, 11}}, {18, {0, 9}}, {19, {1, 10}},
      {20, {1, 11}}, {21, {1, 9}},  {-1, {-1, 0}}};
  for (const auto& [code, expected] : adc) {
    const Plan::UnitChannel channel = Plan::AdcChannel(code, mux);
    EXPECT_EQ(std::make_pair(channel.unit, channel.channel), expected) << "ADC " << code;
  }
  // "No mapping" is -1, which must not make ADC code -1 the multiplexer.
  EXPECT_EQ(Plan::AdcChannel(-1, {}).unit, -1);
}

struct SlotCase {
  std::string name;
  Codes dac;
  Codes adc;
  int units;
  bool placed;
  Codes dacSlots;
  Codes adcSlots;
  int slotCount;
};
void PrintTo(const SlotCase& c, std::ostream* os) { *os << c.name; }

class SlotPlanning : public testing::TestWithParam<SlotCase> {};

TEST_P(SlotPlanning, PlacesEachChannel) {
  const SlotCase& c = GetParam();
  Plan::SlotPlan plan;
  ASSERT_EQ(Plan::ComputeSlots(c.dac, c.adc, {}, c.units, plan), c.placed);
  if (!c.placed) return;
  Codes dacSlots(c.dac.size());
  Codes adcSlots(c.adc.size());
  Plan::ChannelSlots(plan, dacSlots, adcSlots);
  EXPECT_EQ(dacSlots, c.dacSlots);
  EXPECT_EQ(adcSlots, c.adcSlots);
  EXPECT_EQ(plan.slotCount, c.slotCount);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    QRN55SweepPlan, SlotPlanning,
    testing::Values(
        //       name                        dac        adc           units placed dacSlots adcSlots slots
        SlotCase{"AdcPairsShareSlots",       {},        {0, 1, 2, 3},  1, true, {},        {1, 1, 2, 2}, 2},
        SlotCase{"TwoEvenAdcsWantRowOne",    {},        {0, 2},        1, true, {},        {1, 2},       2},
        SlotCase{"OddAdcFirstStillPairs",    {},        {1, 0, 3},     1, true, {},        {1, 1, 2},    2},
        SlotCase{"OutputsFillBothRows",      {0, 1, 2}, {0},           1, true, {1, 1, 2}, {1},          2},
        SlotCase{"NothingStillOneSlot",      {},        {},            1, true, {},        {},           1},
        SlotCase{"MultiplexerTakesRowTwo",   {},        {18, 1},       1, true, {},        {1, 2},       2},
        SlotCase{"PortsTakeAnyFreeRow",      {},        {0, 16, 17},   1, true, {},        {1, 1, 2},    2},
        SlotCase{"SamePortNotTwiceInOneSlot", {},       {16, 16},      1, true, {},        {1, 2},       2},
        SlotCase{"UnitsCountSlotsApart",     {0, 4},    {0, 8, 10},    2, true, {1, 1},    {1, 1, 2},    2},
        SlotCase{"EightSlotsFit",            {},        {0, 2, 4, 6, 0, 2, 4, 6}, 1, true, {},
                 {1, 2, 3, 4, 5, 6, 7, 8}, 8},
        SlotCase{"NineSlotsDoNot",           {},        {0, 2, 4, 6, 0, 2, 4, 6, 0}, 1, false, {}, {}, 0},
        SlotCase{"SeventeenOutputsDoNot",    {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0}, {}, 1,
                 false, {}, {}, 0},
        SlotCase{"SlaveChannelWithoutSlave", {},        {8},           1, false, {},       {},           0},
        SlotCase{"NoSuchCode",               {14},      {},            2, false, {},       {},           0}),
    [](const testing::TestParamInfo<SlotCase>& info) { return info.param.name; });
// clang-format on

// The rows a unit is told to use, and the order of the vectors its frames
// fill: first converter, user port, amplifier port, second converter.
TEST(QRN55SweepPlan, RowsAndFrameOrder) {
  Plan::SlotPlan plan;
  ASSERT_TRUE(Plan::ComputeSlots(Codes{0, 9}, Codes{1, 0, 18}, {}, 1, plan));
  const Plan::UnitSlots& unit = plan.units[0];
  EXPECT_EQ(unit.output_slot_1[0], 1);
  EXPECT_EQ(unit.output_slot_2[0], 7);
  EXPECT_EQ(unit.input_slot_1[0], 1);  // code 0
  EXPECT_EQ(unit.input_slot_2[0], 2);  // code 1
  EXPECT_EQ(unit.input_slot_2[1], 9);  // the multiplexer waits for row 2
  EXPECT_EQ(unit.input_slot_1[1], 0);

  struct OrderCase {
    Codes adc;
    int units;
    std::vector<std::pair<int, int>> order;
  };
  const std::vector<OrderCase> cases = {
      {{1, 0}, 1, {{0, 1}, {0, 0}}},
      // The amplifier port in row 1 still comes after the user port.
      {{17, 16}, 1, {{0, 1}, {0, 0}}},
      {{16, 17}, 1, {{0, 0}, {0, 1}}},
      {{20, 19}, 2, {{1, 1}, {1, 0}}},
      {{8, 0}, 2, {{0, 1}, {1, 0}}},
  };
  for (const OrderCase& c : cases) {
    ASSERT_TRUE(Plan::ComputeSlots({}, c.adc, {}, c.units, plan));
    std::vector<std::pair<int, int>> order;
    for (std::size_t i = 0; i < c.adc.size(); ++i) {
      order.emplace_back(plan.adcOrder[i].unit, plan.adcOrder[i].position);
    }
    EXPECT_EQ(order, c.order) << "ADC list starting " << c.adc[0];
  }
}

struct DecisionCase {
  std::string name;
  Codes dac;
  Codes adc;
  bool onlyVectorMissing;
  bool pulsed;
  bool trigger;
  std::int32_t dacSamples;
  std::int32_t adcSamples;
  double interval;
  bool allowPulsedSlave;
  // Expected:
  bool runsPulsed;
  Codes adcCodes;
  Codes adcIndex;
  bool read0;
  bool read1;
};
void PrintTo(const DecisionCase& c, std::ostream* os) { *os << c.name; }

class PulsedOrContinuous : public testing::TestWithParam<DecisionCase> {};

TEST_P(PulsedOrContinuous, DecidesAndCompletesTheChannels) {
  const DecisionCase& c = GetParam();
  Plan::SweepRequest request;
  request.dacCodes = c.dac;
  request.adcCodes = c.adc;
  request.onlyAdcVectorMissing = c.onlyVectorMissing;
  request.pulsed = c.pulsed;
  request.trigger = c.trigger;
  request.dacSamples = c.dacSamples;
  request.adcSamples = c.adcSamples;
  request.total = std::max(c.dacSamples, c.adcSamples);
  request.interval = c.interval;
  request.maxPulseDacSamples = 32767;
  request.maxPulseAdcSamples = 32767;
  request.allowPulsedSlave = c.allowPulsedSlave;
  Plan::ChannelPlan plan;
  Plan::CompleteChannels(request, plan);
  EXPECT_EQ(plan.pulsed, c.runsPulsed);
  EXPECT_EQ(Codes(plan.adcCodes, plan.adcCodes + plan.adcCount), c.adcCodes);
  EXPECT_EQ(Codes(plan.adcIndex, plan.adcIndex + plan.adcCount), c.adcIndex);
  EXPECT_EQ(plan.read[0], c.read0);
  EXPECT_EQ(plan.read[1], c.read1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    QRN55SweepPlan, PulsedOrContinuous,
    testing::Values(
        //           name                    dac     adc  missing pulsed trigger dacN  adcN  interval slave
        //           -> pulsed  ADC codes  indices  read0 read1
        // 2000 x 100 us is exactly 0.2 s.
        DecisionCase{"AtThePulseLimit",      {0},    {0},    false, true,  false, 2000,  2000, 100e-6, true,
                     true,  {0},    {0},      true, false},
        DecisionCase{"BeyondThePulseLimit",  {0},    {0},    false, true,  false, 2001,  2000, 100e-6, true,
                     false, {0},    {0},      true, false},
        DecisionCase{"TriggeredRunsContinuous", {0}, {0},    false, true,  true,  10,    10,   1e-5,   true,
                     false, {0},    {0},      true, false},
        DecisionCase{"MoreOutputThanAPulseTakes", {0}, {0},  false, true,  false, 32768, 10,   1e-6,   true,
                     false, {0},    {0},      true, false},
        DecisionCase{"MoreInputThanAPulseTakes", {}, {0},    false, true,  false, 0,     32768, 1e-6,  true,
                     false, {0},    {0},      true, false},
        DecisionCase{"ContinuousAsAsked",    {0},    {0},    false, false, false, 10,    10,   1e-5,   true,
                     false, {0},    {0},      true, false},
        // Output only: the unit samples its input 1 into the cache.
        DecisionCase{"OutputOnlyMaster",     {0, 1}, {},     false, false, false, 10,    0,    1e-5,   true,
                     false, {0},    {-1},     true, false},
        DecisionCase{"OutputOnlyPulsed",     {0},    {},     false, true,  false, 10,    0,    1e-5,   true,
                     true,  {},     {},       true, false},
        // The master runs as the clock of a slave-only sweep.
        DecisionCase{"SlaveOnlyContinuous",  {4},    {8},    false, false, false, 10,    10,   1e-5,   true,
                     false, {8, 0}, {0, -1},  true, true},
        DecisionCase{"SlaveOnlyPulsed",      {4},    {8},    false, true,  false, 10,    10,   1e-5,   true,
                     true,  {8},    {0},      false, true},
        DecisionCase{"SlaveOutputOnly",      {5},    {},     false, false, false, 10,    0,    1e-5,   true,
                     false, {8, 0}, {-1, -1}, true, true},
        // Without pulsed slaves a slave that only samples is not counted.
        DecisionCase{"PulsedSlaveOff",       {0},    {0, 8}, false, true,  false, 10,    10,   1e-5,   false,
                     false, {0, 8}, {0, 1},   true, false},
        DecisionCase{"PulsedSlaveOffMultiplexerOnly", {4}, {0, 21}, false, false, false, 10, 10, 1e-5, false,
                     false, {0, 21}, {0, 1},  true, false},
        DecisionCase{"PulsedSlaveOffCountsAStimulatedSlave", {4}, {0, 12}, false, false, false, 10, 10, 1e-5, false,
                     false, {0, 12}, {0, 1},  true, true},
        DecisionCase{"PulsedMasterWithSlaveOff", {0}, {0},   false, true,  false, 10,    10,   1e-5,   false,
                     true,  {0},    {0},      true, false},
        DecisionCase{"OnlyVectorMissing",    {0},    {3},    true,  false, false, 10,    10,   1e-5,   true,
                     false, {3},    {-1},     true, false},
        DecisionCase{"NothingAtAll",         {},     {},     false, true,  false, 0,     0,    1e-5,   true,
                     true,  {0},    {-1},     true, false}),
    [](const testing::TestParamInfo<DecisionCase>& info) { return info.param.name; });
// clang-format on

struct ScaleCase {
  std::string name;
  bool output;  // else input
  bool internal;
  double scale;
  double offset;
  std::vector<std::int16_t> in;
  std::vector<std::int16_t> out;
};
void PrintTo(const ScaleCase& c, std::ostream* os) { *os << c.name; }

class Scaling : public testing::TestWithParam<ScaleCase> {};

TEST_P(Scaling, TruncatesAndSaturates) {
  const ScaleCase& c = GetParam();
  std::vector<std::int16_t> data = c.in;
  if (c.output) {
    Plan::ScaleOutput(c.in.data(), data.data(), static_cast<std::int32_t>(data.size()), c.scale,
                      c.offset, c.internal);
  } else {
    Plan::ScaleInput(data.data(), static_cast<std::int32_t>(data.size()), c.scale, c.offset,
                     c.internal);
  }
  EXPECT_EQ(data, c.out);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNominal = Plan::kNominalScale;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    QRN55SweepPlan, Scaling,
    testing::Values(
        //        name                   output internal scale           offset  in -> out
        ScaleCase{"OutputNominal",        true,  true,  kNominal,       0.0,    {-32768, -1, 0, 32767},
                  {-32768, -1, 0, 32767}},
        // x 1.1 - 3200 x 0.01: 1000 -> 1068, and beyond full scale both ways.
        ScaleCase{"OutputGainAndOffset",  true,  true,  1.1 * kNominal, 0.01,   {1000, -1000, 32000, -32000},
                  {1068, -1132, 32767, -32768}},
        ScaleCase{"OutputOffsetOnly",     true,  false, 2 * kNominal,   -0.5,   {32000, 0, -1},
                  {32767, 1600, 1599}},
        ScaleCase{"InputGainAndOffset",   false, true,  0.9 * kNominal, -0.001, {1000, 32767, -32768},
                  {896, 29487, -29494}},
        ScaleCase{"InputSaturates",       false, true,  2 * kNominal,   1.0,    {20000, -20000},
                  {32767, -32768}},
        // trunc(offset / scale) = trunc(-0.5 / 0.000625) = -800.
        ScaleCase{"InputOffsetOnly",      false, false, 2 * kNominal,   -0.5,   {-32000, 100},
                  {-32768, -700}},
        // A calibration that is no number counts as none.
        ScaleCase{"OutputNaN",            true,  true,  kNaN,           kNaN,   {123, -456}, {123, -456}},
        ScaleCase{"OutputInfiniteOffset", true,  false, kNominal,       kInf,   {123},       {123}},
        ScaleCase{"InputNaNScale",        false, false, kNaN,           0.01,   {0},         {32}},
        ScaleCase{"InputZeroScale",       false, false, 0.0,            0.01,   {0},         {32}},
        ScaleCase{"InputInfiniteScale",   false, true,  -kInf,          0.0,    {-77},       {-77}}),
    [](const testing::TestParamInfo<ScaleCase>& info) { return info.param.name; });
// clang-format on

}  // namespace
