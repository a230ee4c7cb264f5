// The AD/DA layer driving simulated QRN 5+5 devices (one unit, and two
// joined units) through the QRN 5+5 backend and its driver, on the virtual
// clock. A unit's inputs see its own outputs: ADC k sees DAC k mod 5 (DAC 4
// being the further output word), digital inputs their outputs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/ZRVLibrary.h"
#include "acquisition/tests/QRN55Backend_fixture.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"

namespace {

class ZRVQRN55 : public QRN55BackendTest {
 protected:
  void SetUp() override {
    QRN55BackendTest::SetUp();
    Platform::UseVirtualClock(1000.0);
    ZRVBase::InitModule();
    VrnlBoards::InitModule();
    ZRV::InitModule();
  }
  void TearDown() override {
    ZRV::Shutdown();
    Platform::UseRealClock();
    QRN55BackendTest::TearDown();
  }
  // A device of joined units whose FPGA (version 16) works with their
  // firmware (version 8).
  std::vector<QRN55SimUnit*> PlugDevice(const std::string& serial, int units) {
    std::vector<QRN55SimUnit*> plugged;
    for (int index = 0; index < units; ++index) {
      QRN55SimUnitConfig config = SimUnitConfig(serial, units, index);
      config.signature.firmware = 8;
      config.signature.logic = 16;
      plugged.push_back(Plug(config, " " + serial + "-" + std::to_string(index)));
    }
    return plugged;
  }
  static std::string ErrorText() {
    return std::string(ZRVBase::ErrorText, static_cast<std::size_t>(Strings::Length(ZRVBase::ErrorText)));
  }
};

std::vector<std::int16_t> Ramp(std::int32_t n, std::int32_t first, std::int32_t step) {
  std::vector<std::int16_t> ramp(static_cast<std::size_t>(n));
  for (std::int32_t i = 0; i < n; ++i) ramp[i] = static_cast<std::int16_t>(first + i * step);
  return ramp;
}

class EveryDevice : public ZRVQRN55, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(Units, EveryDevice, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param == 1 ? std::string("Single") : std::string("Joined");
                         });

TEST_P(EveryDevice, OpensInitialisesAndRestsItsOutputs) {
  const std::vector<QRN55SimUnit*> units = PlugDevice("D1", GetParam());
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ErrorText();
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
  EXPECT_EQ(ZRV::GetActiveUnits(), GetParam());
  EXPECT_EQ(ZRVBase::NumberDacChannels, 4 * GetParam());
  EXPECT_EQ(ZRVBase::NumberAdcChannels, 8 * GetParam());
  EXPECT_EQ(ZRVBase::FIFOLength, 0x10000);
  EXPECT_EQ(ZRV::GetDigitalOutState(), 0);
  // The amplifier port rests with its strobe bit high.
  EXPECT_EQ(ZRV::ReadDigital(ZRV::TlvIn), 0x4000);
}

TEST_P(EveryDevice, EveryDACComesBackOnItsADC) {
  PlugDevice("D1", GetParam());
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ErrorText();
  constexpr std::int32_t kSamples = 400;
  const std::int32_t dacs = ZRVBase::NumberDacChannels;
  std::vector<std::vector<std::int16_t>> stimulus;
  std::vector<std::vector<std::int16_t>> data(dacs, std::vector<std::int16_t>(kSamples, -1));
  std::vector<const std::int16_t*> dacBuffers;
  std::vector<std::int16_t*> adcBuffers;
  std::vector<std::int32_t> channels;
  for (std::int32_t dac = 0; dac < dacs; ++dac) {
    stimulus.push_back(Ramp(kSamples, 1000 * dac - 3000, 3 + dac));
    dacBuffers.push_back(stimulus.back().data());
    adcBuffers.push_back(data[dac].data());
    channels.push_back(dac);
  }
  // ADC k of unit u is channel 8u + k; DAC k of unit u is 4u + k.
  std::vector<std::int32_t> adcs;
  for (std::int32_t dac = 0; dac < dacs; ++dac) adcs.push_back(8 * (dac / 4) + dac % 4);
  double interval = 40e-6;
  ASSERT_TRUE(ZRV::PolyStimAndSample(dacs, dacs, kSamples, kSamples, ZRV::FlagStimulate, channels,
                                     adcs, interval, dacBuffers, adcBuffers))
      << ErrorText();
  for (std::int32_t dac = 0; dac < dacs; ++dac) EXPECT_EQ(data[dac], stimulus[dac]) << dac;
}

