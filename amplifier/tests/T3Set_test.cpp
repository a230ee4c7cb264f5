// The amplifier's control words: every setter's words on the command port
// of a simulated board and the shadow it leaves, the power-on sequence on
// every board type, the debug echo and the state dump.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/CommandPort_fixture.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "foundation/IOBase.h"
#include "foundation/LogUtil.h"
#include "foundation/Strings.h"

namespace {

using Words = std::vector<std::uint16_t>;
using Shadow = std::array<std::uint16_t, T3Types::kElementCount>;
using Elements = std::vector<std::pair<int, std::uint16_t>>;

Shadow ShadowOf(const Elements& elements) {
  Shadow shadow{};
  for (const auto& [address, value] : elements) shadow[address] = value;
  return shadow;
}

Shadow CurrentShadow() {
  Shadow shadow{};
  std::copy(std::begin(T3Set::SwitchState.Element), std::end(T3Set::SwitchState.Element),
            shadow.begin());
  return shadow;
}

// The amplifier core as the program starts it, for a board of the letter.
void StartCore(char letter, std::uint8_t eepromKind) {
  StartAmplifierCore(letter);
  T3Types::State.EEPROMKind = eepromKind;
}

// What the elements of a board hold after the words: 8-bit DACs take the
// data byte, 12-bit DACs their three nibbles at the load word, latch pairs
// their nibbles.
Shadow ElementsAfter(const Words& words) {
  Shadow elements{};
  std::array<std::array<std::uint16_t, 3>, 2> nibbles{};
  for (const std::uint16_t word : words) {
    const int address = word >> 8;
    const int data = word & 0xFF;
    if (address < 14) {
      elements[address] = static_cast<std::uint16_t>(data);
    } else if (address < 24) {
      const int channel = (data >> 6) & 1;
      const int index = (data >> 4) & 3;
      if (index < 3) {
        nibbles[channel][index] = static_cast<std::uint16_t>(data & 0xF);
      } else {
        const auto& n = nibbles[channel];
        elements[(address & ~1) + channel] = static_cast<std::uint16_t>(n[0] | n[1] << 4 | n[2] << 8);
      }
    } else if (address < 48) {
      elements[address & ~1] = static_cast<std::uint16_t>(data & 0xF);
      elements[address | 1] = static_cast<std::uint16_t>(data >> 4);
    }
  }
  return elements;
}

// The shadow as the elements can hold it.
Shadow ElementBits(Shadow shadow) {
  for (int address = 0; address < T3Types::kElementCount; ++address) {
    shadow[address] &= address < 14 ? 0xFF : address < 24 ? 0xFFF : 0xF;
  }
  return shadow;
}

// What the power-on sequence leaves on a board of letter 'T' without
// options: the start values of the trims, time constants and filter 2
// around the default panel state (voltage clamp, gain range 1 and gain 2,
// filter 1 at 10 kHz, C-slow off with range 2's switches left behind,
// G-series 0.2 uS, multiplexer 5, test DAC on, board 0 on the bus).
const Elements kPowerOn = {
    {0, 255},   {1, 128},   {2, 255},   {3, 128},   {4, 128},   {5, 255},  {6, 128},
    {10, 30},   {11, 30},   {12, 30},   {13, 30},   {14, 2047}, {15, 2048}, {16, 2048},
    {17, 2048}, {18, 1024}, {19, 1024}, {20, 4080}, {21, 820},  {24, 1},   {26, 1},
    {27, 4},    {28, 4},    {30, 5},    {31, 5},    {32, 4},    {33, 2},   {34, 3},
    {40, 10},   {41, 5},    {44, 3},    {45, 3},    {46, 1}};
// The board selection latches the board before and after taking its records.
constexpr std::size_t kPowerOnWords = 244;

// ---- Setters on the command port ------------------------------------------------

struct SetterCase {
  const char* name;
  char letter;
  std::uint8_t eepromKind;
  std::function<void()> set;
  Words words;
  Elements shadow;
  int error = 0;
};

const SetterCase kSetterCases[] = {
    // Encoding.
    {"DAC12 channel B", 'T', 0, [] { T3Set::SendDAC12(21, 0x0ABC); },
     {0x144C, 0x145B, 0x146A, 0x1470}, {{21, 0x0ABC}}},
    {"DAC12 channel A", 'T', 0, [] { T3Set::SendDAC12(20, 4080); },
     {0x1400, 0x141F, 0x142F, 0x1430}, {{20, 4080}}},
    {"DAC12 above 4095", 'T', 0, [] { T3Set::SendDAC12(14, 5000); },
     {0x0E08, 0x0E18, 0x0E23, 0x0E30}, {{14, 5000}}},
    {"DAC8 above 255", 'T', 0, [] { T3Set::SendDAC8(3, 300); }, {0x032C}, {{3, 300}}},
    {"switch pair", 'T', 0,
     [] {
       T3Set::Set4Switches(28, 0x5);
       T3Set::Set4Switches(29, 0x1A);
       T3Set::SendSwitchValue(29);
     },
     {0x1DA5}, {{28, 0x5}, {29, 0xA}}},
    {"address outside the board", 'T', 0, [] { T3Set::SendDAC8(48, 1); }, {}, {}},
    // 8-bit DACs.
    {"TFastDacs", 'T', 0, [] { T3Set::TFastDacs(0x12, 0x34); }, {0x0112, 0x0034},
     {{1, 0x12}, {0, 0x34}}},
    {"StimScaleDacs", 'T', 0, [] { T3Set::StimScaleDacs(7, 9); }, {0x0407, 0x0509},
     {{4, 7}, {5, 9}}},
    {"F2Part1Dacs", 'T', 0, [] { T3Set::F2Part1Dacs(30); }, {0x0A1E, 0x0B1E},
     {{10, 30}, {11, 30}}},
    // 12-bit DACs and the reference gain trim.
    {"RsCompDac", 'R', 0, [] { T3Set::RsCompDac(100); }, {0x1644, 0x1656, 0x1660, 0x1670},
     {{23, 100}}},
    {"RsCompDac on Y", 'Y', 0, [] { T3Set::RsCompDac(100); }, {}, {}},
    {"RefGainTrimDac", 'R', 0, [] { T3Set::RefGainTrimDac(100); }, {}, {}},
    {"RefGainTrimDac on Y", 'Y', 0, [] { T3Set::RefGainTrimDac(100); },
     {0x1644, 0x1656, 0x1660, 0x1670}, {{23, 100}}},
    {"RsCompOn on Y", 'Y', 0, [] { T3Set::RsCompOn(true); }, {}, {}},
    {"RefGainTrimOn on Y", 'Y', 0, [] { T3Set::RefGainTrimOn(true); }, {0x2602}, {{38, 2}}},
    {"RsCompOn", 'R', 0, [] { T3Set::RsCompOn(true); }, {0x2602}, {{38, 2}}},
    // Current-clamp scale by letter.
    {"CCScale A", 'A', 0, [] { T3Set::CCScale(3); }, {0x2008, 0x2118}, {{32, 8}, {33, 1}}},
    {"CCScale D", 'D', 0, [] { T3Set::CCScale(1); }, {0x1801}, {{24, 1}}},
    {"CCScale R", 'R', 0, [] { T3Set::CCScale(0); }, {0x1801}, {{24, 1}}},
    {"CCScale C", 'C', 0, [] { T3Set::CCScale(1); }, {}, {}},
    {"CCScale Z", 'Z', 0, [] { T3Set::CCScale(1); }, {}, {}},
    {"CCScale no letter", 0, 0, [] { T3Set::CCScale(1); }, {}, {}},
    // Current-clamp mode: the circuit after the mode switches entering,
    // before them leaving.
    {"CCMode on R", 'R', 0, [] { T3Set::CCMode(true); }, {0x2180, 0x2088, 0x1808, 0x2800},
     {{33, 8}, {32, 8}, {24, 8}}},
    {"CCMode off A", 'A', 0, [] { T3Set::CCMode(false); }, {0x2008, 0x2128, 0x2802},
     {{32, 8}, {33, 2}, {40, 2}}},
    {"CCMode on no letter", 0, 0, [] { T3Set::CCMode(true); }, {0x2180, 0x2088, 0x1808, 0x2800},
     {{33, 8}, {32, 8}, {24, 8}}},
    {"CCFastSpeed R", 'R', 0, [] { T3Set::CCFastSpeed(false); }, {}, {}},
    {"CCFastSpeed D", 'D', 0, [] { T3Set::CCFastSpeed(false); }, {0x2110}, {{33, 1}}},
    // The EEPROM lines.
    {"EEPROMSelect large", 'R', 2, [] { T3Set::EEPROMSelect(true); }, {0x1800}, {}},
    {"EEPROMSelect small", 'R', 1, [] { T3Set::EEPROMSelect(true); }, {0x1804}, {{24, 4}}},
    {"EEPROMSelect off large", 'R', 2, [] { T3Set::EEPROMSelect(false); }, {0x1804}, {{24, 4}}},
    {"ExtensionEEPROMSelect", 'R', 0, [] { T3Set::ExtensionEEPROMSelect(true); }, {0x2D80},
     {{45, 8}}},
    {"ExtensionEEPROMSelect off", 'R', 0, [] { T3Set::ExtensionEEPROMSelect(false); }, {0x2D20},
     {{45, 2}}},
    {"EEPROMDataPath", 'R', 0, [] { T3Set::EEPROMDataPath(true); }, {0x2D80}, {{45, 8}}},
    {"QMuxAdc off", 'R', 0, [] { T3Set::QMuxAdc(false); }, {0x2D40}, {{45, 4}}},
    // Output amplifier gain.
    {"OutputAmpGain 4", 'R', 0, [] { T3Set::OutputAmpGain(4); }, {0x1E34, 0x1F34},
     {{30, 4}, {31, 3}}},
    {"OutputAmpGain 20", 'R', 0, [] { T3Set::OutputAmpGain(20); }, {0x1E10, 0x1F10}, {{31, 1}}},
    {"OutputAmpGain 3", 'R', 0, [] { T3Set::OutputAmpGain(3); }, {}, {}, 25},
    // Board latch.
    {"T3BoardLatch 2", 'R', 0, [] { T3Set::T3BoardLatch(2); }, {0x2E04}, {{46, 4}}},
    {"T3BoardLatch 4", 'R', 0, [] { T3Set::T3BoardLatch(4); }, {0x2E00}, {}},
    {"InitFree", 'R', 0, [] { T3Set::InitFree(); }, {0x2F00}, {}},
    // Latches, one or two per setter.
    {"CCTrackTau 3", 'R', 0, [] { T3Set::CCTrackTau(3); }, {0x1980}, {{25, 8}}},
    {"CCTrackTau 6", 'R', 0, [] { T3Set::CCTrackTau(6); }, {0x1900}, {}},
    {"TestDacToProbeOut", 'R', 0, [] { T3Set::TestDacToProbeOut(true); }, {0x1A02}, {{26, 2}}},
    {"TRangeSwitches", 'R', 0, [] { T3Set::TRangeSwitches(3); }, {0x1A0C}, {{26, 0xC}}},
    {"TestDacToOutputAmp", 'R', 0, [] { T3Set::TestDacToOutputAmp(false); }, {0x1B40},
     {{27, 4}}},
    {"Filter1 2", 'R', 0, [] { T3Set::Filter1(2); }, {0x1C04}, {{28, 4}}},
    {"Filter1 4", 'R', 0, [] { T3Set::Filter1(4); }, {0x1C00}, {}},
    {"BathSense off", 'R', 0, [] { T3Set::BathSense(false); }, {0x1D10}, {{29, 1}}},
    {"VrefX2", 'R', 0, [] { T3Set::VrefX2(true); }, {0x1D80}, {{29, 8}}},
    {"OutputFilter", 'R', 0, [] { T3Set::OutputFilter(2); }, {0x1E02}, {{30, 2}}},
    {"Filter2Source", 'R', 0, [] { T3Set::Filter2Source(true, false, true); }, {0x1F40, 0x2C04},
     {{31, 4}, {44, 4}}},
    {"StimSource 1", 'R', 0, [] { T3Set::StimSource(1); }, {0x2002}, {{32, 2}}},
    {"StimFilter", 'R', 0, [] { T3Set::StimFilter(true); }, {0x2140}, {{33, 4}}},
    {"CSlowSwitches", 'R', 0, [] { T3Set::CSlowSwitches(0x13); }, {0x2213, 0x2313},
     {{34, 3}, {35, 1}}},
    {"GSeriesSwitches", 'R', 0, [] { T3Set::GSeriesSwitches(5); }, {0x23A0}, {{35, 0xA}}},
    {"CFastTau2Switches", 'R', 0, [] { T3Set::CFastTau2Switches(9); }, {0x2409}, {{36, 9}}},
    {"CFastAmp2Switches", 'R', 0, [] { T3Set::CFastAmp2Switches(6); }, {0x2560}, {{37, 6}}},
    {"GLeakSwitch", 'R', 0, [] { T3Set::GLeakSwitch(true); }, {0x2601}, {{38, 1}}},
    {"RsCompSlow", 'R', 0, [] { T3Set::RsCompSlow(true); }, {0x2608}, {{38, 8}}},
    {"MuxGainx64", 'R', 0, [] { T3Set::MuxGainx64(true); }, {0x2720}, {{39, 2}}},
    {"TestIntegratorSource", 'R', 0, [] { T3Set::TestIntegratorSource(2); }, {0x2780},
     {{39, 8}}},
    {"ProbeResistor", 'R', 0, [] { T3Set::ProbeResistor(1); }, {0x2804}, {{40, 4}}},
    {"MuxChannel", 'R', 0, [] { T3Set::MuxChannel(7); }, {0x2970}, {{41, 7}}},
    {"CSlowInjCaps", 'R', 0, [] { T3Set::CSlowInjCaps(7); }, {0x2A83, 0x2B83},
     {{42, 3}, {43, 8}}},
    {"TestIntInjCaps", 'R', 0, [] { T3Set::TestIntInjCaps(3); }, {0x2A0C}, {{42, 0xC}}},
    {"CFastAmp1Switches", 'R', 0, [] { T3Set::CFastAmp1Switches(5); }, {0x2B50}, {{43, 5}}},
    {"GentleSwitch", 'R', 0, [] { T3Set::GentleSwitch(true); }, {0x2C02}, {{44, 2}}},
    {"TestDacOut", 'R', 0, [] { T3Set::TestDacOut(true); }, {0x2D10}, {{45, 1}}},
};

class Setters : public CommandPortTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CommandPortTest::SetUp());
    VrnlBoards::SetProperties(true, false);
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, Setters, ::testing::Values(ZRVBase::BoardZRV28), BoardName);

