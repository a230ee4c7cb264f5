// The panel end to end: its controls and replays played through the AD/DA
// layer into the simulated amplifier rack, which decodes the words from
// its lines alone. The selected board's elements are read back beside the
// record and the stimulus DAC's volts.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

using Elements = BoardElements;

// Option bits of T3Base::HardwareVersion.
constexpr std::uint16_t kX64 = 1 << 0;
constexpr std::uint16_t kCCFast = 1 << 3;
constexpr std::uint16_t kCCRange0 = 1 << 4;
constexpr std::uint16_t kCCRange1 = 1 << 5;
constexpr std::uint16_t kHighCCGains = 1 << 7;
constexpr std::uint16_t kCCTracking = 1 << 8;
constexpr std::uint16_t kVmonX100 = 1 << 9;
constexpr std::uint16_t kBathSense = 1 << 10;
constexpr std::uint16_t kF2Source = 1 << 11;
constexpr std::uint16_t kCFastHigh = 1 << 12;
constexpr std::uint16_t kVrefX2 = 1 << 14;
constexpr std::uint16_t kBothCCRanges = kCCRange0 | kCCRange1;
constexpr std::uint16_t kAllOptions = kX64 | kCCFast | kBothCCRanges | kCCTracking | kVmonX100 |
                                      kBathSense | kF2Source | kCFastHigh | kVrefX2;

Elements Shadow() { return BoardPart(T3Set::SwitchState.Element); }

// The elements where two maps differ, for failure messages.
std::string Differences(const Elements& a, const Elements& b) {
  std::string text;
  for (int address = 0; address < T3Types::kElementCount; ++address) {
    if (a[address] == b[address]) continue;
    text += " [" + std::to_string(address) + "] " + std::to_string(a[address]) + "/" +
            std::to_string(b[address]);
  }
  return text;
}

bool SameRecord(const T3Types::AmplifierState& a, const T3Types::AmplifierState& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every real of the record.
constexpr double T3Types::AmplifierState::*kReals[] = {
    &T3Types::AmplifierState::CurrentGain,     &T3Types::AmplifierState::ImonBandwidth,
    &T3Types::AmplifierState::F2Frequency,     &T3Types::AmplifierState::VmonBandwidth,
    &T3Types::AmplifierState::VmonFilter,      &T3Types::AmplifierState::RsValue,
    &T3Types::AmplifierState::RsFraction,      &T3Types::AmplifierState::RsComp,
    &T3Types::AmplifierState::GLeak,           &T3Types::AmplifierState::CFast1,
    &T3Types::AmplifierState::CFast2,          &T3Types::AmplifierState::CFastTau,
    &T3Types::AmplifierState::CSlow,           &T3Types::AmplifierState::GSeries,
    &T3Types::AmplifierState::StimDacScale,    &T3Types::AmplifierState::CCStimDacScale,
    &T3Types::AmplifierState::CCStimScale,     &T3Types::AmplifierState::VmonFactor,
    &T3Types::AmplifierState::VmonOffset,      &T3Types::AmplifierState::VHold,
    &T3Types::AmplifierState::VpOffset,        &T3Types::AmplifierState::VLiquidJunction,
    &T3Types::AmplifierState::CCIHold,         &T3Types::AmplifierState::CCTrackHold,
    &T3Types::AmplifierState::RsTau,           &T3Types::AmplifierState::StimFilterHz,
    &T3Types::AmplifierState::F1Bandwidth,     &T3Types::AmplifierState::StimScale};

void ExpectFiniteRecord() {
  for (const auto field : kReals) EXPECT_TRUE(std::isfinite(T3Types::State.*field));
}

class PanelRack : public SimulatedBoardTest {
 protected:
  void UseWiring() override {
    AmplifierRackConfig config;
    config.interface = static_cast<RackInterface>(Board());
    rack_ = std::make_unique<AmplifierRackWiring>(config);
    SetWiring(rack_.get(), rack_->Unit(0));
  }

  // The amplifier core started as the program starts it, and the board
  // powered on.
  void Start(char letter, std::uint16_t options, bool caching = true) {
    StartAmplifierCore(letter);
    T3Base::HardwareVersion = options;
    T3Set::SendToHardware = true;
    VrnlBoards::SetProperties(caching, false);
    T3Panel::SetT3BoardLatch(0);
    T3Set::InitHardware();
    VrnlBoards::FlushCache();
    ASSERT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
    ASSERT_EQ(T3Error::Error, 0);
  }

  const AmplifierBoardElements& Elems() { return rack_->Rack(0).Board(0); }
  Elements Map() { return BoardPart(Elems().Elements().data()); }
  long WordsTaken() { return Elems().Words(); }
  // The volts the stand-in drives on a DAC of rack 1 (ZRV family only).
  double DacVolts(int dac) {
    ZRVSimBoardState board{};
    ZRVSim_GetBoardState(Board(), &board);
    return board.outputs.dac_volts[dac];
  }

  std::unique_ptr<AmplifierRackWiring> rack_;
};

// ---- The replay on every board type ------------------------------------------------

class PanelReplay : public PanelRack {};

INSTANTIATE_TEST_SUITE_P(Boards, PanelReplay,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28,
                                           ZRVBase::BoardQRN2400, ZRVBase::BoardQRN55),
                         BoardName);

