// The AD/DA layer driving the ZRV-24, ZRV-28 and QRN 2400 of the stand-in
// board library, whose inputs see its outputs (the loopback: ADC k of a
// rack sees DAC k mod 4 of that rack, digital inputs their outputs).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/ZRVLibrary.h"
#include "acquisition/tests/ZRVBoard_fixture.h"
#include "foundation/platform/Clock.h"

namespace {

using ZRVBoards = ZRVBoard;

class EveryBoard : public ZRVBoard, public ::testing::WithParamInterface<ZRVBase::BoardType> {};

std::string Name(const ::testing::TestParamInfo<ZRVBase::BoardType>& info) {
  static const char* const names[] = {"ZRV24", "ZRV28", "QRN2400"};
  return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Boards, EveryBoard,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28,
                                           ZRVBase::BoardQRN2400),
                         Name);

TEST_P(EveryBoard, OpensInitialisesAndRestsItsOutputs) {
  ASSERT_TRUE(ZRV::InitInterface(GetParam())) << ErrorText();
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
  EXPECT_EQ(ZRV::GetLastError(), 0);
  EXPECT_EQ(ErrorText(), "");
  const ZRVSimBoardState board = Board(GetParam());
  EXPECT_TRUE(board.open);
  EXPECT_TRUE(board.initialised);
  EXPECT_FALSE(board.running);
  // The amplifier port rests with its strobe bit high.
  EXPECT_EQ(board.outputs.tlv_digital[0], 0x4000);
  for (int dac = 0; dac < 4; ++dac) EXPECT_EQ(board.outputs.dac_volts[dac], 0.0);
  if (GetParam() == ZRVBase::BoardZRV24) {
    EXPECT_EQ(ZRV::GetDigitalOutState(), 0x4000);
    EXPECT_EQ(ZRVBase::FIFOLength, 0x3FFF);
  } else {
    EXPECT_EQ(board.outputs.user_digital[0], 0);
    EXPECT_EQ(ZRV::GetDigitalOutState(), 0);
  }
  EXPECT_EQ(ZRV::SetBoardType(ZRVBase::BoardQRN55), ZRV::StateOpen);
  EXPECT_EQ(ZRV::GetBoardType(), GetParam());

  ZRV::Shutdown();
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
  EXPECT_FALSE(Board(GetParam()).open);
}

TEST_P(EveryBoard, AOneShotSweepComesBackChannelForChannel) {
  ASSERT_TRUE(ZRV::InitInterface(GetParam())) << ErrorText();
  constexpr std::int32_t kSamples = 500;
  std::vector<std::vector<std::int16_t>> stimulus;
  std::vector<std::vector<std::int16_t>> data(4, std::vector<std::int16_t>(kSamples, -1));
  for (std::int32_t dac = 0; dac < 4; ++dac) stimulus.push_back(Ramp(kSamples, 1000 * dac - 1500, 7 + dac));
  const std::int16_t* dacBuffers[4] = {stimulus[0].data(), stimulus[1].data(), stimulus[2].data(),
                                       stimulus[3].data()};
  std::int16_t* adcBuffers[4] = {data[0].data(), data[1].data(), data[2].data(), data[3].data()};
  const std::int32_t channels[4] = {0, 1, 2, 3};
  double interval = 40e-6;
  ASSERT_TRUE(ZRV::PolyStimAndSample(4, 4, kSamples, kSamples, ZRV::FlagStimulate, channels,
                                     channels, interval, dacBuffers, adcBuffers))
      << ErrorText();
  EXPECT_DOUBLE_EQ(interval, 40e-6);
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
  for (int channel = 0; channel < 4; ++channel) EXPECT_EQ(data[channel], stimulus[channel]) << channel;
}