TEST_P(Setters, EachSetterSendsItsWordsInOrderAndRecordsItsElements) {
  for (const SetterCase& c : kSetterCases) {
    SCOPED_TRACE(c.name);
    StartCore(c.letter, c.eepromKind);
    T3Set::SendToHardware = true;
    recorder_.Clear();
    c.set();
    VrnlBoards::FlushCache();
    EXPECT_EQ(recorder_.Words(), c.words);
    EXPECT_EQ(CurrentShadow(), ShadowOf(c.shadow));
    EXPECT_EQ(T3Error::Error, c.error);
  }
  EXPECT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
}

TEST_P(Setters, WithoutTheHardwareOnlyTheShadowChanges) {
  StartCore('R', 0);
  recorder_.Clear();
  T3Set::CSlowDac(100);
  T3Set::MuxChannel(3);
  EXPECT_TRUE(QueuedSamples().empty());
  VrnlBoards::FlushCache();
  EXPECT_TRUE(recorder_.Words().empty());
  EXPECT_EQ(CurrentShadow(), ShadowOf({{20, 100}, {41, 3}}));
}

TEST(SwitchWords, ThePairWordGoesToTheEvenAddress) {
  StartCore('R', 0);
  T3Set::Set4Switches(28, 0x5);
  T3Set::Set4Switches(29, 0xA);
  EXPECT_EQ(T3Set::SwitchValueToSend(29), 0x1CA5);
  EXPECT_EQ(T3Set::SwitchValueToSend(28), 0x1CA5);
  EXPECT_EQ(T3Set::ByteToSend(63, 0x1FF), 0x3FFF);
}