// The power-on map of a board without options in the default state; the
// letters differ only in how the current-clamp scale reaches latch 24.
Elements PowerOnMap(char letter) {
  const std::pair<int, std::uint16_t> elements[] = {
      {0, 255},   {1, 128},   {2, 255},   {3, 128},   {4, 128},   {5, 255},   {6, 128},
      {10, 30},   {11, 30},   {12, 30},   {13, 30},   {14, 2047}, {15, 2048}, {16, 2048},
      {17, 2048}, {18, 1024}, {19, 1024}, {20, 4080}, {21, 820},  {24, 1},    {26, 1},
      {27, 4},    {28, 4},    {30, 5},    {31, 5},    {32, 4},    {33, 2},    {34, 3},
      {40, 10},   {41, 5},    {44, 3},    {45, 3}};
  Elements map{};
  for (const auto& [address, value] : elements) map[address] = value;
  if (letter == 'D') map[24] = 0;
  return map;
}

TEST_P(PanelReplay, PowerOnLeavesTheMapOfTheDefaultStateOnEveryLetter) {
  for (const char letter : {'R', 'S', 'Q', 'D'}) {
    for (const bool caching : {true, false}) {
      SCOPED_TRACE(std::string(1, letter) + (caching ? " cached" : " uncached"));
      ASSERT_NO_FATAL_FAILURE(Start(letter, 0, caching));
      EXPECT_EQ(Map(), Shadow());
      EXPECT_EQ(Map(), PowerOnMap(letter));
      EXPECT_EQ(rack_->Rack(0).SelectedBoard(), 0);
      EXPECT_EQ(rack_->Rack(0).StrictBits(), 0);
      EXPECT_TRUE(T3Types::State.BaseFieldsCopied);
      EXPECT_EQ(T3Types::State.BoardVersion, letter);
    }
  }
}

TEST_P(PanelReplay, FurtherReplaysChangeNothing) {
  ASSERT_NO_FATAL_FAILURE(Start('R', kAllOptions));
  T3Panel::SetCSlowRange(2);
  T3Panel::SetCFastTot(4e-12);
  T3Panel::SetRsValue(4e6);
  T3Panel::SetRsOn(true);
  T3Panel::LoadTheState();
  const Elements map = Map();
  const T3Types::AmplifierState record = T3Types::State;
  for (int replay = 0; replay < 2; ++replay) {
    T3Panel::LoadTheState();
    EXPECT_EQ(Map(), map);
    EXPECT_TRUE(SameRecord(T3Types::State, record));
  }
  EXPECT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
}

// ---- Control rows: the calls, then a replay -------------------------------------------

class PanelControls : public PanelRack {};

INSTANTIATE_TEST_SUITE_P(Boards, PanelControls, ::testing::Values(ZRVBase::BoardZRV28),
                         BoardName);

struct ControlRow {
  const char* name;
  char letter;
  std::uint16_t options;
  std::function<void()> calls;
};

const ControlRow kControlRows[] = {
    {"gain range 0, gain 10", 'R', 0, [] { T3Panel::SetRange(0); T3Panel::SetGain(3); }},
    {"filter 1 at 30 kHz", 'R', 0, [] { T3Panel::SetFilter1(1); }},
    {"filter 2 at 1 kHz", 'R', 0,
     [] {
       T3Panel::SetF2Response(1);
       T3Panel::SetF2Frequency(1000.0);
     }},
    {"voltage-monitor filter through filter 2", 'R', kF2Source | kVrefX2,
     [] {
       T3Panel::SetVrefX2(true);
       T3Panel::SetF2Response(3);
       T3Panel::SetVmonFilter(2000.0);
     }},
    {"C-slow range 2", 'R', 0,
     [] {
       T3Panel::SetCSlowRange(2);
       T3Panel::SetCSlow(5e-12);
       T3Panel::SetGSeries(1e-7);
     }},
    {"C-fast", 'R', 0, [] { T3Panel::SetCFastTot(6e-12); }},
    {"Rs compensation", 'R', 0,
     [] {
       T3Panel::SetCSlowRange(2);
       T3Panel::SetCSlow(2e-11);
       T3Panel::SetGSeries(1e-7);
       T3Panel::SetRsOn(true);
       T3Panel::SetRsComp(0.5);
     }},
    {"G-leak", 'R', 0, [] { T3Panel::SetGLeak(2e-9); }},
    {"holding and offsets", 'R', 0,
     [] {
       T3Panel::SetVHold(0.05);
       T3Panel::SetVpOffset(0.01);
       T3Panel::SetVLiquidJunction(0.003);
     }},
    {"stimulus scale", 'R', 0, [] { T3Panel::SetStimScale(0.4); }},
    {"extended stimulus range", 'R', kVrefX2, [] { T3Panel::SetVrefX2(true); }},
    {"test mode, integrator fed by the test DAC", 'R', 0,
     [] {
       T3Panel::SetMode(0);
       T3Panel::SetTestDacPath(4);
       T3Panel::SetTestRange(3);
     }},
    {"test DAC to the output amplifier", 'R', 0, [] { T3Panel::SetTestDacPath(2); }},
    {"current clamp", 'R', kBothCCRanges | kCCFast | kCCTracking,
     [] {
       T3Panel::SetMode(2);
       T3Panel::SetCCGain(0);
       T3Panel::SetCCIHold(2e-11);
       T3Panel::SetCCStimScale(1e-9);
       T3Panel::SetCCSpeed(1);
       T3Panel::SetCCTrackHold(0.05);
       T3Panel::SetCCTrackTau(2);
     }},
    {"current clamp, high gains", 'R', kBothCCRanges | kHighCCGains,
     [] {
       T3Panel::SetMode(2);
       T3Panel::SetCCGain(3);
       T3Panel::SetFilter1(0);
     }},
    {"monitors", 'R', kVmonX100 | kBathSense | kX64,
     [] {
       T3Panel::SetVmonX100(true);
       T3Panel::SetBathSense(true);
       T3Panel::SetMux(9);
       T3Panel::SetMuxGain(true);
     }},
    {"reference gain trim", 'Y', 0, [] { T3Panel::SetRefGainTrim(true, 1000); }},
    {"C-fast high range", 'R', kCFastHigh,
     [] {
       T3Panel::SetCFastTot(2e-11);
       T3Panel::ToggleCFastRange();
     }},
    {"Rs mode 3", 'R', 0,
     [] {
       T3Panel::SetCSlowRange(2);
       T3Panel::SetCSlow(2e-11);
       T3Panel::SetRsMode(3);
     }},
};

