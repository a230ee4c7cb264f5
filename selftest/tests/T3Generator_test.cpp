// The test-signal generator on the simulated rack, read back from the
// record of every DA conversion: the square periods with their trigger
// pulse, Stop, the switch time course, and buffers that are too small.

#include <cmath>
#include <utility>
#include <vector>

#include "SelftestRack_fixture.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "selftest/T3Generator.h"
#include "sim/ZRVLibrary/ZRVSim.h"

namespace {

class GeneratorRack : public SelftestRack {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SelftestRack::SetUp());
    ASSERT_NO_FATAL_FAILURE(StartBoard(0));
    record_->Clear();
  }

  // What a DAC drives now: the last conversion of a QRN 5+5, the board's
  // outputs elsewhere (the QRN 2400 sets single values without converting).
  double DacVolts(int dac) const {
    if (Board() == ZRVBase::BoardQRN55) return record_->Conversions().back().volts[static_cast<std::size_t>(dac)];
    ZRVSimBoardState board{};
    ZRVSim_GetBoardState(Board(), &board);
    return board.outputs.dac_volts[dac];
  }

  // The conversions of the record, one per frame: a board that reports
  // every slot of a frame is reduced to the frame's first report.
  std::vector<DacConversion> Frames(double frameSeconds) const {
    std::vector<DacConversion> frames;
    for (const DacConversion& c : record_->Conversions()) {
      if (!frames.empty() && c.sweepSeconds - frames.back().sweepSeconds < 0.5 * frameSeconds &&
          c.sweepSeconds >= frames.back().sweepSeconds) {
        continue;
      }
      frames.push_back(c);
    }
    return frames;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, GeneratorRack, ::testing::Values(ZRVBase::BoardQRN55, ZRVBase::BoardQRN2400),
                         BoardName);

TEST_P(GeneratorRack, TwoSquarePeriodsWithTheTriggerPulse) {
  constexpr std::int32_t kDac = 0;
  constexpr std::int32_t kTrig = 1;
  const std::int32_t adc = T3Types::State.MuxAdc;
  const struct {
    std::int32_t n;
    std::size_t trigger;
  } cases[] = {{64, 31}, {256, 121}, {1024, 481}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    double u = 2.0;
    ZRV::VoltsToDacUnits(kDac, u);
    const double interval = 1e-5;
    const double run = ZRV::CheckSampleInterval(2 * interval);
    std::vector<std::int16_t> data(static_cast<std::size_t>(c.n) + 1, 0x5555);
    record_->Clear();
    ASSERT_TRUE(T3Generator::StimAndSample(kDac, kTrig, adc, 2.0, interval, c.n, data));
    const std::vector<DacConversion> frames = Frames(run);
    // A board may run on past the sweep until it is halted, holding its
    // last sample.
    const std::size_t m = static_cast<std::size_t>(c.n) + 1;
    ASSERT_GE(frames.size(), m);
    const std::size_t q = static_cast<std::size_t>(c.n) / 4;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const double expected = i >= m - 1 ? 0.0 : (i / q) % 2 == 0 ? u : -u;
      ASSERT_NEAR(frames[i].volts[kDac], expected, 1e-3) << "sample " << i;
      ASSERT_NEAR(frames[i].volts[kTrig], i == c.trigger ? 5.0 : 0.0, 1e-3) << "sample " << i;
      if (i > 0 && i < m) {
        ASSERT_NEAR(frames[i].sweepSeconds - frames[i - 1].sweepSeconds, run, run * 1e-6) << i;
      }
    }
    EXPECT_EQ(T3Generator::GeneratorDac, kDac);
    EXPECT_EQ(T3Generator::GeneratorTrigDac, kTrig);
    EXPECT_NE(data[0], 0x5555);
  }
}

TEST_P(GeneratorRack, StopZeroesTheGeneratorsDacsButNotANegativeTrigger) {
  // Before any sweep it only halts.
  T3Generator::Stop();
  EXPECT_TRUE(record_->Conversions().empty());

  std::vector<std::int16_t> data(257);
  ASSERT_TRUE(T3Generator::StimAndSample(0, 1, T3Types::State.MuxAdc, 1.0, 1e-5, 256, data));
  ZRV::SetDacReal(0, 1.5);
  ZRV::SetDacReal(1, 1.5);
  T3Generator::Stop();
  EXPECT_NEAR(DacVolts(0), 0.0, 1e-3);
  EXPECT_NEAR(DacVolts(1), 0.0, 1e-3);

  ASSERT_TRUE(T3Generator::StimAndSample(0, -1, T3Types::State.MuxAdc, 1.0, 1e-5, 256, data));
  EXPECT_EQ(T3Generator::GeneratorTrigDac, -1);
  ZRV::SetDacReal(0, 1.5);
  ZRV::SetDacReal(1, 1.5);
  T3Generator::Stop();
  EXPECT_NEAR(DacVolts(0), 0.0, 1e-3);
  EXPECT_NEAR(DacVolts(1), 1.5, 1e-3);
  EXPECT_EQ(T3Generator::GeneratorTrigDac, -1);
}

