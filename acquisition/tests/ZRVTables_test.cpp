// What the AD/DA layer computes without a board: volts and units, sampling
// intervals, slots, compression and offsets for every board type, the
// packing routines, and the closed layer's answers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/ZRVBoard_fixture.h"

namespace {

using ZRVTables = ZRVBoard;

TEST_F(ZRVTables, VoltsToDacUnitsClipsRoundsAndKeepsTheSign) {
  struct Case {
    std::int32_t channel;
    double volts;
    std::int32_t units;
    double written;
  };
  const std::vector<Case> cases = {
      {0, 10.3, 0x7FFF, 32767.0 / 3200.0},
      {0, 10.24, 0x7FFF, 32767.0 / 3200.0},
      // Below the range limit, yet 32767.68 rounds past the 16-bit range.
      {1, 10.2399, 32767, 32767.0 / 3200.0},
      {2, -10.24, -0x8000, -10.24},
      {3, -10.2399, -32768, -10.24},
      {0, 1.0, 3200, 1.0},
      // Halves go away from zero.
      {0, 0.5 / 3200.0, 1, 1.0 / 3200.0},
      {0, -0.5 / 3200.0, -1, -1.0 / 3200.0},
      {14, 1.0, 0, 0.0},
      {-1, 1.0, 0, 0.0},
  };
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV24), 0);
  for (const Case& c : cases) {
    double volts = c.volts;
    EXPECT_EQ(ZRV::VoltsToDacUnits(c.channel, volts), c.units) << c.channel << " " << c.volts;
    EXPECT_DOUBLE_EQ(volts, c.written) << c.channel << " " << c.volts;
  }
}

TEST_F(ZRVTables, SelectingABoardTypeSetsItsConstants) {
  struct Case {
    ZRVBase::BoardType type;
    ZRVBase::BoardType selected;
    double tick;
    std::int32_t fifo;
  };
  const std::vector<Case> cases = {
      {ZRVBase::BoardZRV24, ZRVBase::BoardZRV24, 1e-6, 0x3FFF},
      {ZRVBase::BoardZRV28, ZRVBase::BoardZRV28, 1.25e-6, 0x40000},
      {ZRVBase::BoardQRN2400, ZRVBase::BoardQRN2400, 5e-6, 0x100000},
      {ZRVBase::BoardQRN55, ZRVBase::BoardQRN55, 5e-6, 0x10000},
      {ZRVBase::BoardNone, ZRVBase::BoardNone, 5e-6, 0x10000},
      {7, ZRVBase::BoardZRV24, 1e-6, 0x3FFF},
  };
  for (const Case& c : cases) {
    ZRVBase::NumberAdcChannels = 16;
    EXPECT_EQ(ZRV::SetBoardType(c.type), 0);
    EXPECT_EQ(ZRV::GetBoardType(), c.selected);
    EXPECT_EQ(ZRVBase::SecPerTick, c.tick);
    EXPECT_EQ(ZRVBase::FIFOLength, c.fifo);
    EXPECT_EQ(ZRVBase::NumberDacChannels, 4);
    EXPECT_EQ(ZRVBase::NumberAdcChannels, 8);
    EXPECT_EQ(ZRVBase::MaxOutVolts, 10.24);
    EXPECT_EQ(ZRVBase::MinInVolts, -10.24);
    EXPECT_EQ(ZRVBase::MinSamplingTime, 5e-6);
    EXPECT_EQ(ZRVBase::MaxSamplingTime, 0.05);
    EXPECT_EQ(ZRV::GetActiveUnits(), 1);
  }
}

TEST_F(ZRVTables, CheckSampleIntervalClampsAndRoundsToTicks) {
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV24), 0);
  EXPECT_DOUBLE_EQ(ZRV::CheckSampleInterval(1e-6), 5e-6);
  EXPECT_DOUBLE_EQ(ZRV::CheckSampleInterval(0.2), 0.05);
  EXPECT_DOUBLE_EQ(ZRV::CheckSampleInterval(12.3e-6), 12e-6);
  EXPECT_DOUBLE_EQ(ZRV::CheckSampleInterval(12.5e-6), 13e-6);
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV28), 0);
  EXPECT_DOUBLE_EQ(ZRV::CheckSampleInterval(12.3e-6), 12.5e-6);
}