// What a replay sets on purpose, whatever the calls left: the x64 gain
// off, the test DAC on and the multiplexer off the AD input, the scale's
// trim DAC, and range 2's C-slow switches (and, with the extended range,
// its G-series) under C-slow range 0.
Elements WithoutDeliberateSettings(Elements map) {
  map[39] &= ~0x2;
  map[45] &= ~0x5;
  if (T3Panel::HasRefGainTrim()) map[23] = 0;
  if (T3Types::State.CSlowRange == 0) {
    map[34] = 0;
    map[35] &= ~0x1;
    // With the extended range, range 0 sends no G-series: range 2's stays.
    if (T3Types::State.VrefX2) {
      map[21] = 0;
      map[35] = 0;
    }
  }
  return map;
}

TEST_P(PanelControls, AReplayLeavesTheMapAsTheCallsDid) {
  for (const ControlRow& row : kControlRows) {
    SCOPED_TRACE(row.name);
    ASSERT_NO_FATAL_FAILURE(Start(row.letter, row.options));
    // The power-on leaves the trims at start values the record does not
    // hold: one replay first.
    T3Panel::LoadTheState();
    row.calls();
    T3Panel::Flush();
    EXPECT_EQ(T3Error::Error, 0);
    EXPECT_EQ(Map(), Shadow());
    ExpectFiniteRecord();
    const Elements called = Map();
    T3Panel::LoadTheState();
    EXPECT_EQ(Map(), Shadow());
    EXPECT_EQ(WithoutDeliberateSettings(Map()), WithoutDeliberateSettings(called))
        << Differences(Map(), called);
    EXPECT_EQ(T3Error::Error, 0);
  }
  EXPECT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
}

TEST_P(PanelControls, ResetKeepsTheUsersSettings) {
  for (const bool tester : {false, true}) {
    SCOPED_TRACE(tester);
    ASSERT_NO_FATAL_FAILURE(Start('R', kBothCCRanges));
    T3Base::TesterMode = tester;
    T3Panel::SetVHold(0.04);
    T3Panel::SetVpOffset(0.002);
    T3Panel::SetCSlowRange(2);
    T3Panel::SetCSlow(5e-12);
    T3Panel::SetCCGain(0);
    T3Panel::SetGain(4);
    T3Panel::SetFilter1(0);
    const T3Types::AmplifierState before = T3Types::State;
    T3Panel::Reset();
    const T3Types::AmplifierState& after = T3Types::State;
    EXPECT_EQ(after.VHold, before.VHold);
    EXPECT_EQ(after.VpOffset, before.VpOffset);
    EXPECT_EQ(after.Gain, 1);
    EXPECT_EQ(after.Filter1, 2);
    EXPECT_EQ(after.CSlowRange, 0);
    EXPECT_EQ(after.CCGain, tester ? 1 : 0);
    EXPECT_EQ(Map(), Shadow());
  }
}

// ---- Tables of single controls ---------------------------------------------------------

struct ElementCheck {
  int address;
  std::uint16_t value;
};

struct SingleCase {
  const char* name;
  char letter;
  std::uint16_t options;
  std::function<void()> call;
  std::vector<ElementCheck> elements;
  std::function<bool()> recorded;
};

const T3Types::AmplifierState& S() { return T3Types::State; }

