// The panel's record keeping: the AD/DA channels of a board by letter and
// position, the kind a letter implies, the board facts it copies, and the
// test-DAC and multiplexer routing it restores before a flush.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/CommandPort_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"

namespace {

class PanelRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    T3Base::InitModule();
    T3Panel::InitModule();
  }
  void TearDown() override {
    T3Base::InitModule();
    T3Panel::InitModule();
  }
};

struct ChannelCase {
  const char* name;
  char letter;
  bool isTlv3N;
  std::uint8_t board;
  bool emulateTlv3N = false;
  bool mapActiveBoard = false;
  bool muxMappedToAD7 = false;
  std::int32_t secondRackBoards = 0;  // the first rack holds 4 when set
  // ImonAdc, VmonAdc, StimDac, ExtStimDac, MuxAdc.
  std::vector<int> channels;
};

const ChannelCase kChannelCases[] = {
    {"S alone", 'S', false, 0, false, false, false, 0, {6, 5, 3, 0, 7}},
    {"S alone, second rack", 'S', false, 4, false, false, false, 4, {14, 13, 7, 4, 15}},
    {"old letter alone", 'Z', false, 0, false, false, false, 0, {6, 5, 3, 2, 7}},
    {"no letter alone", 0, false, 0, false, false, false, 0, {6, 5, 3, 2, 7}},
    {"T mapped active board", 'T', false, 0, false, true, false, 0, {4, 3, 2, 10, 18}},
    {"T board 2", 'T', false, 2, false, false, false, 0, {2, 1, 1, 10, 18}},
    {"R multiplexer on AD 7", 'R', false, 0, false, false, true, 0, {6, 5, 3, 10, 7}},
    {"R second rack", 'R', false, 4, false, false, false, 4, {14, 13, 7, 13, 21}},
    {"R second rack on AD 7", 'R', false, 4, false, false, true, 4, {14, 13, 7, 13, 15}},
    {"Q second rack board 1", 'Q', false, 5, false, false, false, 4, {12, 11, 6, 4, 15}},
    {"TLV 3 board 0", 'A', true, 0, false, false, false, 0, {1, 0, 0, 3, 7}},
    {"TLV 3 board 1", 'A', true, 1, false, false, false, 0, {3, 2, 1, 3, 7}},
    {"TLV 3 board 2", 'A', true, 2, false, false, false, 0, {5, 4, 2, 3, 7}},
    {"TLV 3 board 3", 'A', true, 3, false, false, false, 0, {7, 0, 0, 0, 7}},
    {"TLV 3N E board 0", 'E', true, 0, false, false, false, 0, {6, 5, 3, 0, 7}},
    {"TLV 3N E board 1", 'E', true, 1, false, false, false, 0, {4, 3, 2, 0, 7}},
    {"TLV 3N E board 2", 'E', true, 2, false, false, false, 0, {2, 1, 1, 0, 7}},
    {"TLV 3N E board 3", 'E', true, 3, false, false, false, 0, {7, 0, 0, 0, 7}},
    {"TLV 3 emulated as one", 'A', true, 1, true, false, false, 0, {6, 5, 3, 2, 7}},
};

TEST_F(PanelRecord, ChannelsByLetterBoardAndRack) {
  for (const ChannelCase& c : kChannelCases) {
    SCOPED_TRACE(c.name);
    T3Base::EmulateTlv3N = c.emulateTlv3N;
    T3Base::MapActiveBoard = c.mapActiveBoard;
    T3Base::MuxAdcMappedToAD7 = c.muxMappedToAD7;
    T3Base::FirstRackBoards = c.secondRackBoards > 0 ? 4 : 1;
    T3Base::SecondRackBoards = c.secondRackBoards;
    T3Base::IsSecondRack = c.board >= 4;
    T3Types::AmplifierState state{};
    state.BoardVersion = c.letter;
    state.IsTlv3N = c.isTlv3N;
    state.Board = c.board;
    T3Panel::FillAdcAndDac(state);
    EXPECT_EQ((std::vector<int>{state.ImonAdc, state.VmonAdc, state.StimDac, state.ExtStimDac,
                                state.MuxAdc}),
              c.channels);
    const bool second = c.board >= 4;
    EXPECT_EQ(state.CommandPortChannel, second ? 12 : 9);
    EXPECT_EQ(state.EEPROMReadChannel, second ? 20 : 17);
    EXPECT_EQ(state.SelectorPortChannel, second ? 11 : 8);
    EXPECT_EQ(state.ModelKind, T3Panel::KindOfLetter(c.letter));
  }
}