TEST_F(ZRVTables, PhysicalChannelsOfAZRVFrame) {
  const std::vector<std::pair<std::int32_t, std::int32_t>> table = {
      {0, 1}, {1, 1}, {2, 2}, {3, 4}, {4, 4}, {5, 5}, {6, 8}, {8, 8}, {9, 10},
      {10, 10}, {11, 16}, {16, 16}, {17, 20}, {20, 20}, {21, 21}, {22, 22},
  };
  for (const auto& [channels, slots] : table) {
    EXPECT_EQ(ZRV::PhysicalChannels(channels, 0), slots) << channels;
    EXPECT_EQ(ZRV::PhysicalChannels(0, channels), slots) << channels;
  }
  EXPECT_EQ(ZRV::PhysicalChannels(3, 2), 4);
  EXPECT_EQ(ZRV::PhysicalChannels(-3, -5), -3);
}

struct IntervalCase {
  ZRVBase::BoardType type;
  std::vector<std::int32_t> dacs;
  std::vector<std::int32_t> adcs;
  double interval;
  double ran;
  double sampleInterval;
  std::int32_t compression;
};

TEST_F(ZRVTables, IntervalAndCompressionOfEveryBoardType) {
  const std::vector<IntervalCase> cases = {
      // ZRV-28: 3 DACs and 2 ADCs run 4 slots of 25 us (20 ticks of 1.25 us).
      {ZRVBase::BoardZRV28, {0, 1, 2}, {0, 1}, 100e-6, 100e-6, 25e-6, 1},
      {ZRVBase::BoardZRV24, {0}, {0}, 12.3e-6, 12e-6, 12e-6, 1},
      {ZRVBase::BoardZRV24, {0}, {0}, 1e-6, 5e-6, 5e-6, 1},
      // Long intervals run on the fast clock, compressed.
      {ZRVBase::BoardZRV24, {0}, {0}, 0.2, 0.2, 0.05, 4},
      {ZRVBase::BoardZRV24, {0}, {0}, 0.12, 0.1, 0.05, 2},
      {ZRVBase::BoardZRV24, {0, 1}, {0, 1}, 0.3, 0.3, 0.05, 3},
      // QRN 5+5: ADC 0-4 take 3 slots, which run as 4: a frame of 20 us;
      // 50 us is 2.5 frames and rounds to 3.
      {ZRVBase::BoardQRN55, {}, {0, 1, 2, 3, 4}, 50e-6, 60e-6, 20e-6, 1},
      {ZRVBase::BoardQRN55, {}, {0}, 1e-6, 5e-6, 5e-6, 1},
      {ZRVBase::BoardQRN55, {0}, {0}, 0.12, 0.1, 5e-6, 2},
      // QRN 2400: ADC 0 and 1 share a converter group: 2 slots of 5 us.
      {ZRVBase::BoardQRN2400, {}, {0, 1}, 25e-6, 30e-6, 10e-6, 1},
      {ZRVBase::BoardQRN2400, {}, {0, 4}, 25e-6, 25e-6, 5e-6, 1},
  };
  for (const IntervalCase& c : cases) {
    ASSERT_EQ(ZRV::SetBoardType(c.type), 0);
    double interval = c.interval;
    double sample = 0.0;
    std::int32_t compression = 0;
    ASSERT_TRUE(ZRV::GetIntervalAndCompression(0, static_cast<std::int32_t>(c.dacs.size()),
                                               static_cast<std::int32_t>(c.adcs.size()), c.dacs,
                                               c.adcs, interval, sample, compression))
        << int{c.type} << " " << c.interval;
    EXPECT_NEAR(interval, c.ran, 1e-12) << int{c.type} << " " << c.interval;
    EXPECT_NEAR(sample, c.sampleInterval, 1e-12) << int{c.type} << " " << c.interval;
    EXPECT_EQ(compression, c.compression) << int{c.type} << " " << c.interval;
  }
}