TEST_P(EveryBoard, SingleValuesGoOutAndComeBack) {
  ASSERT_TRUE(ZRV::InitInterface(GetParam())) << ErrorText();
  EXPECT_EQ(ZRV::SetDacReal(1, 2.5), 0);
  EXPECT_EQ(Board(GetParam()).outputs.dac_volts[1], 2.5);
  ZRV::SetDac(2, -3200);
  EXPECT_EQ(ZRV::ReadAdc(1), 8000);
  EXPECT_EQ(ZRV::ReadAdc(5), 8000);  // ADC 5 sees DAC 1 too
  EXPECT_DOUBLE_EQ(ZRV::ReadAdcReal(2), -1.0);

  ZRV::SetDigValue(0x0F0F);
  EXPECT_EQ(ZRV::GetDigitalOutState(), 0x0F0F);
  EXPECT_EQ(Board(GetParam()).outputs.user_digital[0], 0x0F0F);
  EXPECT_EQ(ZRV::ReadDigitalIO(), 0x0F0F);
  ZRV::SetDigital(ZRV::TlvOut, 0xC123);
  EXPECT_EQ(Board(GetParam()).outputs.tlv_digital[0], 0xC123);

  std::vector<double> volts(30, 99.0);
  std::vector<std::uint16_t> words(2, 7);
  ASSERT_TRUE(ZRV::ReadAll(volts, words, 1e-5)) << ErrorText();
  for (int adc = 0; adc < 8; ++adc) {
    const double expected = adc % 4 == 1 ? 2.5 : adc % 4 == 2 ? -1.0 : 0.0;
    EXPECT_DOUBLE_EQ(volts[adc], expected) << adc;
  }
  for (std::size_t i = 8; i < volts.size(); ++i) EXPECT_EQ(volts[i], 99.0) << i;
  if (GetParam() == ZRVBase::BoardZRV24) {
    // Its one port carries the amplifier word as well.
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0xC123, 7}));
  } else if (GetParam() == ZRVBase::BoardZRV28) {
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0x0F0F, 7}));
  } else {
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0x0F0F, 0xC123}));
  }

  ASSERT_TRUE(ZRV::ZeroDacs());
  EXPECT_EQ(Board(GetParam()).outputs.dac_volts[1], 0.0);
  EXPECT_EQ(ZRV::ReadAdc(1), 0);
}

TEST_P(EveryBoard, ACountingFIFOIsProvedBeforeUse) {
  struct Case {
    ZRVSimSettings settings;
    std::string message;
  };
  ZRVSimSettings garbage = Settings(GetParam());
  garbage.garbage_counter = 1;
  ZRVSimSettings still = Settings(GetParam());
  still.stalled_units = 1;
  const std::string prefix = GetParam() == ZRVBase::BoardZRV24   ? "ZRV-24[PCI-0] error: "
                             : GetParam() == ZRVBase::BoardZRV28 ? "ZRV-28[PCI-0] error: "
                                                                 : "QRN 2400 error: ";
  std::vector<Case> cases = {
      {still, prefix + "not incrementing. Please, check power and connections."},
  };
  // The stand-in's racks have no counter to spoil.
  if (GetParam() != ZRVBase::BoardQRN2400) {
    cases.push_back({garbage, prefix + "illegal FIFO counter. Please, check power and connections."});
  }
  for (const Case& c : cases) {
    Configure(GetParam(), c.settings);
    EXPECT_FALSE(ZRV::InitInterface(GetParam()));
    EXPECT_EQ(ErrorText(), c.message);
    EXPECT_EQ(ZRV::GetLastError(), -1);
    EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
    EXPECT_FALSE(Board(GetParam()).open);
  }
}

