// The analog stages of a simulated board as the program sets them with its
// panel and reads them through the AD/DA layer, on every AD/DA board, each
// on a board of its rack that is not the first (on the QRN 2400 one of the
// second rack): the signatures of the board and of an absent one, the
// current monitor's gain per range and output gain, filter 1 and filter 2
// by chirp, the voltage monitor, and clipping as the panel reads it. The
// expectations are the rack's own truths, not the panel's defaults, which
// lie a few per cent off them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/ADMeasure.h"
#include "acquisition/ChirpReal.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/BoardRack_fixture.h"

namespace {

constexpr double kStimulusPerVolt = 0.1;
constexpr std::int32_t kChirpLength = 4096;
constexpr std::int32_t kChirpRepeats = 2;

// The rack of each AD/DA board: its racks and boards, their letter, the
// board under test and one that is absent.
struct RackLayout {
  int racks;
  int boards;
  char letter;
  int board;
  int absent;
};

RackLayout LayoutOf(ZRVBase::BoardType type) {
  switch (type) {
    case ZRVBase::BoardZRV24: return {1, 2, 'D', 0, 1};
    case ZRVBase::BoardZRV28: return {1, 2, 'Q', 1, 0};
    case ZRVBase::BoardQRN2400: return {2, 2, 'S', 3, 2};
    default: return {1, 4, 'T', 2, 3};
  }
}

class PanelStages : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override {
    const RackLayout layout = LayoutOf(Board());
    AmplifierRackConfig config = Racks(layout.racks, layout.boards, layout.letter);
    config.analog = true;
    for (AmplifierBoardConfig& board : config.boards) board.analog.cell = AmplifierCell::Resistor(10e6);
    const int rack = layout.absent / layout.boards;
    config.boards[static_cast<std::size_t>(rack * AmplifierRackConfig::kBoardsPerRack + layout.absent % layout.boards)]
        .present = false;
    return config;
  }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(BoardRackTest::SetUp());
    const RackLayout layout = LayoutOf(Board());
    ASSERT_NO_FATAL_FAILURE(StartCore());
    // A rack of several boards, each with its letter's options, as the
    // version strings make it.
    T3Base::IsTlv3N = T3Types::State.IsTlv3N = true;
    ASSERT_TRUE(T3Init::BoardVersionToHardwareVersion(layout.letter, T3Base::HardwareVersion));
    T3Init::SetAdcAndDacFields();
    board_ = layout.board;
    // Every board's state replayed as the program starts them, the board
    // under test last; the reads dropped after a switch behind us.
    for (int board = T3Base::T3Boards - 1; board >= 0; --board) {
      T3Panel::SetT3Board(board);
      T3Panel::LoadTheState();
    }
    T3Panel::SetT3Board(board_);
    for (int read = 0; read < T3Base::ClippingSkipCount; ++read) T3Panel::ReadClipping();
    ASSERT_EQ(T3Error::Error, 0);
  }

  int RackBoard() const { return board_ % LayoutOf(Board()).boards; }
  AmplifierRack& BoardsRack() { return Rack(board_ / LayoutOf(Board()).boards); }
  const AmplifierAnalogTruths& Truths() { return BoardsRack().Model(RackBoard())->Truths(); }
  void UseCell(const AmplifierCell& cell) { BoardsRack().SwitchModelCircuit(RackBoard(), cell); }

  // The gain from the stimulus DAC to an AD input for a square wave.
  static double Gain(std::int32_t adc, double amplitude, bool mux = false) {
    return T3Measure::Gain(T3Types::State.StimDac, adc, amplitude, false, mux);
  }

  // The transfer function (gains, then phases) from the stimulus DAC to an
  // AD input by chirp, sampled at interval.
  static std::vector<float> Chirp(std::int32_t adc, double amplitude, double interval, bool mux = false) {
    std::vector<float> work(4 * kChirpLength);
    std::vector<std::int16_t> data(kChirpLength * (kChirpRepeats + 1));
    EXPECT_TRUE(ChirpReal::MakeChirp(kChirpLength, work));
    T3Panel::SetQTestDac(false);
    T3Panel::SetQMuxAdc(mux);
    std::int32_t codes = 0;
    const std::int32_t dac = T3Types::State.StimDac;
    EXPECT_TRUE(ChirpReal::AcquireAverage(dac, adc, amplitude, interval, kChirpLength, kChirpRepeats, 1, work, data,
                                          codes));
    EXPECT_TRUE(ChirpReal::TransformResponse(kChirpLength, codes, -360.0, dac, adc, interval, work));
    return {work.begin(), work.begin() + 2 * kChirpLength};
  }

  int board_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Boards, PanelStages,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28, ZRVBase::BoardQRN2400,
                                           ZRVBase::BoardQRN55),
                         BoardName);