void ExpectOffsets(const std::vector<double>& offsets, const std::vector<double>& expected) {
  ASSERT_EQ(offsets.size(), expected.size());
  for (std::size_t i = 0; i < offsets.size(); ++i) EXPECT_NEAR(offsets[i], expected[i], 1e-12) << i;
}

TEST_F(ZRVTables, OffsetsWithinAFrame) {
  std::vector<double> dacOffsets(3, -1.0);
  std::vector<double> adcOffsets(3, -1.0);
  const std::vector<std::int32_t> dacs = {0, 1, 2};
  const std::vector<std::int32_t> adcs = {0, 1, 2};

  // ZRV-24: 4 slots of 10 us, the i-th channel in the i-th slot.
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV24), 0);
  double interval = 40e-6;
  ASSERT_TRUE(ZRV::GetOffsets(0, 3, 3, dacs, adcs, interval, dacOffsets, adcOffsets));
  ExpectOffsets(dacOffsets, {0.0, 10e-6, 20e-6});
  ExpectOffsets(adcOffsets, {0.0, 10e-6, 20e-6});

  // ZRV-28: the inputs lag a frame less one slot.
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV28), 0);
  interval = 40e-6;
  ASSERT_TRUE(ZRV::GetOffsets(0, 3, 3, dacs, adcs, interval, dacOffsets, adcOffsets));
  ExpectOffsets(dacOffsets, {0.0, 0.0, 0.0});
  ExpectOffsets(adcOffsets, {-30e-6, -30e-6, -30e-6});

  // QRN 2400: DAC 0 and 1 share slot 1, DAC 2 takes slot 2; ADC 0, 1, 2
  // (one converter group) take slots 1, 2, 3.
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardQRN2400), 0);
  interval = 40e-6;
  ASSERT_TRUE(ZRV::GetOffsets(0, 3, 3, dacs, adcs, interval, dacOffsets, adcOffsets));
  ExpectOffsets(dacOffsets, {0.0, 0.0, 5e-6});
  ExpectOffsets(adcOffsets, {0.0, 5e-6, 10e-6});
}

TEST_F(ZRVTables, CompressDataTakesTheFirstOrAveragesAGroup) {
  // Two channels interleaved, compression 4.
  std::vector<std::int16_t> source;
  for (std::int16_t i = 0; i < 16; ++i) {
    source.push_back(i);
    source.push_back(static_cast<std::int16_t>(-i));
  }
  struct Case {
    std::int32_t averaging;
    std::int32_t channel;
    std::vector<std::int16_t> out;
  };
  const std::vector<Case> cases = {
      {8, 0, {1, 5, 9, 13}},      // (0+1+2+3)/4 = 1 (truncated)
      {8, 1, {-1, -5, -9, -13}},  // toward zero
      {1, 0, {0, 4, 8, 12}},
      {2, 0, {0, 4, 8, 12}},      // (0+1)/2, (4+5)/2 ...
      {3, 1, {-1, -5, -9, -13}},
  };
  for (const Case& c : cases) {
    std::vector<std::int16_t> out(4, 99);
    ZRV::CompressData(source.data() + c.channel, out.data(), 4, 4, c.averaging, 2);
    EXPECT_EQ(out, c.out) << c.averaging << " " << c.channel;
  }
  ZRV::CompressData(source.data(), nullptr, 4, 4, 8, 2);
}

