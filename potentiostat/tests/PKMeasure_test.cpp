// The PK measurement primitives on the simulated boards' analog model: the
// offset search on the voltage monitor and its offset DAC, the common-mode
// response of the ring amplifier's current sensing, the current noise.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRVBase.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKMeasure.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKCalibration_fixture.h"

namespace {

using PKTypes::State;

std::uint16_t offsetDac = 0;

// Sends the code and lets the monitor settle.
void ApplyVoltageOffset() {
  K5Set::VoltageOffsetDac(offsetDac);
  VrnlBoards::Wait(0.01);
}

class PKMeasureRack : public PKCalibrationRack {
 protected:
  // The board at its power-on set-up: no model cell, so the voltage
  // monitor shows its offset DAC alone.
  void Prepare(int amplifier) {
    UseAmplifier(amplifier);
    K5Set::InitHardware();
    VrnlBoards::FlushCache();
  }
};

INSTANTIATE_TEST_SUITE_P(QRN55, PKMeasureRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(PKMeasureRack, AdjustOffsetFindsTheZeroOrSaysWhy) {
  struct Row {
    const char* name;
    int amplifier;  // the ring's monitor falls with its DAC: inverted
    std::uint16_t start;
    std::int32_t upper;
    double timeout;
    bool converges;
    std::uint8_t error;
    int endsAt;  // -1: at the true zero
  };
  const Row rows[] = {
      {"rising", 0, 2047, 4095, 5.0, true, PKTypes::NoError, -1},
      {"inverted", 1, 2047, 4095, 5.0, true, PKTypes::NoError, -1},
      {"zero beyond the bound", 0, 500, 1000, 5.0, false, PKTypes::NoError, 1000},
      // Below the zero the reading is negative: from 1 the first step is up.
      {"start 0 tries 1, one round below 20", 0, 0, 10, 5.0, false, PKTypes::MeasureError, 10},
      {"shorter than a round", 0, 2047, 4095, 0.005, false, PKTypes::Timeout, -2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Prepare(row.amplifier);
    PKTypes::OffsetTimeout = row.timeout;
    offsetDac = row.start;
    ApplyVoltageOffset();
    const bool inverted = row.amplifier == 1;
    EXPECT_EQ(PKMeasure::AdjustOffset(offsetDac, State.VoltageAdcChannel, ApplyVoltageOffset, row.upper, inverted),
              row.converges);
    EXPECT_EQ(PKTypes::Error, row.error);
    const double zero = Analog(row.amplifier).Truths().voltage_offset_zero[0];
    if (row.endsAt == -1) EXPECT_NEAR(offsetDac, zero, 2.0);
    if (row.endsAt >= 0) EXPECT_EQ(offsetDac, row.endsAt);
  }
  PKTypes::OffsetTimeout = 5.0;
}

TEST_P(PKMeasureRack, CMRAtAmplitudeZeroAcquiresNothing) {
  for (const std::uint8_t earlier : {PKTypes::NoError, PKTypes::Timeout}) {
    PKTypes::Error = earlier;
    const auto conversions = rack_->Rack(0).DacLevels().size();
    EXPECT_EQ(PKMeasure::CMR(1, State.StimDacChannel, 0, State.MuxAdcChannel, 0.0), PKMeasure::kNoResponse);
    EXPECT_EQ(PKTypes::Error, earlier == PKTypes::NoError ? PKTypes::MeasureError : earlier);
    EXPECT_EQ(rack_->Rack(0).DacLevels().size(), conversions);
  }
}

TEST_P(PKMeasureRack, CMRGivesTheFigureOfTheTrueResponse) {
  Prepare(1);
  const PKSimTruths& truths = Active().Truths();
  const auto trim = static_cast<std::uint16_t>(truths.cmr2_minimum > 2047 ? truths.cmr2_minimum - 1000
                                                                          : truths.cmr2_minimum + 1000);
  K5Set::CMR2Dac(trim);
  K5Set::MuxChannel(15);
  VrnlBoards::FlushCache();
  PKTypes::Error = PKTypes::NoError;
  const double measured = PKMeasure::CMR(1, State.StimDacChannel, 0, State.MuxAdcChannel, 1.0);
  // The figure of one averaged period: sqrt(sum of squares / (u x A)), the
  // sine's amplitude the response times the stimulus, on the mux's offset.
  const double u = ZRVBase::AdcUnitsPerVolt[State.MuxAdcChannel];
  const double amplitude = (truths.cmr_floor + truths.cmr_slope * 1000.0) * truths.mux_gain;
  const double dc = truths.mux_offset_volts * truths.mux_gain;
  const double figure = std::sqrt(u * u * (100.0 * dc * dc + 50.0 * amplitude * amplitude) / u);
  EXPECT_NEAR(measured, figure, 0.02 * figure);
  EXPECT_EQ(PKTypes::Error, PKTypes::NoError);
}

TEST_P(PKMeasureRack, NoiseIsTheCurrentMonitorsByItsGain) {
  Prepare(0);
  State.CurrentGain = 5000.0;
  const double truth = Active().Truths().current_noise_volts / State.CurrentGain;
  EXPECT_NEAR(PKMeasure::Noise(), truth, 0.1 * truth);
}

}  // namespace