TEST_F(PanelRecord, TheLiveRecordStartsOnTheUsbBoardsChannels) {
  const T3Types::AmplifierState& state = T3Types::State;
  EXPECT_EQ((std::vector<int>{state.ImonAdc, state.VmonAdc, state.StimDac, state.ExtStimDac,
                              state.MuxAdc}),
            (std::vector<int>{6, 5, 3, 10, 18}));
}

TEST_F(PanelRecord, KindByLetter) {
  const std::string tlv4 = "EFIJOSU";
  const std::string tlv4Plus = "GKLMQ";
  const std::string tlv4Usb = "HNRTY";
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    T3Types::AmplifierKind kind = T3Types::KindTlv3;
    if (tlv4.find(letter) != std::string::npos) kind = T3Types::KindTlv4;
    if (tlv4Plus.find(letter) != std::string::npos) kind = T3Types::KindTlv4Plus;
    if (tlv4Usb.find(letter) != std::string::npos) kind = T3Types::KindTlv4USB;
    EXPECT_EQ(T3Panel::KindOfLetter(letter), kind) << letter;
  }
  EXPECT_EQ(T3Panel::KindOfLetter(0), T3Types::KindTlv3);
  EXPECT_EQ(T3Panel::KindOfLetter('r'), T3Types::KindTlv3);
}

TEST_F(PanelRecord, BoardsWithinTheirRack) {
  EXPECT_EQ(T3Panel::GetBoardToSet(5), 5);  // one rack: numbers stand
  T3Base::FirstRackBoards = 4;
  T3Base::SecondRackBoards = 4;
  EXPECT_EQ(T3Panel::GetBoardToSet(3), 3);
  EXPECT_EQ(T3Panel::GetBoardToSet(5), 1);
}

TEST_F(PanelRecord, EachOptionBitSetsItsOwnFlag) {
  struct Case {
    int bit;
    bool T3Types::AmplifierState::* flag;
  };
  const Case cases[] = {
      {3, &T3Types::AmplifierState::HasCCFast},      {4, &T3Types::AmplifierState::HasCCRange0},
      {5, &T3Types::AmplifierState::HasCCRange1},    {6, &T3Types::AmplifierState::HasInternalVmon},
      {7, &T3Types::AmplifierState::HasHighCCGains}, {8, &T3Types::AmplifierState::HasCCTracking},
      {9, &T3Types::AmplifierState::HasVmonX100},    {10, &T3Types::AmplifierState::HasBathSense},
      {11, &T3Types::AmplifierState::HasF2Source},   {12, &T3Types::AmplifierState::HasCFastHigh},
      {14, &T3Types::AmplifierState::HasVrefX2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bit);
    T3Base::HardwareVersion = static_cast<std::uint16_t>(1u << c.bit | 1u << 0 | 1u << 13);
    T3Panel::CopyT3BaseFields();
    for (const Case& other : cases) {
      EXPECT_EQ(T3Types::State.*other.flag, other.bit == c.bit) << other.bit;
    }
  }
}

TEST_F(PanelRecord, TheBoardFactsComeFromTheModule) {
  std::strcpy(T3Base::SerialNumber, "123456789AB");
  T3Base::IsTlv3N = true;
  T3Base::ADBoard = ZRVBase::BoardZRV24;
  T3Base::T3Boards = 3;
  T3Base::BoardVersion = 'D';
  T3Base::MaxDigBitOut = 11;
  T3Panel::CopyT3BaseFields();
  const T3Types::AmplifierState& state = T3Types::State;
  EXPECT_EQ(std::string(state.SerialNumber, sizeof state.SerialNumber), "12345678");
  EXPECT_TRUE(state.IsTlv3N);
  EXPECT_EQ(state.ADBoard, ZRVBase::BoardZRV24);
  EXPECT_EQ(state.T3Boards, 3);
  EXPECT_EQ(state.BoardVersion, 'D');
  EXPECT_EQ(state.MaxDigBitOut, 11);
  EXPECT_TRUE(state.BaseFieldsCopied);

  std::strcpy(T3Base::SerialNumber, "42");
  T3Panel::CopyT3BaseFields();
  EXPECT_EQ(std::string(state.SerialNumber, sizeof state.SerialNumber), std::string("42\0\0\0\0\0\0", 8));
}