const SingleCase kSingleCases[] = {
    {"gain 3 sends the factor 10", 'R', 0, [] { T3Panel::SetGain(3); },
     {{30, 1}, {31, 4}},
     [] { return S().Gain == 3 && S().CurrentGain == 10 * 5e8; }},
    {"range 2 in current clamp becomes 1", 'R', 0,
     [] {
       T3Panel::SetMode(2);
       T3Panel::SetRange(2);
     },
     {}, [] { return S().Range == 1; }},
    {"range 0 in current clamp without the high gains becomes 1", 'R', 0,
     [] {
       T3Panel::SetMode(2);
       T3Panel::SetRange(0);
     },
     {}, [] { return S().Range == 1; }},
    {"range 0 sends its resistor", 'R', 0, [] { T3Panel::SetRange(0); }, {{40, 3}, {27, 4}},
     [] { return S().Range == 0 && S().CurrentGain == 2 * 5e6; }},
    {"filter 1 in current clamp", 'R', 0,
     [] {
       T3Panel::SetMode(2);
       T3Panel::SetFilter1(0);
     },
     {{28, 4}}, [] { return S().Filter1 == 2; }},
    {"filter 2 law at 1000 Hz", 'R', 0,
     [] {
       double hz = 1000.0;
       T3Panel::SetFilter2Dacs(hz, 0);
       T3Types::State.F2Frequency = hz;
     },
     {{10, 15}, {11, 15}, {12, 17}, {13, 17}},
     [] { return std::fabs(S().F2Frequency - 1000.0) < 1e-9; }},
    {"filter 2 law raises 50 Hz to 100", 'R', 0,
     [] {
       double hz = 50.0;
       T3Panel::SetFilter2Dacs(hz, 0);
       T3Types::State.F2Frequency = hz;
     },
     {{10, 1}, {12, 2}}, [] { return std::fabs(S().F2Frequency - 100.0) < 40.0; }},
    {"x64 gain is never recorded", 'R', kX64, [] { T3Panel::SetMuxGain(true); }, {{39, 2}},
     [] { return !S().MuxGain; }},
    {"trim on the Y board, clipped", 'Y', 0, [] { T3Panel::SetRefGainTrim(true, 5000); },
     {{23, 4095}, {38, 2}}, [] { return S().RefGainTrimOn && S().RefGainTrimDac == 4095; }},
    {"trim elsewhere", 'R', 0, [] { T3Panel::SetRefGainTrim(true, 5000); }, {{23, 0}},
     [] { return !S().RefGainTrimOn && S().RefGainTrimDac == 0; }},
    {"stimulus scale clipped to 10", 'R', 0, [] { T3Panel::SetStimScale(12.0); }, {{4, 0}, {5, 1}},
     [] { return S().StimScale == 10.0 && S().ExtStimPath == 2; }},
    {"stimulus scale 0.4 at slope 1, offset 0", 'R', 0,
     [] {
       T3Scale::Scale.StimScaleSlope = 1.0;
       T3Scale::Scale.StimScaleOffset = 0.0;
       T3Panel::SetStimScale(0.4);
     },
     {{4, 102}, {5, 255}, {32, 2}}, [] { return S().StimScale == 0.4; }},
    {"stimulus scale 0 switches the source off", 'R', 0,
     [] {
       T3Scale::Scale.StimScaleSlope = 1.0;
       T3Scale::Scale.StimScaleOffset = 0.0;
       T3Panel::SetStimScale(0.0);
     },
     {{4, 0}, {5, 255}, {32, 4}}, [] { return S().ExtStimPath == 0; }},
    {"tracking hold clipped", 'R', kCCTracking, [] { T3Panel::SetCCTrackHold(0.3); },
     {{14, 0}}, [] { return S().CCTrackHold == 0.2047; }},
    {"C-slow range 1 with the high C-fast range", 'R', kCFastHigh,
     [] {
       T3Panel::SetCFastHigh(true);
       T3Panel::SetCSlowRange(1);
     },
     {{42, 2}}, [] { return S().CSlowRange == 3; }},
    {"C-slow range 1 with the high C-fast range, tester mode", 'R', kCFastHigh,
     [] {
       T3Base::TesterMode = true;
       T3Panel::SetCFastHigh(true);
       T3Panel::SetCSlowRange(1);
     },
     {{42, 0}, {43, 8}}, [] { return S().CSlowRange == 1; }},
    {"C-fast tau above every step", 'R', 0, [] { T3Panel::SetCFastTau(1.0); }, {{36, 15}},
     [] { return std::fabs(S().CFastTau - 8e-6 * 1.000001) < 1e-15; }},
    // At most the limit, within a step of each component's DAC.
    {"C-fast total without the high range", 'R', 0, [] { T3Panel::SetCFastTot(1e-9); }, {},
     [] { return S().CFast1 + S().CFast2 <= 1.59e-11 + 2 / 1.70667e14; }},
    {"Rs on in gain range 2", 'R', 0,
     [] {
       T3Panel::SetRange(2);
       T3Panel::SetRsOn(true);
     },
     {}, [] { return !S().RsOn; }},
    {"Rs correction without C-slow", 'R', 0,
     [] {
       T3Types::State.CSlow = 0.0;
       T3Panel::SetRsCorrection(0.5, 0.0, false);
     },
     {{7, 0}, {23, 0}}, [] { return S().RsFraction == 0.0 && S().RsValue == 0.0; }},
    {"Rs mode 3 from 10 us", 'R', 0,
     [] {
       T3Panel::SetCSlowRange(2);
       T3Panel::SetCSlow(2e-11);
       T3Panel::SetGSeries(1e-7);
       T3Panel::SetRsOn(true);
       T3Panel::SetRsComp(0.6);
       T3Panel::SetRsMode(3);
     },
     {{28, 8}}, [] { return S().Filter1 == 3 && S().RsFraction <= 0.2 + 1e-12; }},
    {"holding on the stimulus DAC", 'R', 0, [] { T3Panel::SetVHold(0.05); }, {},
     [] { return std::fabs(S().VHold - 0.05) < 1e-4; }},
    {"holding clipped for a selector position", 'R', 0,
     [] {
       T3Types::State.Selector = 1;
       T3Panel::SetVHold(3.0);
     },
     {}, [] { return S().VHold <= 2.048 + 1e-12; }},
    {"test range 3 in gain range 2", 'R', 0,
     [] {
       T3Panel::SetRange(2);
       T3Panel::SetMode(0);
       T3Panel::SetTestRange(3);
     },
     {{42, 4}, {39, 8}}, [] { return S().TestRange == 2; }},
    {"test range recorded outside test mode", 'R', 0, [] { T3Panel::SetTestRange(3); },
     {{42, 0}, {39, 0}}, [] { return S().TestRange == 3; }},
    {"CC gain 3 without the high gains", 'R', kBothCCRanges, [] { T3Panel::SetCCGain(3); }, {},
     [] { return S().CCGain == 1 && S().CCRange == 1; }},
    {"CC gain 3 without range 1", 'R', kCCRange0, [] { T3Panel::SetCCGain(3); }, {},
     [] { return S().CCGain == 0 && S().CCRange == 0; }},
    {"CC gain 3 without either range", 'R', 0, [] { T3Panel::SetCCGain(3); }, {},
     [] { return S().CCGain == 1 && S().CCRange == 1; }},
    {"CC gain 3 in current clamp with the high gains", 'R', kBothCCRanges | kHighCCGains,
     [] {
       T3Panel::SetMode(2);
       T3Panel::SetCCGain(3);
     },
     {}, [] { return S().CCGain == 3 && S().CCRange == 1 && S().Range == 0; }},
    {"CC gain 2 in current clamp with the high gains", 'R', kBothCCRanges | kHighCCGains,
     [] {
       T3Panel::SetMode(2);
       T3Panel::SetCCGain(2);
     },
     {}, [] { return S().CCGain == 2 && S().CCRange == 0 && S().Range == 0; }},
    {"external filter path", 'R', 0, [] { T3Panel::SetExternalFilterPath(true); },
     {{41, 11}, {31, 9}, {32, 2}, {4, 128}, {5, 255}},
     [] { return S().Mux == 11 && S().ImonBandwidth == S().F2Frequency; }},
    {"external filter path and back", 'R', 0,
     [] {
       T3Panel::SetExternalFilterPath(true);
       T3Panel::SetExternalFilterPath(false);
     },
     {{41, 5}, {31, 5}, {32, 4}}, [] { return S().Mux == 5; }},
    {"scaled external stimulus", 'R', 0,
     [] { EXPECT_EQ(T3Panel::SetExtStimPath(0.5, 2), 2); },
     {{32, 2}}, [] { return S().StimScale == 0.5 && S().ExtStimPath == 2; }},
    {"test DAC as stimulus needs a TLV 3N", 'R', 0,
     [] {
       T3Panel::SetStimScale(0.5);
       EXPECT_EQ(T3Panel::SetExtStimPath(1.0, 1), 0);
     },
     {{32, 4}}, [] { return S().StimScale == 0.0 && S().TestDacPath == 0; }},
    {"C-fast off in current clamp keeps its values", 'R', 0,
     [] {
       T3Panel::SetCFastTot(6e-12);
       T3Panel::SetMode(2);
       T3Panel::SetCCCFast(false);
     },
     {{8, 0}, {9, 0}, {37, 0}}, [] { return !S().CCCFast && S().CFast1 + S().CFast2 > 5e-12; }},
    {"toggling the extended range without the option", 'R', 0,
     [] { EXPECT_TRUE(T3Panel::ToggleVrefX2([] { return false; })); }, {},
     [] { return !S().VrefX2; }},
};