TEST(SwitchWords, ElementKindsAndNames) {
  struct Case {
    int address;
    int kind;
    const char* name;
  };
  const Case cases[] = {{0, 0, "IC7A "},  {13, 0, "IC24B"}, {14, 1, "IC77A"}, {23, 1, "IC41B"},
                        {24, 2, "IC75 "}, {45, 2, "Ext  "}, {46, 2, "L5   "}, {47, 3, "free "},
                        {48, 4, "???? "}, {-1, 4, "???? "}};
  for (const Case& c : cases) {
    char name[8];
    T3Set::IC_Name(c.address, name);
    EXPECT_STREQ(name, c.name) << c.address;
    EXPECT_EQ(T3Set::IC_Kind(c.address), c.kind) << c.address;
  }
}

// ---- Power-on on every board type ------------------------------------------------

class PowerOn : public CommandPortTest {};

INSTANTIATE_TEST_SUITE_P(Boards, PowerOn,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28,
                                           ZRVBase::BoardQRN2400, ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(PowerOn, TheBoardEndsInThePowerOnStateCachingOnAndOff) {
  // The QRN 2400 stand-in shows its outputs only at input conversions.
  const bool seen = Board() != ZRVBase::BoardQRN2400;
  for (const bool caching : {true, false}) {
    SCOPED_TRACE(caching);
    StartCore('T', 0);
    T3Set::SendToHardware = true;
    VrnlBoards::SetProperties(caching, false);
    recorder_.Clear();
    T3Set::InitHardware();
    VrnlBoards::FlushCache();
    EXPECT_EQ(CurrentShadow(), ShadowOf(kPowerOn));
    EXPECT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
    EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
    if (seen) {
      EXPECT_EQ(recorder_.Words().size(), kPowerOnWords);
      EXPECT_EQ(ElementsAfter(recorder_.Words()), ElementBits(CurrentShadow()));
    }
  }
}

class MaskedPowerOn : public CommandPortTest {};

INSTANTIATE_TEST_SUITE_P(Boards, MaskedPowerOn, ::testing::Values(ZRVBase::BoardZRV24), BoardName);

TEST_P(MaskedPowerOn, TheChipSelectBitIsClearAroundEveryWord) {
  for (const bool caching : {true, false}) {
    SCOPED_TRACE(caching);
    StartCore('D', 0);
    T3Base::MaskChipSelectBit = true;
    T3Set::SendToHardware = true;
    VrnlBoards::SetProperties(caching, false);
    recorder_.Clear();
    T3Set::InitHardware();
    // The power-on zeroes the user's lines; set their chip-select bit for
    // one more word.
    ZRV::SetDigValue(0x0400);
    T3Set::MuxChannel(5);
    VrnlBoards::FlushCache();
    const Words samples = recorder_.TlvSamples();
    std::vector<bool> wordSample(samples.size(), false);
    for (const std::size_t p : recorder_.LatchPositions()) {
      wordSample[p - 1] = wordSample[p] = true;
      if (p + 1 < samples.size()) wordSample[p + 1] = true;
    }
    // Rest samples carry the strobe; the user's own words between the
    // bursts (0x0400) do not.
    for (std::size_t i = 1; i < samples.size(); ++i) {
      const bool rest = !wordSample[i] && (samples[i] & 0x4000) != 0;
      if (rest) {
        EXPECT_EQ(samples[i] & 0x0400, 0) << i << ": " << samples[i];
      }
    }
    EXPECT_EQ(ElementsAfter(recorder_.Words()), ElementBits(CurrentShadow()));
  }
}

// ---- Without a board: variants, echo, dump ------------------------------------------

class Closed : public ClosedLayerTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ClosedLayerTest::SetUp());
    StartCore('T', 0);
  }
  // The console lines from the given line on.
  static std::vector<std::string> LinesFrom(std::size_t first) {
    const std::vector<std::string> lines = ConsoleLines();
    return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(first, lines.size())), lines.end()};
  }
};