TEST_P(EveryBoard, TheDriverVersionIsGated) {
  struct Case {
    std::int32_t major;
    std::int32_t minor;
    std::string required;  // "ZRVVersion.On", or empty
    std::string message;   // empty: passes
  };
  const std::vector<Case> cases = {
      {19, 1, "", ""},
      {19, 0, "", "ZRV driver (v19x0) must be at least v19x1."},
      {18, 7, "", "ZRV driver (v18x7) must be at least v19x1."},
      {-1, 0, "", ""},
      {3, -1, "", ""},
      {10000, 0, "", ""},
      {10001, 0, "", "Present ZRV driver (v10001x0) is incompatible. It cannot be newer than v10000."},
      {20, 4, "20.05", "ZRV driver (v20x4) must be at least v20x5."},
      {20, 5, "20.05", ""},
  };
  for (const Case& c : cases) {
    if (!c.required.empty()) PutSwitch("ZRVVersion.On", c.required);
    ZRVSim_SetDriverVersion(c.major, c.minor);
    const bool opened = ZRV::InitInterface(GetParam());
    EXPECT_EQ(opened, c.message.empty()) << c.major << "x" << c.minor;
    if (!opened) {
      EXPECT_NE(ErrorText().find(" error: " + c.message), std::string::npos) << ErrorText();
      EXPECT_FALSE(Board(GetParam()).open);
    }
  }
}

TEST_P(EveryBoard, WithoutTheLibraryTheBoardIsUnavailable) {
  setenv(ZRVLibrary::kPathVariable, "/nonexistent/libZRV.so", 1);
  ZRVLibrary::InitModule();
  EXPECT_FALSE(ZRV::InitInterface(GetParam()));
  EXPECT_EQ(ZRV::GetLastError(), ZRVLibrary::kLibraryNotFound);
  const std::string name = GetParam() == ZRVBase::BoardZRV24   ? "ZRV-24[PCI-0]"
                           : GetParam() == ZRVBase::BoardZRV28 ? "ZRV-28[PCI-0]"
                                                               : "QRN 2400";
  EXPECT_EQ(ErrorText(), name + " error: ZRV Library not found. Please, check driver installation.");
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
}

TEST_P(EveryBoard, AFrozenBoardTimesOut) {
  ASSERT_TRUE(ZRV::InitInterface(GetParam())) << ErrorText();
  ZRVSimSettings frozen = Settings(GetParam());
  frozen.stalled_units = 1;
  Configure(GetParam(), frozen);
  std::vector<std::int16_t> data(3000);
  double interval = 1e-4;
  const double before = Platform::ElapsedSeconds();
  EXPECT_FALSE(ZRV::Sample(0, interval, data, 3000));
  EXPECT_GT(Platform::ElapsedSeconds() - before, 5.0);
  EXPECT_NE(ErrorText().find(" error: Acquisition Timeout."), std::string::npos) << ErrorText();
  EXPECT_EQ(ZRV::GetLastError(), -1);
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
  EXPECT_FALSE(Board(GetParam()).running);
}

TEST_P(EveryBoard, AContinuousAcquisitionReadsInPieces) {
  ASSERT_TRUE(ZRV::InitInterface(GetParam())) << ErrorText();
  constexpr std::int32_t kSamples = 300;
  const std::vector<std::int16_t> stimulus = Ramp(kSamples, -900, 5);
  const std::int16_t* dacBuffers[1] = {stimulus.data()};
  const std::int32_t dac[1] = {0};
  const std::int32_t adc[1] = {0};
  double interval = 20e-6;
  bool immediate = false;
  ASSERT_TRUE(ZRV::StartStimAndSample(1, 1, kSamples, kSamples, ZRV::FlagStimulate, dac, adc,
                                      interval, dacBuffers, {}, immediate, true, false))
      << ErrorText();
  EXPECT_FALSE(immediate);
  EXPECT_EQ(ZRV::Status(), ZRV::StateRunning);
  bool running = false;
  bool stalled = false;
  while (!ZRV::DoneStimAndSample(kSamples, running, stalled)) {
    ASSERT_TRUE(running && !stalled);
    Platform::Advance(1e-3);
  }
  // The pipeline's filling is dropped before the first piece only.
  std::vector<std::int16_t> data(kSamples, 0);
  std::int16_t* first[1] = {data.data()};
  std::int16_t* second[1] = {data.data() + 100};
  EXPECT_TRUE(ZRV::ReadStimAndSample(0, 100, false, first));
  EXPECT_TRUE(ZRV::ReadStimAndSample(1, kSamples - 100, true, second));
  EXPECT_EQ(data, stimulus);
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);

  EXPECT_FALSE(ZRV::ReadStimAndSample(2, 10, true, first));
  EXPECT_NE(ErrorText().find(" error: ReadStimAndSample: conflicting numbers of ADC."), std::string::npos);
}