TEST_P(EveryDevice, SingleValuesGoThroughTheUnits) {
  PlugDevice("D1", GetParam());
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ErrorText();
  const std::int32_t lastDac = ZRVBase::NumberDacChannels - 1;
  EXPECT_EQ(ZRV::SetDacReal(lastDac, -2.5), 0);
  const std::int32_t lastAdc = 8 * (GetParam() - 1) + 3;
  EXPECT_EQ(ZRV::ReadAdc(lastAdc), -8000);
  EXPECT_DOUBLE_EQ(ZRV::ReadAdcReal(lastAdc), -2.5);
  ZRV::SetDac(0, 1234);
  EXPECT_EQ(ZRV::ReadAdc(0), 1234);
  EXPECT_EQ(ZRV::ReadAdc(5), 1234);  // ADC 5 sees DAC 0 too

  ZRV::SetDigValue(0x1357);
  EXPECT_EQ(ZRV::ReadDigitalIO(), 0x1357);
  ZRV::SetDigital(ZRV::TlvOut, 0x4ABC);
  EXPECT_EQ(ZRV::ReadDigital(ZRV::TlvIn), 0x4ABC);

  std::vector<double> volts(ZRVBase::NumberAdcChannels + 2, 77.0);
  std::vector<std::uint16_t> words(2, 0);
  ASSERT_TRUE(ZRV::ReadAll(volts, words, 1e-5)) << ErrorText();
  EXPECT_DOUBLE_EQ(volts[0], 1234 / 3200.0);
  EXPECT_DOUBLE_EQ(volts[5], 1234 / 3200.0);
  EXPECT_DOUBLE_EQ(volts[lastAdc], -2.5);
  EXPECT_EQ(volts[ZRVBase::NumberAdcChannels], 77.0);
  EXPECT_EQ(words, (std::vector<std::uint16_t>{0x1357, 0x4ABC}));

  ASSERT_TRUE(ZRV::ZeroDacs());
  EXPECT_EQ(ZRV::ReadAdc(0), 0);
  EXPECT_EQ(ZRV::ReadDigitalIO(), 0);
  EXPECT_EQ(ZRV::ReadClippingAndClear(), 0);
}

TEST_F(ZRVQRN55, AUSBResetOpensTheDeviceAgain) {
  PlugDevice("D1", 1);
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ErrorText();
  ZRV::ResetUSB();
  EXPECT_EQ(ZRV::GetLastError(), 0);
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
  ZRV::SetDac(1, 777);
  EXPECT_EQ(ZRV::ReadAdc(1), 777);
}

TEST_F(ZRVQRN55, AFrozenUnitTimesOut) {
  const std::vector<QRN55SimUnit*> units = PlugDevice("D1", 1);
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ErrorText();
  units[0]->FreezeSequenceCount(true);
  // Long enough not to run as one pulse.
  std::vector<std::int16_t> data(3000);
  double interval = 1e-4;
  const double before = Platform::ElapsedSeconds();
  EXPECT_FALSE(ZRV::Sample(0, interval, data, 3000));
  EXPECT_GT(Platform::ElapsedSeconds() - before, 5.0);
  EXPECT_EQ(ErrorText(), "QRN 5+5 error: Acquisition Timeout.");
  EXPECT_EQ(ZRV::GetLastError(), -1);
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
}

TEST_F(ZRVQRN55, ALongSampleRunsContinuously) {
  PlugDevice("D1", 1);
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ErrorText();
  ZRV::SetDac(1, -4321);
  std::vector<std::int16_t> data(5000, 0);
  double interval = 1e-4;
  ASSERT_TRUE(ZRV::Sample(1, interval, data, 5000)) << ErrorText();
  EXPECT_EQ(data, std::vector<std::int16_t>(5000, -4321));
}