TEST_P(PanelControls, SingleControlsSendAndRecord) {
  for (const SingleCase& c : kSingleCases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(Start(c.letter, c.options));
    c.call();
    T3Panel::Flush();
    EXPECT_EQ(T3Error::Error, 0);
    EXPECT_EQ(Map(), Shadow());
    for (const ElementCheck& e : c.elements) EXPECT_EQ(Map()[e.address], e.value) << e.address;
    EXPECT_TRUE(c.recorded());
    ExpectFiniteRecord();
  }
}

TEST_P(PanelControls, TheHoldingPotentialReachesTheStimulusDac) {
  ASSERT_NO_FATAL_FAILURE(Start('R', 0));
  const std::int32_t dac = T3Types::State.StimDac;
  T3Panel::SetVHold(-0.0625);
  EXPECT_NEAR(DacVolts(dac), -0.625, 1e-3);
  EXPECT_NEAR(T3Types::State.VHold * T3Types::State.StimDacScale, DacVolts(dac), 1e-9);
  T3Panel::SetMode(2);
  T3Panel::SetCCIHold(1e-11);
  EXPECT_NEAR(DacVolts(dac), 10.0 * 1e-11 / T3Panel::GetCCStimScale(), 1e-3);
}

// ---- Bad values: error 25, no word, the record as it was ----------------------------------

struct BadCase {
  const char* name;
  std::function<void()> prepare;
  std::function<void()> call;
};

const BadCase kBadCases[] = {
    {"SetRange(3)", [] {}, [] { T3Panel::SetRange(3); }},
    {"SetRange(3) in tester mode", [] { T3Base::TesterMode = true; },
     [] { T3Panel::SetRange(3); }},
    {"SetGain(6)", [] {}, [] { T3Panel::SetGain(6); }},
    {"SetFilter1(4)", [] {}, [] { T3Panel::SetFilter1(4); }},
    {"SetTestDacPath(5)", [] {}, [] { T3Panel::SetTestDacPath(5); }},
    {"SetMode(3)", [] {}, [] { T3Panel::SetMode(3); }},
    {"SetRsMode(5)", [] {}, [] { T3Panel::SetRsMode(5); }},
    {"SetCSlowRange(4)", [] {}, [] { T3Panel::SetCSlowRange(4); }},
    {"SetStimFilter(2)", [] {}, [] { T3Panel::SetStimFilter(2); }},
    {"SetF2Source(3)", [] {}, [] { T3Panel::SetF2Source(3); }},
    {"SetF2Response(5)", [] {}, [] { T3Panel::SetF2Response(5); }},
    {"SetTestRange(4) in voltage clamp", [] {}, [] { T3Panel::SetTestRange(4); }},
    {"SetTestRange(1) in test mode", [] { T3Panel::SetMode(0); T3Panel::Flush(); },
     [] { T3Panel::SetTestRange(1); }},
    {"SetCCRange(2)", [] {}, [] { T3Panel::SetCCRange(2, true); }},
    {"stimulus scale dividing by a zero slope", [] {
       T3Scale::Scale.StimScaleSlope = 0.0;
       T3Scale::Scale.StimScaleOffset = 300.0;
     },
     [] { T3Panel::SetStimScale(0.5); }},
    {"pipette offset without a DAC scale", [] { T3Scale::Scale.VpOffsetScale = 0.0; },
     [] {
       T3Panel::SetVpOffset(0.01);
       T3Panel::SetVLiquidJunction(0.01);
     }},
    {"current-clamp stimulus without a scale", [] { T3Scale::Scale.CCStimScale = {}; },
     [] {
       T3Panel::SetCCStimScale(1e-9);
       T3Panel::SetCCIHold(1e-11);
     }},
    {"holding without a stimulus DAC scale", [] { T3Types::State.StimDacScale = 0.0; },
     [] { T3Panel::SetVHold(0.05); }},
};