// Multiplexer 10 shows minus the stimulus DAC on a board that answers, and
// nothing with an absent board selected; the newer boards show the chip
// select's 5 V on channel 1 beside 0 V on channel 5, the old ones not.
TEST_P(PanelStages, Signatures) {
  T3Panel::SetMux(10);
  EXPECT_NEAR(Gain(T3Types::State.MuxAdc, 1.0, true), -1.0, 0.005);
  EXPECT_TRUE(T3Init::MuxGainResponding()) << T3Error::Error;
  EXPECT_EQ(T3Init::HasChipSelectForEEPROM(), LayoutOf(Board()).letter >= 'E');
  T3Panel::SetT3Board(LayoutOf(Board()).absent);
  EXPECT_LT(T3Init::GetMuxGain(), 0.1);
}

// The current monitor per gain range and output gain (range 2 on 10 GOhm,
// where 10 MOhm leaves no step the DAC can make within the monitor's
// range), against the truths of the stimulus and the range.
TEST_P(PanelStages, MonitorGainPerRangeAndOutputGain) {
  struct Case {
    int range;
    int gain;
    double cell_ohms;
    double amplitude;
  };
  const double factors[] = {1, 2, 4, 10, 20, 40};
  const std::vector<Case> cases = {{0, 0, 10e6, 5.0}, {0, 1, 10e6, 5.0}, {0, 2, 10e6, 5.0}, {0, 3, 10e6, 2.0},
                                   {0, 4, 10e6, 1.0}, {0, 5, 10e6, 0.5}, {1, 0, 10e6, 0.2}, {1, 2, 10e6, 0.2},
                                   {2, 0, 10e9, 2.0}, {2, 3, 10e9, 0.2}};
  for (const Case& c : cases) {
    SCOPED_TRACE("range " + std::to_string(c.range) + " gain " + std::to_string(c.gain));
    UseCell(AmplifierCell::Resistor(c.cell_ohms));
    T3Panel::SetRange(c.range);
    T3Panel::SetGain(c.gain);
    const double expected = kStimulusPerVolt * Truths().stimulus_gain / c.cell_ohms *
                            Truths().range_gain[static_cast<std::size_t>(c.range)] * factors[c.gain];
    EXPECT_NEAR(Gain(T3Types::State.ImonAdc, c.amplitude), expected, 0.003 * expected);
  }
}