TEST_F(Closed, PowerOnOptionsAndTheDroppedWords) {
  struct Case {
    bool vrefX2;
    bool cFastHigh;
    std::uint16_t latch29;
  };
  const Case cases[] = {{false, false, 0}, {true, false, 8}, {false, true, 4}, {true, true, 12}};
  for (const Case& c : cases) {
    StartCore('T', 0);
    T3Set::SendToHardware = true;
    VrnlBoards::SetProperties(true, false);
    T3Base::ForceVrefX2 = c.vrefX2;
    T3Base::ForceCFastHigh = c.cFastHigh;
    T3Set::InitHardware();
    Elements expected = kPowerOn;
    if (c.latch29 != 0) expected.emplace_back(29, c.latch29);
    EXPECT_EQ(CurrentShadow(), ShadowOf(expected)) << c.vrefX2 << c.cFastHigh;
    EXPECT_TRUE(QueuedSamples().empty());
  }
}

TEST_F(Closed, TheEchoFollowsTheSwitchNumber) {
  struct Case {
    const char* firstLine;  // nullptr: no switch file
    bool echo;
  };
  const Case cases[] = {{nullptr, false}, {"1", false}, {"2", false},
                        {"0", true},      {"", true},   {"0.5", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firstLine == nullptr ? "none" : c.firstLine);
    if (c.firstLine != nullptr) PutSwitch("T3Debug.On", c.firstLine);
    StartCore('T', 0);
    EXPECT_EQ(T3Set::DebugWrite, c.echo);
    const std::size_t first = ConsoleLines().size();
    T3Set::SendDAC8(3, 0x2C);
    EXPECT_EQ(LinesFrom(first).size(), c.echo ? 1u : 0u);
  }
}