TEST_P(EveryBoard, AFailedReadIsNoSuccess) {
  ASSERT_TRUE(ZRV::InitInterface(GetParam())) << ErrorText();
  const std::int32_t adc[1] = {0};
  double interval = 1e-4;
  bool immediate = false;
  ASSERT_TRUE(ZRV::StartStimAndSample(0, 1, 0, 1000, 0, adc, adc, interval, {}, {}, immediate,
                                      false, false));
  bool running = false;
  bool stalled = false;
  while (!ZRV::DoneStimAndSample(10, running, stalled)) Platform::Advance(1e-3);
  // Far more than the board holds: the board refuses the read.
  std::vector<std::int16_t> data(ZRVBase::FIFOLength);
  std::int16_t* buffers[1] = {data.data()};
  EXPECT_FALSE(ZRV::ReadStimAndSample(0, ZRVBase::FIFOLength, true, buffers));
  EXPECT_NE(ZRV::GetLastError(), 0);
}

TEST_P(EveryBoard, ClippedInputsAreReportedOnceByRack) {
  ASSERT_TRUE(ZRV::InitInterface(GetParam())) << ErrorText();
  EXPECT_EQ(ZRV::ReadClippingAndClear(), 0);
  ZRVSim_InjectClipping(GetParam(), 2);
  EXPECT_EQ(ZRV::ReadClippingAndClear(), GetParam() == ZRVBase::BoardQRN2400 ? 0x02 : 0x01);
  EXPECT_EQ(ZRV::ReadClippingAndClear(), 0);
}

TEST_F(ZRVBoards, TheQRN2400ClipsByRackAndConverterPair) {
  ZRVSimSettings racks = Settings(kZRVSimQRN2400);
  racks.racks = 2;
  racks.slave_serial = 840u * 0x10000u + 77;
  Configure(kZRVSimQRN2400, racks);
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN2400)) << ErrorText();
  EXPECT_EQ(ZRV::GetActiveUnits(), 2);
  ZRVSim_InjectClipping(kZRVSimQRN2400, 10);  // rack 2, converter pair 1: library bit 17
  ZRVSim_InjectClipping(kZRVSimQRN2400, 7);   // rack 1, pair 3: bit 3
  EXPECT_EQ(ZRV::ReadClippingAndClear(), 0x28);
}

TEST_F(ZRVBoards, TheOpticalLinkGetsElevenAttempts) {
  ZRVSimSettings settings = Settings(kZRVSimQRN2400);
  settings.optical_link_failures = 10;
  Configure(kZRVSimQRN2400, settings);
  double before = Platform::ElapsedSeconds();
  EXPECT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN2400)) << ErrorText();
  EXPECT_EQ(Board(kZRVSimQRN2400).initialisations, 11);
  EXPECT_GE(Platform::ElapsedSeconds() - before, 1.0);

  settings.optical_link_failures = 11;
  Configure(kZRVSimQRN2400, settings);
  before = Platform::ElapsedSeconds();
  EXPECT_FALSE(ZRV::InitInterface(ZRVBase::BoardQRN2400));
  EXPECT_EQ(Board(kZRVSimQRN2400).initialisations, 22);
  EXPECT_NEAR(Platform::ElapsedSeconds() - before, 1.0, 0.01);
  EXPECT_EQ(ErrorText(), "QRN 2400 error: Optical link not working. Please, check power and connections.");
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
}