TEST_P(PanelControls, BadValuesChangeNothing) {
  for (const BadCase& c : kBadCases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(Start('R', kAllOptions));
    c.prepare();
    const T3Types::AmplifierState record = T3Types::State;
    const Elements shadow = Shadow();
    const long words = WordsTaken();
    c.call();
    VrnlBoards::FlushCache();
    EXPECT_EQ(T3Error::Error, 25);
    EXPECT_EQ(WordsTaken(), words);
    EXPECT_EQ(Shadow(), shadow);
    EXPECT_TRUE(SameRecord(T3Types::State, record));
    T3Base::TesterMode = false;
  }
}

// A scale record of zeros (a blank EEPROM read as calibration): the
// compensations go off and record 0, nothing reaches a DAC or the record
// that is not a number.
TEST_P(PanelControls, AZeroedScaleSwitchesTheCompensationsOff) {
  ASSERT_NO_FATAL_FAILURE(Start('R', kAllOptions));
  T3Panel::SetCSlowRange(2);
  T3Panel::SetCFastTot(5e-12);
  T3Panel::SetGLeak(1e-9);
  T3Panel::SetRsOn(true);
  T3Panel::SetRsValue(5e6);
  T3Panel::Flush();
  ASSERT_EQ(T3Error::Error, 0);
  T3Scale::Scale = T3Scale::ScaleRecord{};
  const std::function<void()> calls[] = {
      [] { T3Panel::SetRsValue(5e6); },  [] { T3Panel::SetCSlow(5e-12); },
      [] { T3Panel::SetGSeries(1e-7); }, [] { T3Panel::SetCFastTot(5e-12); },
      [] { T3Panel::SetCFastTau(2e-6); }, [] { T3Panel::SetGLeak(1e-9); },
      [] { T3Panel::SetCFastTauReal(1e-6); }};
  for (const auto& call : calls) {
    T3Error::Error = 0;
    call();
    EXPECT_EQ(T3Error::Error, 25);
    ExpectFiniteRecord();
  }
  T3Panel::Flush();
  EXPECT_EQ(Map(), Shadow());
  const T3Types::AmplifierState& s = T3Types::State;
  EXPECT_EQ(s.RsValue, 0.0);
  EXPECT_EQ(s.CSlow, 0.0);
  EXPECT_EQ(s.GSeries, 0.0);
  EXPECT_EQ(s.CFast1 + s.CFast2, 0.0);
  EXPECT_EQ(s.CFastTau, 0.0);
  EXPECT_EQ(s.GLeak, 0.0);
  for (const int dac : {8, 9, 21, 22, 23}) EXPECT_EQ(Map()[dac], 0) << dac;
  EXPECT_EQ(Map()[20], 4080);
  for (const int latch : {34, 36, 37, 38}) EXPECT_EQ(Map()[latch], 0) << latch;

  double cMin = -1.0;
  double gMax = -1.0;
  T3Error::Error = 0;
  T3Panel::MinimumCSlow(2, cMin, gMax);
  EXPECT_EQ(T3Error::Error, 25);
  EXPECT_EQ(cMin, 0.0);
  EXPECT_EQ(gMax, 3.402823466385288e38);

  // The stimulus DAC scale falls back to the closed interface's value.
  T3Types::AmplifierState state{};
  T3Panel::InitializeState(state, 0, 0, 0, false, false, false);
  EXPECT_EQ(state.StimDacScale, 10.0);
}

TEST_P(PanelControls, CFastTauRealWithoutTheSecondComponent) {
  ASSERT_NO_FATAL_FAILURE(Start('R', 0));
  T3Panel::SetCFast1(5e-12);
  T3Panel::SetCFast2(0.0);
  T3Panel::SetCFastTauReal(1e-6);
  T3Panel::Flush();
  EXPECT_EQ(T3Error::Error, 0);
  EXPECT_EQ(Map()[36], 15);
  T3Panel::SetCFast1(5e-12);
  T3Panel::SetCFast2(0.0);
  T3Panel::SetCFastTauReal(0.0);
  T3Panel::Flush();
  EXPECT_EQ(Map()[36], 0);
  EXPECT_EQ(T3Error::Error, 0);
  ExpectFiniteRecord();
}

// ---- Current clamp ------------------------------------------------------------------------

TEST_P(PanelControls, CurrentClampAndBackRestoresTheVoltageClampSettings) {
  ASSERT_NO_FATAL_FAILURE(Start('R', kBothCCRanges));
  T3Panel::SetCSlowRange(2);
  T3Panel::SetFilter1(1);
  T3Panel::SetMode(2);
  const T3Types::AmplifierState& s = T3Types::State;
  EXPECT_EQ(s.Range, 1);
  EXPECT_EQ(s.CSlowRange, 0);
  EXPECT_EQ(s.SavedCSlowRange, 2);
  EXPECT_EQ(s.Filter1, 2);
  EXPECT_FALSE(T3Set::SwitchState.Element[33] & 0x4);  // stimulus filter off
  T3Panel::SetMode(1);
  EXPECT_EQ(s.CSlowRange, 2);
  EXPECT_EQ(s.Filter1, 1);
  EXPECT_EQ(Map(), Shadow());
}