TEST_F(Closed, EchoLines) {
  PutSwitch("T3Debug.On", "0");
  struct Case {
    bool hardware;
    std::function<void()> send;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {true, [] { T3Set::SendDAC8(3, 0x2C); },
       {"  DAC8     0000001100101100   IC8B [ 3]   44"}},
      {false, [] { T3Set::SendDAC8(3, 0x2C); },
       {"  dac8     0000001100101100   IC8B [ 3]   44"}},
      {true, [] { T3Set::SendDAC12(21, 0x0ABC); },
       {"  DAC12    0001010001001100   IC50B[21] 2748", "0001010001011011   ",
        "0001010001101010   ", "0001010001110000   "}},
      {false, [] { T3Set::SendDAC12(21, 0x0ABC); },
       {"  dac12    0001010001001100   IC50B[21] 2748", "0001010001011011   ",
        "0001010001101010   ", "0001010001110000   "}},
      {true,
       [] {
         T3Set::Set4Switches(28, 0x5);
         T3Set::Set4Switches(29, 0xA);
         T3Set::SendSwitchValue(29);
       },
       {"  SWITCH   0001110110100101   IC96 [29] -B-D"}},
      {false,
       [] {
         T3Set::Set4Switches(28, 0x5);
         T3Set::Set4Switches(29, 0xA);
         T3Set::SendSwitchValue(29);
       },
       {"  switch   0001110110100101   IC96 [29] -B-D"}},
  };
  for (const Case& c : cases) {
    StartCore('T', 0);
    T3Set::SendToHardware = c.hardware;
    const std::size_t first = ConsoleLines().size();
    c.send();
    EXPECT_EQ(LinesFrom(first), c.lines);
  }
}