TEST_F(ZRVBoards, TheZRV28FIFOLengthIsTheSmallerOfBoardAndRequest) {
  struct Case {
    std::int32_t board;
    std::int32_t requested;
    std::int32_t length;
  };
  const std::vector<Case> cases = {
      {0x20000, 0, 0x20000},
      {0x80000, 0, 0x40000},
      {0x40000, 0x1000, 0x1000},
  };
  for (const Case& c : cases) {
    ZRVSimSettings settings = Settings(kZRVSimZRV28);
    settings.fifo_samples = c.board;
    Configure(kZRVSimZRV28, settings);
    ZRV::SetFIFOLength(c.requested);
    ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardZRV28)) << ErrorText();
    EXPECT_EQ(ZRVBase::FIFOLength, c.length) << c.board << " " << c.requested;
  }
}

TEST_F(ZRVBoards, USBBoardNumbersOpenTheUSBModel) {
  ZRV::SetBoardNumber(4);
  ZRVSimSettings garbage = Settings(kZRVSimZRV24);
  garbage.garbage_counter = 1;
  Configure(kZRVSimZRV24, garbage);
  EXPECT_FALSE(ZRV::InitInterface(ZRVBase::BoardZRV24));
  EXPECT_EQ(Board(kZRVSimZRV24).board_number, 0x10001);
  EXPECT_EQ(ErrorText(), "ZRV-24[USB-1] error: illegal FIFO counter. Please, check power and connections.");
}

TEST_F(ZRVBoards, ASecondStalledRackFailsTheSecondTest) {
  ZRVSimSettings racks = Settings(kZRVSimQRN2400);
  racks.racks = 2;
  racks.stalled_units = 2;
  Configure(kZRVSimQRN2400, racks);
  EXPECT_FALSE(ZRV::InitInterface(ZRVBase::BoardQRN2400));
  EXPECT_EQ(ErrorText(), "QRN 2400 error: - 2. unit not incrementing.");
}

TEST_F(ZRVBoards, TheZRV28ToleratesOneOverflowPerAcquisition) {
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardZRV28)) << ErrorText();
  const std::int32_t adc[1] = {0};
  double interval = 1e-4;
  bool immediate = false;
  ASSERT_TRUE(ZRV::StartStimAndSample(0, 1, 0, 1000, 0, adc, adc, interval, {}, {}, immediate,
                                      false, false));
  Platform::Advance(0.01);
  ZRVSim_InjectOverflow(kZRVSimZRV28);
  const std::int32_t count = ZRV::GetReadAvailable();
  EXPECT_GT(count, 0);
  EXPECT_LT(count, 1000);
  EXPECT_EQ(ZRV::Status(), ZRV::StateRunning);
  ZRVSim_InjectOverflow(kZRVSimZRV28);
  EXPECT_EQ(ZRV::GetReadAvailable(), ZRVBase::FIFOLength);
  EXPECT_EQ(ZRV::Status(), ZRV::StateError);

  // A new acquisition starts with its own tolerance.
  ASSERT_TRUE(ZRV::StartStimAndSample(0, 1, 0, 1000, 0, adc, adc, interval, {}, {}, immediate,
                                      false, false));
  ZRVSim_InjectOverflow(kZRVSimZRV28);
  EXPECT_LT(ZRV::GetReadAvailable(), ZRVBase::FIFOLength);
  EXPECT_EQ(ZRV::Status(), ZRV::StateRunning);
}