TEST_P(PanelControls, EachModeKeepsItsRsFraction) {
  ASSERT_NO_FATAL_FAILURE(Start('R', kBothCCRanges));
  T3Panel::SetCSlowRange(2);
  T3Panel::SetCSlow(2e-11);
  T3Panel::SetGSeries(1e-7);
  T3Panel::SetRsOn(true);
  T3Panel::SetRsCorrection(0.5, 0.0, false);
  const double vc = T3Types::State.RsFraction;
  ASSERT_GT(vc, 0.0);
  T3Panel::SetMode(2);
  T3Panel::SetRsFraction(0.3);
  T3Panel::SetMode(1);
  EXPECT_NEAR(T3Types::State.RsFraction, vc, 1e-12);
  T3Panel::SetMode(2);
  EXPECT_EQ(T3Types::State.RsFraction, 0.3);
}

// The circuit switch: the probe speed goes before the current-clamp latch
// when entering, after it when leaving.
TEST_P(PanelControls, TheCircuitSwitchOrdersItsLatchesByDirection) {
  ASSERT_NO_FATAL_FAILURE(Start('R', 0));
  T3Panel::SetCCCFast(true);
  T3Panel::SetCCRange(1, true);
  T3Panel::SetMode(2);
  const AmplifierBoardElements& e = Elems();
  EXPECT_TRUE(e.LatchBit(33, 3));
  EXPECT_LT(e.LatchStrobe(40).clock_seconds, e.LatchStrobe(32).clock_seconds + 1.0);
  EXPECT_TRUE(e.LatchBit(40, 0));  // the probe at current-clamp speed
  T3Panel::SetMode(1);
  EXPECT_FALSE(e.LatchBit(33, 3));
  EXPECT_FALSE(e.LatchBit(40, 0));
}

TEST_P(PanelControls, CurrentClampGainOverOptionSets) {
  struct Case {
    std::uint16_t options;
    std::int32_t gain;
    std::uint8_t ccGain, ccRange, range;
  };
  const Case cases[] = {
      {kBothCCRanges | kHighCCGains, 0, 0, 0, 1}, {kBothCCRanges | kHighCCGains, 1, 1, 1, 1},
      {kBothCCRanges | kHighCCGains, 2, 2, 0, 0}, {kBothCCRanges | kHighCCGains, 3, 3, 1, 0},
      {kBothCCRanges, 2, 1, 1, 1},                {kCCRange0, 1, 0, 0, 1},
      {kCCRange1, 0, 1, 1, 1},                    {0, 1, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.options << " gain " << c.gain);
    ASSERT_NO_FATAL_FAILURE(Start('R', c.options));
    T3Panel::SetMode(2);
    T3Panel::SetCCGain(c.gain);
    T3Panel::Flush();
    EXPECT_EQ(T3Types::State.CCGain, c.ccGain);
    EXPECT_EQ(T3Types::State.CCRange, c.ccRange);
    EXPECT_EQ(T3Types::State.Range, c.range);
    EXPECT_EQ(Map(), Shadow());
    EXPECT_EQ(Map()[15], T3Scale::Scale.CCOffsetDac[c.ccGain]);
  }
}

// ---- The extended stimulus range -------------------------------------------------------

bool reloaded = false;
bool ReloadFails() {
  reloaded = true;
  T3Scale::Scale.StimDacScale = 0.5;
  T3Scale::Scale.Range[1].Gain = 1e9;
  return false;
}
bool ReloadSucceeds() {
  reloaded = true;
  return true;
}

TEST_P(PanelControls, AFailedReloadPutsEverythingBack) {
  ASSERT_NO_FATAL_FAILURE(Start('R', kVrefX2 | kCFastHigh));
  T3Panel::SetCFastTot(8e-12);
  T3Panel::SetRsValue(3e6);
  T3Panel::LoadTheState();
  const Elements map = Map();
  const T3Types::AmplifierState record = T3Types::State;
  const T3Scale::ScaleRecord scale = T3Scale::Scale;
  reloaded = false;
  EXPECT_FALSE(T3Panel::ToggleVrefX2(ReloadFails));
  EXPECT_TRUE(reloaded);
  EXPECT_EQ(Map(), map);
  EXPECT_TRUE(SameRecord(T3Types::State, record));
  EXPECT_TRUE(T3Scale::Scale == scale);

  reloaded = false;
  EXPECT_TRUE(T3Panel::ToggleVrefX2(ReloadSucceeds));
  EXPECT_TRUE(reloaded);
  EXPECT_TRUE(T3Types::State.VrefX2);
  EXPECT_TRUE(T3Types::State.CFastHigh);
  EXPECT_TRUE(Elems().LatchBit(29, 3));
  EXPECT_EQ(Map(), Shadow());
}

// ---- Mode-switch templates -------------------------------------------------------------

class PanelTemplates : public PanelRack {};

INSTANTIATE_TEST_SUITE_P(Boards, PanelTemplates,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardQRN55),
                         BoardName);

using TemplateMaker = bool (*)(std::span<std::uint16_t>, std::int32_t, std::int32_t,
                               std::span<char>);