// ---- Routing on the command port -----------------------------------------------

class Routing : public CommandPortTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CommandPortTest::SetUp());
    VrnlBoards::SetProperties(true, false);
    T3Base::InitModule();
    T3Error::InitModule();
    T3Panel::InitModule();
    T3Set::InitModule();
    T3Base::BoardVersion = 'R';
    T3Set::SendToHardware = true;
    recorder_.Clear();
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, Routing, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(Routing, OnlyAChangedRoutingSendsItsWord) {
  struct Case {
    const char* name;
    bool tetral;
    bool testDacOff;
    bool qMuxAdc;
    std::function<void()> call;
    std::vector<std::uint16_t> words;
    bool testDacOffAfter;
    bool qMuxAdcAfter;
  };
  const Case cases[] = {
      {"test DAC already on", false, false, false, [] { T3Panel::SetQTestDac(false); }, {},
       false, false},
      {"test DAC off", false, false, false, [] { T3Panel::SetQTestDac(true); },
       {Word(45, 0x00)}, true, false},
      {"test DAC back on", false, true, false, [] { T3Panel::SetQTestDac(false); },
       {Word(45, 0x10)}, false, false},
      {"multiplexer, rack not tetral", false, false, false, [] { T3Panel::SetQMuxAdc(true); }, {},
       false, false},
      {"multiplexer to the AD input", true, false, false, [] { T3Panel::SetQMuxAdc(true); },
       {Word(45, 0x00)}, false, true},
      {"multiplexer already routed", true, false, true, [] { T3Panel::SetQMuxAdc(true); }, {},
       false, true},
      {"flush restores both", true, true, true, [] { T3Panel::Flush(); },
       {Word(45, 0x10), Word(45, 0x50)}, false, false},
      {"flush with nothing to restore", true, false, false, [] { T3Panel::Flush(); }, {}, false,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    T3Set::InitModule();
    T3Set::SendToHardware = true;
    T3Types::State.IsTetral = c.tetral;
    T3Types::State.TestDacOff = c.testDacOff;
    T3Types::State.QMuxAdc = c.qMuxAdc;
    recorder_.Clear();
    c.call();
    VrnlBoards::FlushCache();
    EXPECT_EQ(recorder_.Words(), c.words);
    EXPECT_EQ(T3Types::State.TestDacOff, c.testDacOffAfter);
    EXPECT_EQ(T3Types::State.QMuxAdc, c.qMuxAdcAfter);
  }
}

// The gain-side controls: words, recorded fields, refused indexes.
TEST_P(Routing, MonitorControls) {
  struct Case {
    const char* name;
    char letter;
    std::function<void()> prepare;
    std::function<void()> call;
    std::vector<std::uint16_t> words;
    std::function<void(const T3Types::AmplifierState&)> check;
    int error = 0;
  };
  T3Types::AmplifierState& live = T3Types::State;
  const Case cases[] = {
      {"filter 1 index 0", 'R', [] {}, [] { T3Panel::SetFilter1(0); },
       {Word(28, 1), Word(30, 0)},
       [](const T3Types::AmplifierState& s) {
         EXPECT_EQ(s.Filter1, 0);
         EXPECT_EQ(s.F1Bandwidth, 100000.0);
         EXPECT_EQ(T3Base::BoardState.VCFilter1, 0);
       }},
      {"filter 1 index 3 on Y", 'Y', [] {}, [] { T3Panel::SetFilter1(3); },
       {Word(28, 8), Word(30, 2)},
       [](const T3Types::AmplifierState& s) {
         EXPECT_EQ(s.F1Bandwidth, 15.0);
         EXPECT_EQ(s.ImonBandwidth, 15.0);
       }},
      {"filter 1 index 3 on R", 'R', [] {}, [] { T3Panel::SetFilter1(3); },
       {Word(28, 8), Word(30, 2)},
       [](const T3Types::AmplifierState& s) { EXPECT_EQ(s.F1Bandwidth, 30000.0); }},
      {"filter 1 in current clamp, gain 0", 'R', [&] { live.Mode = 2; },
       [] { T3Panel::SetFilter1(0); }, {Word(28, 4), Word(30, 1)},
       [](const T3Types::AmplifierState& s) {
         EXPECT_EQ(s.Filter1, 2);
         EXPECT_EQ(T3Base::BoardState.VCFilter1, 9);
       }},
      {"filter 1 in current clamp, gain 3", 'R', [&] { live.Mode = 2; live.CCGain = 3; },
       [] { T3Panel::SetFilter1(0); }, {Word(28, 2), Word(30, 2)},
       [](const T3Types::AmplifierState& s) { EXPECT_EQ(s.Filter1, 1); }},
      {"filter 1 index 4", 'R', [&] { live.Filter1 = 2; }, [] { T3Panel::SetFilter1(4); }, {},
       [](const T3Types::AmplifierState& s) { EXPECT_EQ(s.Filter1, 2); }, 25},
      {"multiplexer on filter 2", 'R', [&] { live.F2Frequency = 3000.0; },
       [] { T3Panel::SetMux(11); }, {Word(41, 0xB0)},
       [](const T3Types::AmplifierState& s) {
         EXPECT_EQ(s.Mux, 11);
         EXPECT_EQ(s.ImonBandwidth, 3000.0);
       }},
      {"multiplexer, both filters", 'R',
       [&] {
         live.F1Bandwidth = 10000.0;
         live.F2Frequency = 3000.0;
       },
       [] { T3Panel::SetMux(5); }, {Word(41, 0x50)},
       [](const T3Types::AmplifierState& s) {
         EXPECT_NEAR(s.ImonBandwidth, 2873.48, 0.01);
         EXPECT_EQ(s.VmonBandwidth, 100000.0);
       }},
      {"x64 with its option", 'R', [] { T3Base::HardwareVersion = 1; },
       [] { T3Panel::SetMuxGain(true); }, {Word(39, 0x20)},
       [](const T3Types::AmplifierState& s) { EXPECT_FALSE(s.MuxGain); }},
      {"x64 without its option", 'R', [] {}, [] { T3Panel::SetMuxGain(true); }, {},
       [](const T3Types::AmplifierState& s) { EXPECT_FALSE(s.MuxGain); }},
      {"bath sense with its option", 'R', [&] { live.HasBathSense = true; },
       [] { T3Panel::SetBathSense(true); }, {Word(29, 0)},
       [](const T3Types::AmplifierState& s) { EXPECT_TRUE(s.BathSense); }},
      {"bath sense without its option", 'R', [] {}, [] { T3Panel::SetBathSense(true); }, {},
       [](const T3Types::AmplifierState& s) { EXPECT_FALSE(s.BathSense); }},
      {"reference gain trim on Y", 'Y', [] {}, [] { T3Panel::SetRefGainTrim(true, 5000); },
       {0x2602, 0x164F, 0x165F, 0x166F, 0x1670},
       [](const T3Types::AmplifierState& s) {
         EXPECT_TRUE(s.RefGainTrimOn);
         EXPECT_EQ(s.RefGainTrimDac, 4095);
       }},
      {"reference gain trim on R", 'R', [] {}, [] { T3Panel::SetRefGainTrim(true, 5000); }, {},
       [](const T3Types::AmplifierState& s) {
         EXPECT_FALSE(s.RefGainTrimOn);
         EXPECT_EQ(s.RefGainTrimDac, 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    T3Base::InitModule();
    T3Base::BoardVersion = c.letter;
    T3Base::BoardState.VCFilter1 = 9;
    T3Error::InitModule();
    T3Panel::InitModule();
    T3Set::InitModule();
    T3Set::SendToHardware = true;
    c.prepare();
    recorder_.Clear();
    c.call();
    VrnlBoards::FlushCache();
    EXPECT_EQ(recorder_.Words(), c.words);
    EXPECT_EQ(T3Error::Error, c.error);
    c.check(live);
  }
}

// The first replay of a record resets the free and EEPROM lines; every
// replay opens C-slow range 2's injection switches before range 0. The
// board selection latches the board before and after taking its records.
TEST_P(Routing, TheReplayOpensCSlowRangeTwoBeforeRangeZero) {
  T3Scale::LoadDefaults();
  T3Panel::GetDefaultState();
  const auto wordsAt = [this](std::int32_t address) {
    std::vector<std::uint16_t> words;
    for (const std::uint16_t word : recorder_.Words()) {
      if ((word >> 8) == address) words.push_back(word);
    }
    return words;
  };
  for (const bool first : {true, false}) {
    SCOPED_TRACE(first);
    recorder_.Clear();
    T3Panel::LoadTheState();
    const std::vector<std::uint16_t> injection = wordsAt(42);
    const auto code1 = std::find(injection.begin(), injection.end(), Word(42, 0x01));
    ASSERT_NE(code1, injection.end());
    ASSERT_NE(code1 + 1, injection.end());
    EXPECT_EQ(*(code1 + 1), Word(42, 0x00));
    EXPECT_EQ(wordsAt(46).size(), 2u);
    EXPECT_EQ(wordsAt(46).size() + wordsAt(47).size(), first ? 3u : 2u);
    EXPECT_EQ(T3Types::State.SavedCSlowRange, 0);
  }
}

// ---- The record's defaults and derived fields ----------------------------------------

TEST_F(PanelRecord, InitializeStateGivesTheDefaultsOfAnyRecord) {
  T3Scale::LoadDefaults();
  T3Scale::Scale.Filter2Law = 2;
  T3Base::BoardVersion = 'S';
  T3Base::AmplKind = T3Types::KindTlv3;
  T3Base::T3Boards = 3;
  T3Types::AmplifierState state{};
  T3Panel::InitializeState(state, 0, 2, 4, true, true, true);
  EXPECT_STREQ(state.Tag, "TLV_v3");
  EXPECT_EQ(state.Board, 0);
  EXPECT_EQ(state.EEPROMKind, 2);
  EXPECT_EQ(state.Selector, 4);
  EXPECT_TRUE(state.VrefX2 && state.HasVrefX2 && state.CFastHigh && state.HasCFastHigh);
  EXPECT_TRUE(state.RefGainTrimOn);
  EXPECT_EQ(state.Filter2Law, 2);
  EXPECT_EQ(state.T3Boards, 3);
  EXPECT_EQ(state.ModelKind, 3);
  EXPECT_TRUE(state.RsSlow);
  // The interface is closed: the stimulus DAC scale of the extended range.
  EXPECT_EQ(state.StimDacScale, 2.0);
  EXPECT_EQ(state.CCStimDacScale, 2.0);
  EXPECT_EQ(state.Mode, 1);
  EXPECT_EQ(state.Range, 1);
  EXPECT_EQ(state.Gain, 1);
  EXPECT_EQ(state.CCGain, 1);
  EXPECT_EQ(state.Mux, 5);
  EXPECT_EQ(state.TestRange, 2);
  EXPECT_EQ(state.RefGainTrimDac, 2550);
  EXPECT_EQ(state.CSlow, 1e-12);
  EXPECT_EQ(state.GSeries, 1e-6);
  EXPECT_EQ(state.CurrentGain, 2 * 5e8);
  EXPECT_EQ(state.F1Bandwidth, 10000.0);
  EXPECT_EQ(state.StimFilterHz, 10000.0);
  EXPECT_EQ(state.RsTau, 0.0);
  EXPECT_EQ(state.ImonAdc, 6);
  EXPECT_EQ(state.VmonAdc, 5);
  EXPECT_EQ(state.StimDac, 3);
  EXPECT_EQ(state.ExtStimDac, 0);
  EXPECT_EQ(state.MuxAdc, 7);
  EXPECT_FALSE(state.BaseFieldsCopied);

  T3Base::FirstRackBoards = 4;
  T3Base::SecondRackBoards = 4;
  T3Base::IsSecondRack = true;
  T3Panel::InitializeState(state, 4, 0, 0, false, false, false);
  EXPECT_EQ(state.StimDacScale, 10.0);
  EXPECT_EQ(state.ImonAdc, 14);
  EXPECT_EQ(state.VmonAdc, 13);
  EXPECT_EQ(state.StimDac, 7);
  EXPECT_EQ(state.ExtStimDac, 4);
  EXPECT_EQ(state.MuxAdc, 15);
  EXPECT_EQ(state.CommandPortChannel, 12);
}

TEST_F(PanelRecord, DerivedFields) {
  struct Case {
    char letter;
    std::uint8_t range, gain, filter1, stimFilter;
    bool rsOn, rsSlow;
    double currentGain, f1Bandwidth, stimFilterHz, rsTau;
  };
  const Case cases[] = {
      {'R', 0, 0, 0, 0, false, false, 5e6, 100000.0, 100000.0, 0.0},
      {'R', 2, 5, 1, 1, true, false, 40 * 5e10, 30000.0, 10000.0, 5e-6},
      {'R', 1, 3, 2, 1, true, true, 10 * 5e8, 10000.0, 10000.0, 1e-4},
      {'R', 1, 1, 3, 1, true, false, 2 * 5e8, 30000.0, 10000.0, 2e-6},
      {'Y', 1, 2, 3, 1, true, false, 4 * 5e8, 15.0, 10000.0, 2e-6},
      {'R', 1, 2, 0, 1, true, false, 4 * 5e8, 100000.0, 10000.0, 1e-6},
  };
  T3Scale::LoadDefaults();
  for (const Case& c : cases) {
    T3Base::BoardVersion = c.letter;
    T3Types::AmplifierState state{};
    state.Range = c.range;
    state.Gain = c.gain;
    state.Filter1 = c.filter1;
    state.StimFilter = c.stimFilter;
    state.RsOn = c.rsOn;
    state.RsSlow = c.rsSlow;
    T3Panel::FillDerivedFields(state);
    EXPECT_STREQ(state.Tag, "TLV_v3");
    EXPECT_EQ(state.CurrentGain, c.currentGain);
    EXPECT_EQ(state.F1Bandwidth, c.f1Bandwidth);
    EXPECT_EQ(state.StimFilterHz, c.stimFilterHz);
    EXPECT_EQ(state.RsTau, c.rsTau);
  }
}

TEST_F(PanelRecord, TheDefaultStateKeepsTheBoardsFacts) {
  T3Scale::LoadDefaults();
  T3Types::AmplifierState& state = T3Types::State;
  state.Board = 2;
  state.EEPROMKind = 1;
  state.Selector = 3;
  state.VrefX2 = true;
  state.CFastHigh = true;
  state.RefGainTrimOn = true;
  state.Range = 0;
  state.RsFraction = 0.4;
  T3Base::BoardState.CCRsFraction = 0.7;
  T3Panel::GetDefaultState();
  EXPECT_EQ(state.Board, 2);
  EXPECT_EQ(state.EEPROMKind, 1);
  EXPECT_EQ(state.Selector, 3);
  EXPECT_TRUE(state.VrefX2 && state.CFastHigh && state.RefGainTrimOn);
  EXPECT_EQ(state.Range, 1);
  EXPECT_EQ(T3Base::BoardState.VCFilter1, 2);
  EXPECT_EQ(T3Base::BoardState.VCRsFraction, 0.0);
  EXPECT_EQ(T3Base::BoardState.CCRsFraction, 0.0);
}

// The filter 2 corner behind filter 1 (10 kHz), on the newer law with DAC
// factors that never saturate, so the corner asked for is the one set.
TEST_F(PanelRecord, TheWantedBandwidthPicksFilterTwosCorner) {
  struct Case {
    const char* name;
    char letter;
    std::uint8_t filter1;
    std::uint8_t response;
    std::uint8_t mux;
    double hz;
    double f2;
  };
  const Case cases[] = {
      {"at filter 1 filter 2 opens", 'R', 2, 1, 5, 10000.0, 1000000.0},
      {"below 100 Hz", 'R', 2, 1, 5, 50.0, 100.0},
      {"behind filter 1", 'R', 2, 1, 5, 5000.0, 1.0 / std::sqrt(3e-8)},
      {"the Y board's slow filter", 'Y', 3, 1, 5, 20.0, 100.0},
      {"response 2", 'R', 2, 2, 5, 5000.0, 0.0},
      {"filter 2 on the multiplexer", 'R', 2, 1, 11, 5000.0, 5000.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    T3Base::InitModule();
    T3Panel::InitModule();
    T3Scale::LoadDefaults();
    T3Scale::Scale.F2Var[1] = {false, 1e-5, 1e-5};
    T3Base::BoardVersion = c.letter;
    T3Types::AmplifierState& state = T3Types::State;
    T3Panel::InitializeState(state, 0, 0, 0, false, false, false);
    state.Filter2Law = 2;
    state.HasF2Source = true;
    state.HasVrefX2 = true;
    state.Filter1 = c.filter1;
    state.F1Bandwidth = c.letter == 'Y' ? 15.0 : 10000.0;
    state.F2Response = c.response;
    state.Mux = c.mux;
    T3Panel::SetF2Bandwidth(c.hz);
    EXPECT_NEAR(state.F2Frequency, c.f2, 1e-6 * c.f2);
    EXPECT_TRUE(std::isfinite(state.ImonBandwidth));
  }
}

}  // namespace