TEST_F(ZRVBoards, AZRV24FrameIsPaddedWithTheFirstChannels) {
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardZRV24)) << ErrorText();
  const std::vector<std::int16_t> a = Ramp(50, 100, 1);
  const std::vector<std::int16_t> b = Ramp(50, 200, 1);
  const std::vector<std::int16_t> c = Ramp(50, 300, 1);
  const std::int16_t* dacBuffers[3] = {a.data(), b.data(), c.data()};
  std::vector<std::int16_t> data(50);
  std::int16_t* adcBuffers[1] = {data.data()};
  const std::int32_t dacs[3] = {1, 2, 3};
  const std::int32_t adcs[1] = {3};
  double interval = 40e-6;
  ASSERT_TRUE(ZRV::PolyStimAndSample(3, 1, 50, 50, ZRV::FlagStimulate, dacs, adcs, interval,
                                     dacBuffers, adcBuffers))
      << ErrorText();
  // ADC 3 converts in the first slot, before DAC 3 changes in the third.
  std::vector<std::int16_t> lagging = {0};
  lagging.insert(lagging.end(), c.begin(), c.end() - 1);
  EXPECT_EQ(data, lagging);
  // 7 - ADC in bits 0-2, 3 - DAC in bits 3-4: slots DAC 1, 2, 3, 1, all ADC 3.
  const ZRVSimBoardState board = Board(kZRVSimZRV24);
  ASSERT_EQ(board.sequence_length, 4);
  EXPECT_EQ(std::vector<std::uint16_t>(board.sequence, board.sequence + 4),
            (std::vector<std::uint16_t>{0x14, 0x0C, 0x04, 0x14}));
}

TEST_F(ZRVBoards, AnUnchangedZRV28SequenceIsNotLoadedAgain) {
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardZRV28)) << ErrorText();
  std::vector<std::int16_t> data(20);
  double interval = 1e-4;
  ASSERT_TRUE(ZRV::Sample(2, interval, data, 20)) << ErrorText();
  const ZRVSimBoardState first = Board(kZRVSimZRV28);
  // Sampling only: no output select, and the last-slot bit alone.
  ASSERT_EQ(first.sequence_length, 1);
  EXPECT_EQ(first.sequence[0], 0x3800 | 0x4000 | (2 << 7));
  ASSERT_TRUE(ZRV::Sample(2, interval, data, 20));
  EXPECT_EQ(Board(kZRVSimZRV28).sequence_loads, first.sequence_loads);
  ASSERT_TRUE(ZRV::Sample(3, interval, data, 20));
  EXPECT_EQ(Board(kZRVSimZRV28).sequence_loads, first.sequence_loads + 1);
}

TEST_F(ZRVBoards, RemappingInterleavesARacksInputs) {
  struct Case {
    ZRVBase::BoardType type;
    std::int32_t remap;
    std::int32_t adc1;  // what ADC 1 reads with DAC 0 at 1 V and DAC 1 at 2 V
  };
  const std::vector<Case> cases = {
      {ZRVBase::BoardZRV28, 0, 6400},
      {ZRVBase::BoardZRV28, 1, 3200},  // input 4, which sees DAC 0
      {ZRVBase::BoardQRN2400, 1, 3200},
      {ZRVBase::BoardZRV24, 1, 6400},  // no remapping on the ZRV-24
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ZRV::InitInterface(c.type)) << ErrorText();
    ZRV::SetRemap(c.remap, 0);
    ZRV::SetDac(0, 3200);
    ZRV::SetDac(1, 6400);
    EXPECT_EQ(ZRV::ReadAdc(1), c.adc1) << int{c.type} << " " << c.remap;
    ZRV::SetRemap(0, 0);
  }
}