TEST_F(ZRVTables, FillDacCacheInterleavesAndRepeats) {
  const std::vector<std::int16_t> a = {10, 11, 12, 13};
  const std::vector<std::int16_t> b = {20, 21, 22, 23};
  const std::int16_t* both[2] = {a.data(), b.data()};
  std::vector<std::int16_t> cache(12, 0);
  ZRV::FillDacCache(2, 3, 2, both, 0, cache.data());
  EXPECT_EQ(cache, (std::vector<std::int16_t>{10, 20, 10, 20, 11, 21, 11, 21, 12, 22, 12, 22}));
  std::fill(cache.begin(), cache.end(), 0);
  ZRV::FillDacCache(2, 3, 1, both, 1, cache.data());
  EXPECT_EQ(cache, (std::vector<std::int16_t>{11, 21, 12, 22, 13, 23, 0, 0, 0, 0, 0, 0}));
  std::fill(cache.begin(), cache.end(), 0);
  ZRV::FillDacCache(1, 4, 1, both, 0, cache.data());
  EXPECT_EQ(cache, (std::vector<std::int16_t>{10, 11, 12, 13, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ZRVTables, ZRV28InputRangesScaleTheirMappedInput) {
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV28), 0);
  EXPECT_EQ(ZRV::SetInputRange(2, 2), 2);
  EXPECT_EQ(ZRVBase::AdcUnitsPerVolt[2], 16000.0);
  EXPECT_EQ(ZRV::SetInputRange(2, 7), 0);
  EXPECT_EQ(ZRVBase::AdcUnitsPerVolt[2], 3200.0);
  EXPECT_EQ(ZRV::SetInputRange(8, 1), 0);  // beyond the board's 8 inputs

  // Remapped, row 1 is input 4; recomputing the factors keeps its range.
  ZRV::SetRemap(1, 0);
  EXPECT_EQ(ZRV::SetInputRange(1, 3), 3);
  EXPECT_EQ(ZRVBase::AdcUnitsPerVolt[4], 32000.0);
  EXPECT_EQ(ZRVBase::AdcUnitsPerVolt[1], 3200.0);
  ZRV::EnableScaling(false);
  EXPECT_EQ(ZRVBase::AdcUnitsPerVolt[4], 32000.0);
  EXPECT_EQ(ZRVBase::AdcUnitsPerVolt[1], 3200.0);
  EXPECT_EQ(ZRV::AdcUnitsToVolts(4, 16000), 0.5);

  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV24), 0);
  EXPECT_EQ(ZRV::SetInputRange(1, 3), 0);
  EXPECT_EQ(ZRVBase::AdcUnitsPerVolt[4], 3200.0);
}

TEST_F(ZRVTables, AClosedLayerAnswersWithoutABoard) {
  ZRV::SetDigital(ZRV::DigitalOut, 0xA5C3);
  EXPECT_EQ(ZRV::GetDigitalOutState(), 0xA5C3);
  EXPECT_EQ(ZRV::ReadDigitalIO(), 0xA5C3);
  EXPECT_EQ(ZRV::SetDacReal(14, 1.0), 14);
  EXPECT_EQ(ZRV::SetDacReal(3, 1.0), 0);
  EXPECT_EQ(ZRV::ReadAdc(0), 0);
  EXPECT_EQ(ZRV::ReadDigital(ZRV::DigitalIn), 0);
  EXPECT_EQ(ZRV::ReadClippingAndClear(), 0);
  EXPECT_EQ(ZRV::GetReadAvailable(), ZRVBase::FIFOLength);

  std::vector<std::int16_t> stimulus = {1, 2, 3, 4};
  std::vector<std::int16_t> data(6, 7);
  double interval = 1e-4;
  EXPECT_TRUE(ZRV::Sample(0, interval, data, 10));
  EXPECT_EQ(data, (std::vector<std::int16_t>(6, 0)));
  EXPECT_TRUE(ZRV::StimAndSample(0, 0, interval, stimulus, data, 6));
  EXPECT_EQ(data, (std::vector<std::int16_t>{1, 2, 3, 4, 0, 0}));
  EXPECT_TRUE(ZRV::StimAndSample(0, 0, interval, stimulus, std::span<std::int16_t>(stimulus), 4));
  EXPECT_EQ(stimulus, (std::vector<std::int16_t>{1, 2, 3, 4}));

  std::vector<double> volts(3, 5.0);
  std::vector<std::uint16_t> words(2, 9);
  EXPECT_TRUE(ZRV::ReadAll(volts, words, 1e-5));
  EXPECT_EQ(volts, (std::vector<double>{0.0, 0.0, 0.0}));
  EXPECT_EQ(words, (std::vector<std::uint16_t>{0xA5C3, 0}));
}

TEST_F(ZRVTables, NoADBoardNeverOpens) {
  EXPECT_FALSE(ZRV::InitInterface(ZRVBase::BoardNone));
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
  EXPECT_EQ(ErrorText(), "Unknown AD/DA-board. ?");
  EXPECT_EQ(ZRV::GetLastError(), -1);
}

}  // namespace