// The units' FIFOs take whole groups of 4 frames; a stimulus of any length,
// whole at the start or ended by its last append, still reaches the
// loopback whole, its last frame in its place.
TEST_F(ZRVQRN55, AStimulusOfAnyLengthComesBackWhole) {
  PlugDevice("D1", 1);
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ErrorText();
  struct Case {
    std::int32_t samples;
    std::int32_t first;  // handed over at the start; the rest is appended
  };
  const std::vector<Case> cases = {{4001, 4001}, {4002, 4002}, {4003, 4003},
                                   {4001, 1001}, {4002, 1003}, {4003, 2002}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.samples << " samples, " << c.first << " at the start");
    const std::vector<std::int16_t> stimulus = Ramp(c.samples, -8000, 3);
    std::vector<std::int16_t> data(static_cast<std::size_t>(c.samples), 0);
    const std::int32_t channel[] = {1};
    const std::int16_t* dacBuffers[] = {stimulus.data()};
    std::int16_t* adcBuffers[] = {data.data()};
    double interval = 1e-4;  // 0.4 s: a continuous sweep
    bool immediate = false;
    const bool whole = c.first == c.samples;
    ASSERT_TRUE(ZRV::StartStimAndSample(1, 1, c.first, c.samples, ZRV::FlagStimulate, channel,
                                        channel, interval, dacBuffers, adcBuffers, immediate,
                                        whole, !whole))
        << ErrorText();
    if (!whole) {
      const std::int16_t* rest[] = {stimulus.data() + c.first};
      ASSERT_TRUE(ZRV::AppendToFIFO(1, c.samples - c.first, true, rest)) << ErrorText();
    }
    std::int32_t frames = 0;
    bool running = true;
    bool stalled = false;
    while (frames < c.samples && running && !stalled) {
      Platform::Advance(0.01);
      ASSERT_TRUE(ZRV::AvailableStimAndSample(frames, running, stalled)) << ErrorText();
    }
    ASSERT_TRUE(ZRV::ReadStimAndSample(1, c.samples, true, adcBuffers)) << ErrorText();
    EXPECT_EQ(ZRV::GetLastError(), 0) << ErrorText();
    EXPECT_EQ(data.back(), stimulus.back());
    EXPECT_EQ(data, stimulus);
  }

  // A one-shot stimulus longer, over all its channels, than the layer's
  // FIFO length is still whole.
  constexpr std::int32_t kSamples = 40001;
  ASSERT_GT(2 * kSamples, ZRVBase::FIFOLength);
  const std::vector<std::int16_t> a = Ramp(kSamples, -9000, 1);
  const std::vector<std::int16_t> b = Ramp(kSamples, 9000, -1);
  std::vector<std::int16_t> dataA(kSamples, 0);
  std::vector<std::int16_t> dataB(kSamples, 0);
  const std::int32_t channels[] = {0, 1};
  const std::int16_t* dacBuffers[] = {a.data(), b.data()};
  std::int16_t* adcBuffers[] = {dataA.data(), dataB.data()};
  double interval = 1e-4;
  ASSERT_TRUE(ZRV::PolyStimAndSample(2, 2, kSamples, kSamples, ZRV::FlagStimulate, channels,
                                     channels, interval, dacBuffers, adcBuffers))
      << ErrorText();
  EXPECT_EQ(dataA.back(), a.back());
  EXPECT_EQ(dataB.back(), b.back());
  EXPECT_EQ(dataA, a);
  EXPECT_EQ(dataB, b);
}

TEST_F(ZRVQRN55, ACompressedSweepKeepsToTheBuffers) {
  PlugDevice("D1", 1);
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ErrorText();
  // 0.1 s runs as two board frames of 0.05 s; a buffer holds one value a
  // frame asked for.
  const std::vector<std::int16_t> stimulus = {100, -200, 300, -400};
  std::vector<std::int16_t> data(4, 0);
  double interval = 0.1;
  ASSERT_TRUE(ZRV::StimAndSample(2, 2, interval, stimulus, data, 4)) << ErrorText();
  EXPECT_DOUBLE_EQ(interval, 0.1);
  EXPECT_EQ(data, stimulus);
}

TEST_F(ZRVQRN55, WorksWithoutTheBoardLibrary) {
  setenv(ZRVLibrary::kPathVariable, "/nonexistent/libZRV.so", 1);
  ZRVLibrary::InitModule();
  PlugDevice("D1", 1);
  EXPECT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN55)) << ErrorText();
  unsetenv(ZRVLibrary::kPathVariable);
  ZRVLibrary::InitModule();
}

TEST_F(ZRVQRN55, NoDeviceIsReportedByTheInterface) {
  EXPECT_FALSE(ZRV::InitInterface(ZRVBase::BoardQRN55));
  EXPECT_EQ(ErrorText(), "QRN 5+5 error: No Device. Please, check power and connections.");
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
}

TEST_F(ZRVQRN55, JoinAndSplitAreOnlyForTheQRN55) {
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV28), 0);
  ZRV::JoinUnits();
  ZRV::SplitUnits();
  const std::vector<std::string> lines = ConsoleLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "\"Join Units\" is not supported by this interface");
  EXPECT_EQ(lines.back(), "\"Split Units\" is not supported by this interface");
}

}  // namespace
