// The panel's settings as the simulated rack's analog side reads them from
// the words alone: the current-clamp gains of every board generation, the
// external stimulus scale with a scale record of the rack's own truths, and
// the monitors that the panel's gain and filter controls set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

constexpr std::uint16_t kCCRange0 = 1 << 4;
constexpr std::uint16_t kCCRange1 = 1 << 5;
constexpr std::uint16_t kHighCCGains = 1 << 7;

class PanelAnalog : public SimulatedBoardTest {
 protected:
  void UseWiring() override {
    AmplifierRackConfig config;
    config.interface = static_cast<RackInterface>(Board());
    config.analog = true;
    config.boards[0].letter = letter_;
    rack_ = std::make_unique<AmplifierRackWiring>(config);
    SetWiring(rack_.get(), rack_->Unit(0));
  }

  void Start(std::uint16_t options) {
    StartAmplifierCore(letter_);
    T3Base::HardwareVersion = options;
    T3Set::SendToHardware = true;
    VrnlBoards::SetProperties(true, false);
    T3Panel::SetT3BoardLatch(0);
    T3Set::InitHardware();
    VrnlBoards::FlushCache();
    ASSERT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
    ASSERT_EQ(T3Error::Error, 0);
  }

  const AmplifierBoardModel& Model() { return *rack_->Rack(0).Model(0); }
  const AmplifierBoardElements& Elements() { return rack_->Rack(0).Board(0); }

  char letter_ = 'R';
  std::unique_ptr<AmplifierRackWiring> rack_;
};

INSTANTIATE_TEST_SUITE_P(Boards, PanelAnalog, ::testing::Values(ZRVBase::BoardZRV28, ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(PanelAnalog, CurrentClampGainsOfEveryGeneration) {
  // R: latch 24 inverted; D: latch 24; A and P: latch 33 bit 0; C: range 1
  // only.
  for (const char letter : {'R', 'D', 'A', 'P', 'C'}) {
    SCOPED_TRACE(std::string(1, letter));
    letter_ = letter;
    UseWiring();
    const bool oneRange = letter == 'C';
    Start(oneRange ? kCCRange1 | kHighCCGains : kCCRange0 | kCCRange1 | kHighCCGains);
    T3Panel::SetMode(2);
    for (const int gain : {0, 1, 2, 3}) {
      SCOPED_TRACE(gain);
      T3Panel::SetCCGain(static_cast<std::uint8_t>(gain));
      VrnlBoards::FlushCache();
      EXPECT_EQ(Model().CurrentClampGain(Elements()), T3Types::State.CCGain);
    }
    T3Panel::SetMode(1);
    EXPECT_EQ(Model().CurrentClampGain(Elements()), -1);
  }
}

TEST_P(PanelAnalog, StimulusScaleByARecordOfTheTruths) {
  Start(0);
  const AmplifierScaleTruths truths = Model().Truths().scale;
  for (const bool own : {false, true}) {
    SCOPED_TRACE(own ? "the truths" : "the defaults");
    if (own) {
      T3Scale::Scale.StimScaleSlope = truths.stim_scale_slope;
      T3Scale::Scale.StimScaleOffset = truths.stim_scale_offset;
    }
    for (const double scale : {0.4, -0.02, 2.0, 0.0}) {
      SCOPED_TRACE(scale);
      T3Panel::SetStimScale(scale);
      VrnlBoards::FlushCache();
      const double read = DecodeStimulusScale(truths, Elements());
      if (own) {
        // Within half a step of the dividing DAC, whose value falls as the
        // scale rises, or of the first DAC.
        const double divider = truths.stim_scale_offset / std::fabs(truths.stim_scale_slope * scale);
        const double step = std::min(0.5 / divider, 1.0) * std::fabs(scale);
        EXPECT_NEAR(read, T3Types::State.StimScale, step + 0.5 / (std::fabs(truths.stim_scale_slope) * 255.0));
      } else if (scale == 0.4) {
        EXPECT_GT(std::fabs(read - scale), 0.01 * scale);
      }
    }
  }
}

TEST_P(PanelAnalog, GainAndFiltersAsThePanelRecordsThem) {
  Start(0);
  for (const int gain : {0, 3, 5}) {
    for (const int filter1 : {0, 1, 2}) {
      SCOPED_TRACE(std::to_string(gain) + "/" + std::to_string(filter1));
      T3Panel::SetRange(1);
      T3Panel::SetGain(static_cast<std::uint8_t>(gain));
      T3Panel::SetFilter1(static_cast<std::uint8_t>(filter1));
      VrnlBoards::FlushCache();
      const double factors[] = {1, 2, 4, 10, 20, 40};
      EXPECT_EQ(Model().OutputGain(Elements()), factors[gain]);
      EXPECT_EQ(Model().Range(Elements()), 1);
      // The truths lie a few per cent off the bandwidth the panel records.
      EXPECT_NEAR(Model().Filter1Hz(Elements()), T3Types::State.F1Bandwidth, 0.05 * T3Types::State.F1Bandwidth);
    }
  }
}

}  // namespace
