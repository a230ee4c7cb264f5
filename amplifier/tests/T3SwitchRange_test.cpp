// The timed range switch on the simulated racks: what the boards decoded
// from the sweep's samples, latch by latch with their instants, beside the
// external-stimulus DAC's levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3SwitchRange.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/BoardRack_fixture.h"
#include "sim/ZRVLibrary/ZRVSim.h"

namespace {

constexpr double kSample = 1e-5;
constexpr int kTestIntegrator = 39;
constexpr int kProbeResistor = 40;
constexpr int kTestInjection = 42;

struct Change {
  int address;
  std::uint16_t value;
  int sample;  // the sweep's sample that latched it
};

// The changes of the sweep's latches since the index, by the sample that
// latched them.
std::vector<Change> SweepChanges(const AmplifierBoardElements& board, std::size_t from) {
  std::vector<Change> changes;
  const auto& all = board.LatchChanges();
  for (std::size_t i = from; i < all.size(); ++i) {
    const LatchChange& c = all[i];
    if (c.address != kTestIntegrator && c.address != kProbeResistor && c.address != kTestInjection) continue;
    changes.push_back({c.address, c.value, static_cast<int>(std::lround(c.at.sweep_seconds / kSample))});
  }
  return changes;
}

struct Level {
  double volts;
  int sample;
};

// The DAC's levels from its first -6 V on, four of them: the two holds and
// the rests after them.
std::vector<Level> HoldLevels(const AmplifierRack& rack, int dac) {
  std::vector<Level> levels;
  double last = 1e9;
  for (const DacLevel& level : rack.DacLevels()) {
    const double volts = level.volts[static_cast<std::size_t>(dac)];
    if (levels.empty() && std::abs(volts + 6.0) > 0.01) continue;
    if (std::abs(volts - last) < 1e-9) continue;
    last = volts;
    levels.push_back({volts, static_cast<int>(std::lround(level.at.sweep_seconds / kSample))});
    if (levels.size() == 4) break;
  }
  return levels;
}

void ExpectTheSweep(const AmplifierBoardElements& board, std::size_t from, std::uint16_t resistor,
                    const AmplifierRack& rack, int dac) {
  const std::vector<Change> changes = SweepChanges(board, from);
  ASSERT_EQ(changes.size(), 5u);
  const Change expected[] = {{kTestInjection, 4, 6},
                             {kTestIntegrator, 4, 9},
                             {kProbeResistor, resistor, 1011},
                             {kTestInjection, 0, 1014},
                             {kTestIntegrator, 0, 2016}};
  for (std::size_t i = 0; i < changes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(changes[i].address, expected[i].address);
    EXPECT_EQ(changes[i].value, expected[i].value);
    EXPECT_NEAR(changes[i].sample, expected[i].sample, 1);
  }
  const std::vector<Level> levels = HoldLevels(rack, dac);
  ASSERT_EQ(levels.size(), 4u);
  const Level holds[] = {{-6.0, 9}, {0.0, 1009}, {-6.0, 1014}, {0.0, 2019}};
  for (std::size_t i = 0; i < levels.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(levels[i].volts, holds[i].volts, 0.001);
    EXPECT_NEAR(levels[i].sample, holds[i].sample, 1);
  }
}

// One board with the analog side, whose multiplexer reads the test DAC
// (the external stimulus DAC of these boards) with its offset.
class SwitchRange : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override {
    AmplifierRackConfig config = Racks(1, 1, Board() == ZRVBase::BoardZRV24 ? 'D' : 'S');
    config.analog = true;
    config.boards[0].analog.mux_offset_volts = muxOffset_;
    return config;
  }
 public:
  // What the external stimulus DAC gives now.
  double ExtStimVolts() {
    ZRV::ReadAdc(0);
    return Rack().DacLevels().back().volts[static_cast<std::size_t>(T3Types::State.ExtStimDac)];
  }

 protected:
  double muxOffset_ = 0.0025;
};

INSTANTIATE_TEST_SUITE_P(Boards, SwitchRange,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardQRN2400), BoardName);

TEST_P(SwitchRange, TheTriplesFallBetweenHoldsAtMinusSixVolts) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  for (const int range : {0, 2, 1}) {
    SCOPED_TRACE(range);
    const std::size_t from = Elements(0, 0).LatchChanges().size();
    const std::uint8_t mux = T3Types::State.Mux;
    ASSERT_TRUE(T3SwitchRange::NewRange(range));
    const std::uint16_t p = T3Scale::Scale.Range[static_cast<std::size_t>(range)].ProbeResistor;
    const auto resistor =
        static_cast<std::uint16_t>((Elements(0, 0).Element(kProbeResistor) & 3) | (p & 3) << 2);
    ExpectTheSweep(Elements(0, 0), from, resistor, Rack(), T3Types::State.ExtStimDac);
    VrnlBoards::FlushCache();
    EXPECT_EQ(T3Types::State.Mux, mux);
    EXPECT_EQ(Elements(0, 0).Element(41), mux);
    EXPECT_EQ(T3Error::Error, 0);
  }
}