// Filter 1 on the multiplexer's filter-1 channel, with the first-order
// response of the wide stimulus filter ahead of it divided out by its truth;
// filter 2 on the current monitor over the multiplexer's current monitor 1
// (ahead of it), both behind filter 1 at 10 kHz. Each by chirp, within 2 %
// of the truths: of filter 1's corners, and of filter 2's as the panel sets
// it with a scale record of the truths. The lines measured roll off steeply
// enough that the DAC's images do not fold back onto them.
TEST_P(PanelStages, FilterCornersByChirp) {
  constexpr double kInterval = 5e-6;
  // The board's timing, which the chirp's transform removes. The simulated
  // rack's lines run without the AD/DA board's output and input stages:
  // none to remove.
  T3AD::GetCorrections(Board(), ADMeasure::DacToAdcDelay, ADMeasure::InputFilterTau, ADMeasure::OutputFilterTau,
                       ADMeasure::SampleCorrection);
  ADMeasure::InputFilterTau = ADMeasure::OutputFilterTau = 0.0;
  UseCell(AmplifierCell::Resistor(1e6));
  T3Panel::SetRange(0);
  T3Panel::SetGain(3);
  T3Panel::SetStimFilter(0);
  T3Panel::SetMux(7);
  const double stimulusHz = Truths().stimulus_filter_hz[0];
  for (const int index : {1, 2}) {
    SCOPED_TRACE("filter 1 index " + std::to_string(index));
    T3Panel::SetFilter1(index);
    std::vector<float> filter1 = Chirp(T3Types::State.MuxAdc, 2.0, kInterval, true);
    for (std::int32_t bin = 1; bin < kChirpLength / 2; ++bin) {
      const double hz = bin / (kChirpLength * kInterval);
      filter1[static_cast<std::size_t>(bin)] *= static_cast<float>(std::hypot(1.0, hz / stimulusHz));
    }
    const double truth = Truths().filter1_hz[static_cast<std::size_t>(index)];
    double hz = 0.0;
    EXPECT_TRUE(ChirpReal::FindMinus3db(kInterval, kChirpLength, filter1, truth / 4, hz));
    EXPECT_NEAR(hz, truth, 0.02 * truth);
  }

  // A scale record of the truths: filter 2's factors of each response, and
  // the newer law of the new kind of filter.
  T3Scale::ScaleRecord& scale = T3Scale::Scale;
  for (const int response : {0, 1}) {
    const std::array<double, 2> factors = Filter2Factors(Truths(), response == 1);
    scale.F2Var[static_cast<std::size_t>(response)] = {response == 1, factors[0], factors[1]};
  }
  scale.Filter2Law = 2;
  T3Types::State.Filter2Law = 2;
  T3Panel::SetFilter1(2);
  T3Panel::SetMux(14);
  struct Case {
    int response;
    double hz;
  };
  for (const Case& c : std::vector<Case>{{0, 10e3}, {0, 5e3}, {1, 10e3}}) {
    SCOPED_TRACE("filter 2 response " + std::to_string(c.response) + " at " + std::to_string(c.hz));
    T3Panel::SetF2Response(c.response);
    T3Panel::SetF2Frequency(c.hz);
    std::vector<float> filter2 = Chirp(T3Types::State.ImonAdc, 0.5, kInterval);
    EXPECT_GT(ChirpReal::TransferFunctionRatio(kChirpLength, filter2,
                                               Chirp(T3Types::State.MuxAdc, 0.5, kInterval, true), -360.0),
              0);
    double hz = 0.0;
    EXPECT_TRUE(ChirpReal::FindMinus3db(kInterval, kChirpLength, filter2, c.hz / 4, hz));
    EXPECT_NEAR(hz, T3Types::State.F2Frequency, 0.02 * T3Types::State.F2Frequency);
  }
}

// The voltage monitor in volts of pipette potential, by the factor the
// panel records for it, with and without x 100 and V-ref x 2 where the
// board has them.
TEST_P(PanelStages, VoltageMonitor) {
  for (const bool x100 : {false, true}) {
    for (const bool vrefX2 : {false, true}) {
      SCOPED_TRACE(std::string(x100 ? "x 100" : "x 10") + (vrefX2 ? ", V-ref x 2" : ""));
      T3Panel::SetVmonX100(x100);
      T3Panel::SetVrefX2(vrefX2);
      const double stimulus =
          kStimulusPerVolt * T3Panel::Get_VrefX2_Factor(T3Types::State.VrefX2) * Truths().stimulus_gain;
      EXPECT_NEAR(Gain(T3Types::State.VmonAdc, 0.05) * T3Types::State.VmonFactor, stimulus, 0.002 * stimulus);
    }
  }
}

// No clipping at 0 V in range 0 and gain 0; past 10 V the board's bit,
// held while the current monitor stays there and cleared by the read once
// it is back. Time passes on the voltage monitor's line: the QRN 5+5 flags
// an overloaded AD input of its own.
TEST_P(PanelStages, ClippingAsThePanelReadsIt) {
  EXPECT_TRUE(T3Init::TestClipping());
  const auto bit = static_cast<std::uint16_t>(1 << board_);
  T3Panel::SetRange(1);
  T3Panel::SetGain(3);
  const auto hold = [](double volts) {
    T3AD::SetDacReal(T3Types::State.StimDac, volts, false);
    double mean = 0.0;
    double rms = 0.0;
    T3Measure::MeanAndRms(T3Types::State.VmonAdc, 1e-4, 64, mean, rms, false);
  };
  hold(3.0);
  EXPECT_EQ(T3Panel::ReadClipping(), bit);
  EXPECT_EQ(T3Panel::ReadClipping(), bit);
  EXPECT_TRUE(T3Panel::IsClipping());
  hold(0.0);
  T3Panel::ReadClipping();
  EXPECT_EQ(T3Panel::ReadClipping(), 0);
  EXPECT_FALSE(T3Types::State.Clipping);
}

}  // namespace