TEST_P(PanelTemplates, PreconditionsSayWhatIsWrongAndSendNothing) {
  struct Case {
    const char* name;
    std::function<void()> prepare;
    TemplateMaker maker;
    const char* message;
  };
  const Case cases[] = {
      {"VC template from voltage clamp", [] {}, T3Panel::MakeVCModeSwitchTemplate,
       "Starting mode must be CC-mode."},
      {"CC template from current clamp", [] { T3Panel::SetMode(2); },
       T3Panel::MakeCCModeSwitchTemplate, "Starting mode must be VC-mode."},
      {"gain range 0", [] { T3Panel::SetRange(0); }, T3Panel::MakeCCModeSwitchTemplate,
       "Gain range must be medium."},
      {"high current-clamp gain", [] { T3Types::State.CCGain = 2; },
       T3Panel::MakeCCModeSwitchTemplate, "CC-gain must be 0.1pA/mV or 1.0pA/mV."},
      {"leak compensation", [] { T3Panel::SetGLeak(1e-9); }, T3Panel::MakeCCModeSwitchTemplate,
       "Leak Comp. must be off."},
      {"tracking", [] { T3Types::State.CCTrackTau = 1; }, T3Panel::MakeCCModeSwitchTemplate,
       "LFVC must be off."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(Start('R', kBothCCRanges));
    c.prepare();
    T3Panel::Flush();
    const long words = WordsTaken();
    std::vector<std::uint16_t> buffer(400);
    char message[64] = "old";
    EXPECT_FALSE(c.maker(buffer, 200, 400, std::span<char>(message)));
    EXPECT_STREQ(message, c.message);
    VrnlBoards::FlushCache();
    EXPECT_EQ(WordsTaken(), words);
  }
}

TEST_P(PanelTemplates, TheMarkSitsAtTheOffsetAndTheWordsStayOffTheWire) {
  for (const bool caching : {true, false}) {
    for (const bool toCurrentClamp : {true, false}) {
      SCOPED_TRACE(testing::Message() << (caching ? "cached " : "uncached ")
                                      << (toCurrentClamp ? "to CC" : "to VC"));
      ASSERT_NO_FATAL_FAILURE(Start('R', kBothCCRanges, caching));
      if (!toCurrentClamp) T3Panel::SetMode(2);
      T3Panel::Flush();
      const long words = WordsTaken();
      std::vector<std::uint16_t> buffer(1000, 0x1234);
      char message[64];
      constexpr std::int32_t kOffset = 400;
      constexpr std::int32_t kLength = 900;
      const TemplateMaker maker = toCurrentClamp ? T3Panel::MakeCCModeSwitchTemplate
                                                 : T3Panel::MakeVCModeSwitchTemplate;
      ASSERT_TRUE(maker(buffer, kOffset, kLength, std::span<char>(message))) << message;
      EXPECT_STREQ(message, "");
      VrnlBoards::FlushCache();
      EXPECT_EQ(WordsTaken(), words);
      std::int32_t samples = 0;
      std::span<const std::uint16_t> cache;
      std::uint16_t rest = 0;
      VrnlBoards::GetCache(samples, cache, rest);
      EXPECT_EQ(samples, 0);
      EXPECT_EQ(buffer[0], rest);
      EXPECT_EQ(buffer[kLength - 1], rest);
      EXPECT_EQ(buffer[kLength], 0x1234);
      // The words run through the offset; switching to voltage clamp, the
      // circuit's latches strobe after it.
      std::size_t first = 0;
      while (buffer[first] == rest) ++first;
      std::size_t last = kLength - 1;
      while (buffer[last] == rest) --last;
      EXPECT_LE(first, static_cast<std::size_t>(kOffset));
      EXPECT_GE(last, static_cast<std::size_t>(kOffset));
      int latchesAfter = 0;
      for (std::size_t i = kOffset + 1; i <= last; ++i) {
        const bool latch = (buffer[i] & 0xC000) == 0x8000 && (buffer[i - 1] & 0x4000) != 0;
        if (latch) ++latchesAfter;
      }
      if (!toCurrentClamp) {
        EXPECT_GE(latchesAfter, 3);
      }
      EXPECT_EQ(T3Types::State.Mode, toCurrentClamp ? 1 : 2);
      // The shadow holds the switched state: the current-clamp latch.
      EXPECT_EQ((T3Set::SwitchState.Element[33] & 0x8) != 0, toCurrentClamp);
    }
  }
}

TEST_P(PanelTemplates, AFailedPlacementLeavesNothingBehind) {
  for (const bool caching : {true, false}) {
    SCOPED_TRACE(caching);
    ASSERT_NO_FATAL_FAILURE(Start('R', kBothCCRanges, caching));
    T3Panel::Flush();
    const T3Types::AmplifierState record = T3Types::State;
    const Elements shadow = Shadow();
    const long words = WordsTaken();
    std::vector<std::uint16_t> buffer(100);
    char message[64];
    EXPECT_FALSE(T3Panel::MakeCCModeSwitchTemplate(buffer, 0, 100, message));
    EXPECT_STREQ(message, "Switch offset too small.");
    EXPECT_FALSE(T3Panel::MakeCCModeSwitchTemplate(buffer, 5000, 100, message));
    EXPECT_STREQ(message, "Stimulus too long.");
    EXPECT_FALSE(T3Panel::MakeCCModeSwitchTemplate(buffer, 500, 1000, message));
    EXPECT_STREQ(message, "Stimulus too long.");
    EXPECT_TRUE(SameRecord(T3Types::State, record));
    EXPECT_EQ(Shadow(), shadow);
    VrnlBoards::FlushCache();
    EXPECT_EQ(WordsTaken(), words);
    EXPECT_EQ(Map(), shadow);
  }
}

}  // namespace