TEST_F(Closed, TheStateDump) {
  T3Set::SendDAC8(0, 255);
  T3Set::SendDAC12(21, 2748);
  T3Set::SendDAC12(23, 4095);
  T3Set::Set4Switches(24, 1);
  T3Set::Set4Switches(29, 0xA);
  T3Set::Set4Switches(47, 0xF);
  T3Base::MaxSelectors = 16;
  T3Selector::SelectorPosition = 11;
  T3Selector::SelectorBoard = 1;
  T3Selector::SelectorDacUnits = 37;
  T3Selector::SelectorEEPROM = true;
  const std::size_t first = ConsoleLines().size();
  T3Set::WriteState();
  const std::vector<std::string> expected = {
      "",
      "IC7A [ 0]  255        IC75 [24] A---",
      "IC7B [ 1]    0        IC80 [25] ----",
      "IC8A [ 2]    0        IC2  [26] ----",
      "IC8B [ 3]    0        IC14 [27] ----",
      "IC34A[ 4]    0        IC10 [28] ----",
      "IC34B[ 5]    0        IC96 [29] -B-D",
      "IC25A[ 6]    0        IC16 [30] ----",
      "IC25B[ 7]    0        IC18 [31] ----",
      "IC56A[ 8]    0        IC32 [32] ----",
      "IC56B[ 9]    0        IC38 [33] ----",
      "IC22A[10]    0        IC51 [34] ----",
      "IC22B[11]    0        L1   [35] ----",
      "IC24A[12]    0        IC55 [36] ----",
      "IC24B[13]    0        IC58 [37] ----",
      "IC77A[14]    0        IC45 [38] ----",
      "IC77B[15]    0        IC26 [39] ----",
      "IC4A [16]    0        L3   [40] ----",
      "IC4B [17]    0        L4   [41] ----",
      "IC12A[18]    0        IC66 [42] ----",
      "IC12B[19]    0        IC57 [43] ----",
      "IC50A[20]    0        IC88 [44] ----",
      "IC50B[21] 2748        Ext  [45] ----",
      "IC41A[22]    0        L5   [46] ----",
      "IC41B[23] 4095        free [47] ABCD",
      "Selector_pos= 12, board= 2, DA-units=   37, EEPROM=  TRUE",
  };
  EXPECT_EQ(LinesFrom(first), expected);

  T3Base::MaxSelectors = 0;
  const std::size_t second = ConsoleLines().size();
  T3Set::WriteState();
  EXPECT_EQ(LinesFrom(second).size(), 25u);
}

TEST_F(Closed, TheBoardLatchLogsTheBoardAsked) {
  ASSERT_TRUE(LogUtil::OpenLog());
  T3Set::T3BoardLatch(4);
  LogUtil::CloseLog();
  std::string path(IOBase::DefaultDir, static_cast<std::size_t>(Strings::Length(IOBase::DefaultDir)));
  std::ifstream log(path + "QV_Log.txt");
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_NE(text.str().find("T3Set: T3BoardLatch:        4"), std::string::npos) << text.str();
  EXPECT_EQ(T3Set::SwitchState.Element[46], 0);
}

}  // namespace