TEST_F(ZRVBoards, TheSecondTlvPortIsRack2s) {
  ZRVSimSettings racks = Settings(kZRVSimQRN2400);
  racks.racks = 2;
  Configure(kZRVSimQRN2400, racks);
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN2400)) << ErrorText();
  EXPECT_EQ(ZRVBase::NumberAdcChannels, 16);
  EXPECT_EQ(ZRVBase::NumberDacChannels, 8);
  ZRVSimBoardState board = Board(kZRVSimQRN2400);
  EXPECT_EQ(board.outputs.tlv_digital[0], 0x4000);
  EXPECT_EQ(board.outputs.tlv_digital[1], 0x4000);

  ZRV::SetSecondTlvPort(true);
  ZRV::SetDigital(ZRV::TlvOut, 0x4321);
  board = Board(kZRVSimQRN2400);
  EXPECT_EQ(board.outputs.tlv_digital[1], 0x4321);
  EXPECT_EQ(board.outputs.tlv_digital[0], 0x4000);
  EXPECT_EQ(ZRV::ReadDigital(ZRV::TlvIn), 0x4321);
  ZRV::SetSecondTlvPort(false);
  EXPECT_EQ(ZRV::ReadDigital(ZRV::TlvIn), 0x4000);
  EXPECT_EQ(ZRV::ReadDigital(ZRV::TlvIn2), 0x4321);
  ZRV::SetDigital(ZRV::UserOut2, 0x0077);
  EXPECT_EQ(Board(kZRVSimQRN2400).outputs.user_digital[1], 0x0077);
  EXPECT_EQ(ZRV::ReadDigital(ZRV::UserIn2), 0x0077);

  // Rack 2's DAC 5 reaches rack 2's ADC 9 (its ADC 1).
  ZRV::SetDac(5, -1600);
  EXPECT_EQ(ZRV::ReadAdc(9), -1600);
  EXPECT_EQ(ZRV::ReadAdc(1), 0);
}

TEST_F(ZRVBoards, SerialNumbersOfZRV2400Racks) {
  ZRVSimSettings old = Settings(kZRVSimQRN2400);
  old.master_serial = 0x00124567u;
  Configure(kZRVSimQRN2400, old);
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN2400)) << ErrorText();
  char text[16] = "x";
  EXPECT_TRUE(ZRV::GetZRV2400SerialNumber(false, text));
  EXPECT_EQ(std::string(text), "197415");  // 0x124567 = 1197415
  EXPECT_FALSE(ZRV::GetZRV2400SerialNumber(true, text));
  EXPECT_EQ(std::string(text), "");
}

TEST_F(ZRVBoards, TheQRN2400TakesShortSweepsInOneCall) {
  struct Case {
    std::string label;
    std::int32_t dacSamples;
    std::int32_t adcSamples;
    std::int32_t dac;
    bool immediateOff;
    bool singleScan;
  };
  const std::vector<Case> cases = {
      {"short", 40, 40, 0, false, true},
      {"switched off", 40, 40, 0, true, false},
      {"fewer inputs than outputs", 40, 20, 0, false, false},
      {"both racks", 40, 40, 4, false, false},
  };
  for (const Case& c : cases) {
    // A fresh rack, so that only this sweep can leave single-scan records.
    ZRVSim_Reset();
    ZRVSimSettings racks = Settings(kZRVSimQRN2400);
    racks.racks = 2;
    Configure(kZRVSimQRN2400, racks);
    if (c.immediateOff) PutSwitch("ZRVImmediateRead.Off");
    ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN2400)) << ErrorText();
    const std::vector<std::int16_t> stimulus = Ramp(c.dacSamples, 10, 3);
    const std::int16_t* dacBuffers[2] = {stimulus.data(), stimulus.data()};
    std::vector<std::int16_t> data(static_cast<std::size_t>(c.adcSamples));
    std::int16_t* adcBuffers[1] = {data.data()};
    const std::int32_t dacs[2] = {0, c.dac};
    const std::int32_t adcs[1] = {0};
    const std::int32_t dacCount = c.dac == 0 ? 1 : 2;
    double interval = 20e-6;
    ASSERT_TRUE(ZRV::PolyStimAndSample(dacCount, 1, c.dacSamples, c.adcSamples, ZRV::FlagStimulate,
                                       dacs, adcs, interval, dacBuffers, adcBuffers))
        << c.label << ": " << ErrorText();
    EXPECT_EQ(data, Ramp(c.adcSamples, 10, 3)) << c.label;
    const ZRVSimBoardState board = Board(kZRVSimQRN2400);
    EXPECT_EQ(board.scan_count > 0 && board.scan[0].count == c.dacSamples, c.singleScan) << c.label;
    ZRV::Shutdown();
  }
}