// The level read before the sweep is the DAC plus the multiplexer's
// offset; put back, it reads the offset high once more: from 1 mV on a
// correction takes it off.
void ExpectTheLevelPutBack(SwitchRange& test, double offset) {
  const double before = test.ExtStimVolts();
  ASSERT_TRUE(T3SwitchRange::NewRange(0));
  EXPECT_NEAR(test.ExtStimVolts(), offset >= 0.001 ? before : before + offset, 0.0004);
}

TEST_P(SwitchRange, TheStimulusLevelIsCorrectedFromOneMillivoltOff) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  ExpectTheLevelPutBack(*this, muxOffset_);
}

class SmallMuxOffset : public SwitchRange {
 protected:
  SmallMuxOffset() { muxOffset_ = 0.0005; }
};

INSTANTIATE_TEST_SUITE_P(Boards, SmallMuxOffset,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardQRN2400), BoardName);

TEST_P(SmallMuxOffset, TheStimulusLevelIsLeftBelowOneMillivoltOff) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  ExpectTheLevelPutBack(*this, muxOffset_);
}

TEST_P(SwitchRange, AFailedSweepGivesErrorTwentyThreeAfterTheRestoration) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Panel::SetTestDacPath(2);
  VrnlBoards::FlushCache();
  const std::uint8_t mux = T3Types::State.Mux;
  ZRVSimSettings settings{};
  ZRVSim_GetSettings(Board(), &settings);
  settings.stalled_units = 1;
  ZRVSim_SetSettings(Board(), &settings);
  EXPECT_FALSE(T3SwitchRange::NewRange(0));
  EXPECT_EQ(T3Error::Error, 23);
  EXPECT_EQ(T3Types::State.Mux, mux);
  EXPECT_EQ(T3Types::State.TestDacPath, 2);
  EXPECT_FALSE(T3Types::State.TestDacOff);
}

// ---- Racks of several boards ------------------------------------------------------

class SecondRack : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override { return Racks(2, 4); }
};

INSTANTIATE_TEST_SUITE_P(Boards, SecondRack, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(SecondRack, ABoardOfTheSecondRackIsSwitchedThere) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Panel::SetT3Board(5);
  T3Panel::LoadTheState();
  ASSERT_EQ(T3Types::State.CommandPortChannel, 12);
  std::vector<std::size_t> rack1;
  for (int board = 0; board < 4; ++board) rack1.push_back(Elements(0, board).LatchChanges().size());
  const std::size_t from = Elements(1, 1).LatchChanges().size();
  ASSERT_TRUE(T3SwitchRange::NewRange(2));
  const std::uint16_t p = T3Scale::Scale.Range[2].ProbeResistor;
  ExpectTheSweep(Elements(1, 1), from,
                 static_cast<std::uint16_t>((Elements(1, 1).Element(kProbeResistor) & 3) | (p & 3) << 2),
                 Rack(1), T3Types::State.ExtStimDac - 4);
  for (int board = 0; board < 4; ++board) {
    EXPECT_EQ(Elements(0, board).LatchChanges().size(), rack1[static_cast<std::size_t>(board)]) << board;
  }
}

// A multi-board TLV 3: every board's test DAC path is open during the
// sweep and back afterwards.
class MultiBoard : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override { return Racks(1, 4, 'D'); }
};

INSTANTIATE_TEST_SUITE_P(Boards, MultiBoard, ::testing::Values(ZRVBase::BoardZRV24), BoardName);

TEST_P(MultiBoard, EveryBoardsTestDacPathIsOpenDuringTheSweep) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Base::IsTlv3N = true;
  for (const int board : {3, 2, 1}) {
    T3Panel::SetT3Board(board);
    T3Panel::LoadTheState();
  }
  T3Panel::SetTestDacPath(2);
  T3Panel::SetT3Board(0);
  T3Panel::LoadTheState();
  const std::uint16_t open = Elements(0, 1).Element(27);
  const std::size_t from1 = Elements(0, 1).LatchChanges().size();
  const std::size_t from0 = Elements(0, 0).LatchChanges().size();

  ASSERT_TRUE(T3SwitchRange::NewRange(0));
  VrnlBoards::FlushCache();
  EXPECT_EQ(T3Types::State.Board, 0);
  EXPECT_EQ(Elements(0, 1).Element(27), open);
  const auto& changes1 = Elements(0, 1).LatchChanges();
  std::vector<double> pathChanges;
  for (std::size_t i = from1; i < changes1.size(); ++i) {
    if (changes1[i].address == 27) pathChanges.push_back(changes1[i].at.clock_seconds);
  }
  ASSERT_EQ(pathChanges.size(), 2u);
  const auto& changes0 = Elements(0, 0).LatchChanges();
  const auto sweep = std::find_if(changes0.begin() + static_cast<std::ptrdiff_t>(from0), changes0.end(),
                                  [](const LatchChange& c) { return c.address == kTestInjection; });
  ASSERT_NE(sweep, changes0.end());
  EXPECT_LT(pathChanges[0], sweep->at.clock_seconds);
  EXPECT_GT(pathChanges[1], sweep->at.clock_seconds);
}

}  // namespace