// The test DAC into the test integrator, read on multiplexer 4 (test range
// 2, the 1 pF capacitor) and 2 (test range 3, the 10 pF one), settled.
TEST_P(GeneratorRack, TheTriangleGivesTheIntegratorsRateInBothTestRanges) {
  const AmplifierAnalogTruths truths;
  const struct {
    std::int32_t range;
    std::uint8_t mux;
    double rate;
  } cases[] = {{2, 4, truths.integrator_rate[0]}, {3, 2, truths.integrator_rate[1]}};
  T3Panel::SetMode(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range);
    T3Panel::SetTestRange(c.range);
    T3Panel::SetTestDacPath(4);
    T3Panel::SetMux(c.mux);
    VrnlBoards::Wait(10);
    EXPECT_NEAR(T3Generator::TriangleGain(T3Types::State.ExtStimDac, T3Types::State.MuxAdc, 5.0), c.rate,
                0.01 * c.rate);
  }
}

TEST_P(GeneratorRack, BuffersTooSmallPlayNothing) {
  std::vector<std::int16_t> data(256);
  EXPECT_FALSE(T3Generator::StimAndSample(0, 1, 7, 1.0, 1e-5, 256, data));
  std::vector<std::int16_t> big(9000);
  EXPECT_FALSE(T3Generator::StimAndSample(0, 1, 7, 1.0, 1e-5, 8000, big));
  EXPECT_FALSE(T3Generator::StimAndSample(0, 1, 7, 1.0, 1e-5, -2, data));
  EXPECT_FALSE(T3Generator::SwitchTimeCourse(40, 10, 0, 7, 1e-5, 257, data));
  EXPECT_FALSE(T3Generator::SwitchTimeCourse(40, 256, 0, 7, 1e-5, 256, data));
  EXPECT_FALSE(T3Generator::SwitchTimeCourse(40, -1, 0, 7, 1e-5, 256, data));
  EXPECT_TRUE(record_->Conversions().empty());
  EXPECT_EQ(T3Generator::GeneratorDac, -1);
}

// The multiplexer latch from channel 5 (grounded) to channel 13 (the test
// DAC at 1 V) played as one switch change: the word at the strobe sample is
// the only strobe on the port, and the samples step there.
TEST_P(GeneratorRack, TheSwitchTimeCourseStepsAtTheStrobe) {
  T3Panel::SetMux(5);
  ZRV::SetDacReal(T3Types::State.ExtStimDac, 1.0);
  VrnlBoards::FlushCache();
  T3Set::Set4Switches(41, 13);
  const std::uint16_t word = T3Set::SwitchValueToSend(40);
  const std::int32_t address = (word >> 8) & 0x3F;
  const std::int32_t byte = word & 0xFF;
  std::vector<std::int16_t> buffer(200);
  record_->Clear();
  ASSERT_TRUE(T3Generator::SwitchTimeCourse(address, 60, byte, T3Types::State.MuxAdc, 1e-5, 200, buffer));
  int strobes = 0;
  std::size_t at = 0;
  const std::vector<DacConversion> frames = Frames(ZRV::CheckSampleInterval(1e-5));
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if ((frames[i].tlvWord & 0x4000) != 0) continue;
    ++strobes;
    at = i;
    EXPECT_EQ(frames[i].tlvWord, (byte | 0x8000) + address * 256);
  }
  EXPECT_EQ(strobes, 1);
  EXPECT_EQ(at, 60u);
  const double oneVolt = ZRVBase::AdcUnitsPerVolt[T3Types::State.MuxAdc];
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    if (i < 60) {
      ASSERT_LT(std::abs(buffer[i]), 0.01 * oneVolt) << i;
    } else if (i > 62) {
      ASSERT_NEAR(buffer[i], oneVolt, 0.01 * oneVolt) << i;
    }
  }
  EXPECT_EQ(rack_->Rack(0).Board(0).Elements()[41] & 0xF, 13);
}

}  // namespace

namespace {

// The integrator's rate from its triangle, on a board whose DAC 0 drives
// ADC 0 through an ideal integrator of a known rate.
class TriangleBench : public MeasurementBench {};

INSTANTIATE_TEST_SUITE_P(Boards, TriangleBench, ::testing::Values(ZRVBase::BoardZRV28, ZRVBase::BoardQRN55),
                         BoardName);

AnalogCircuit Integrator(double rate) {
  AnalogCircuit::Block block;
  block.order = 1;
  block.a = {0.0};
  block.b = {rate};
  block.c = {1.0};
  block.d = 0.0;
  return AnalogCircuit::Linear(block);
}

TEST_P(TriangleBench, TheRateOfTheTriangleIsThePathsRate) {
  for (const auto& [rate, amplitude] : {std::pair{400.0, 1.0}, std::pair{2000.0, 0.5}, std::pair{-1000.0, 0.8}}) {
    SCOPED_TRACE(rate);
    Connect(Integrator(rate));
    EXPECT_NEAR(T3Generator::TriangleGain(kDac, kAdc, amplitude), rate, std::fabs(rate) * 0.01);
  }
  EXPECT_EQ(T3Generator::TriangleGain(kDac, kAdc, 0.0), 1e-10);
  // Below the DAC's step the amplitude plays as 0.
  EXPECT_EQ(T3Generator::TriangleGain(kDac, kAdc, 1e-6), 1e-10);
}

}  // namespace