int guardCalls = 0;
void CountGuard() { ++guardCalls; }

TEST_F(ZRVBoards, TheGuardRunsBeforeEveryStart) {
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardZRV28)) << ErrorText();
  guardCalls = 0;
  ZRV::SetGuard(CountGuard, true);
  ZRV::SetDac(0, 100);
  ZRV::ReadAdc(0);
  EXPECT_EQ(guardCalls, 2);
  ZRV::SetGuard(CountGuard, false);
  ZRV::ReadAdc(0);
  EXPECT_EQ(guardCalls, 2);
}

TEST_F(ZRVBoards, TheZRV28TakesItsModeRangesAndShifts) {
  // As the amplifier layer opens it: type, mode, then the initialisation.
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV28), 0);
  ASSERT_TRUE(ZRV::SetBoardMode(2));
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardZRV28)) << ErrorText();
  ZRVSimBoardState board = Board(kZRVSimZRV28);
  EXPECT_EQ(board.mode, 2);
  EXPECT_EQ(board.external_trigger_mode[0], 1);
  EXPECT_EQ(board.external_trigger_mode[1], 1);
  const std::int32_t shifts[4] = {1, 2, 3, 4};
  ZRV::SetDacShift(shifts);
  EXPECT_EQ(ZRV::GetLastError(), 0);
  board = Board(kZRVSimZRV28);
  EXPECT_EQ(std::vector<std::int32_t>(board.dac_shifts, board.dac_shifts + 4),
            (std::vector<std::int32_t>{1, 2, 3, 4}));

  // Input 3 amplified five times: 1 V reads as 16,000 units, still 1 V.
  EXPECT_EQ(ZRV::SetInputRange(3, 2), 2);
  EXPECT_EQ(Board(kZRVSimZRV28).ranges[3], 2);
  ZRV::SetDacReal(3, 1.0);
  EXPECT_EQ(ZRV::ReadAdc(3), 16000);
  EXPECT_DOUBLE_EQ(ZRV::ReadAdcReal(3), 1.0);

  // A mode the board does not know is mode 0.
  EXPECT_FALSE(ZRV::SetBoardMode(3));
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardZRV28)) << ErrorText();
  EXPECT_EQ(Board(kZRVSimZRV28).mode, 0);
  const std::int32_t others[4] = {5, 6, 7, 8};
  ZRV::SetDacShift(others);  // only in mode 2
  EXPECT_EQ(Board(kZRVSimZRV28).dac_shifts[0], 1);
  ZRV::Shutdown();
  ASSERT_EQ(ZRV::SetBoardType(ZRVBase::BoardZRV24), 0);
  EXPECT_FALSE(ZRV::SetBoardMode(1));
}

TEST_F(ZRVBoards, RepeatsOfTheFirstInputShareItsData) {
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardQRN2400)) << ErrorText();
  ZRV::SetDac(0, 111);
  ZRV::SetDac(1, -222);
  std::vector<std::vector<std::int16_t>> data(3, std::vector<std::int16_t>(20, 0));
  std::int16_t* adcBuffers[3] = {data[0].data(), data[1].data(), data[2].data()};
  const std::int32_t adcs[3] = {0, 1, 0};
  const std::int32_t noDac[1] = {0};
  double interval = 1e-4;
  ASSERT_TRUE(ZRV::PolyStimAndSample(0, 3, 0, 20, 0, noDac, adcs, interval, {}, adcBuffers))
      << ErrorText();
  EXPECT_EQ(data[0], std::vector<std::int16_t>(20, 111));
  EXPECT_EQ(data[1], std::vector<std::int16_t>(20, -222));
  EXPECT_EQ(data[2], data[0]);
}

}  // namespace
