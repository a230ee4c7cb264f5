// Probe selectors on a simulated QRN 2400 rack: their EEPROM strings (from
// the chip and from the switch file), their activation over the boards,
// their positions with the per-position records, and their DAC.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Types.h"
#include "amplifier/VrnlEEPROM.h"
#include "amplifier/tests/BoardRack_fixture.h"
#include "foundation/GLP.h"
#include "sim/ZRVLibrary/ZRVSim.h"

namespace {

// Two boards behind one selector, two behind another.
class Selectors : public BoardRackTest {
 protected:
  void SetUp() override {
    BoardRackTest::SetUp();
    GLP::InitModule();
    VrnlEEPROM::InitModule();
  }
  void TearDown() override {
    GLP::InitModule();
    BoardRackTest::TearDown();
  }

  AmplifierRackConfig RackConfig() const override {
    AmplifierRackConfig config = Racks(1, 4);
    ProbeSelectorConfig first;
    first.boards = 2;
    first.probes = 8;
    first.eeprom_text = "123456F02x08";
    ProbeSelectorConfig second = first;
    second.first_board = 2;
    second.probes = 12;
    second.eeprom_text = "223344G02x12";
    config.selectors = {first, second};
    return config;
  }

  // The selector's chip holding the text from now on.
  void PutSelectorText(int selector, const std::string& text) {
    const std::vector<std::uint8_t> image = FreshSmallImage(text);
    PutFile("selector.bin", std::string(image.begin(), image.end()));
    ASSERT_TRUE(ProbeSelector(selector).Chip().Load(Path("selector.bin")));
  }
  ::ProbeSelector& ProbeSelector(int selector) { return Rack().Selectors()[static_cast<std::size_t>(selector)]; }

  struct Reading {
    bool ok;
    std::int32_t blocks;
    std::int32_t probes;
    std::string message;
  };
  static Reading Read() {
    Reading reading{};
    std::array<char, 64> message{};
    reading.ok = T3Selector::ReadSelectorEEPROM(reading.blocks, reading.probes, message);
    reading.message = message.data();
    return reading;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, Selectors, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

struct StringCase {
  const char* text;
  bool ok;
  const char* message;
};

const StringCase kStrings[] = {
    {"123456F02x08", true, ""},
    {"123456F0x208", false, "Faulty Selector EEPROM string (1)"},
    {"123456F00x08", false, "Faulty Selector EEPROM string (2)"},
    {"123456F02x-8", false, "Faulty Selector EEPROM string (3)"},
    {"123456F02xAB", false, "Faulty Selector EEPROM string (3)"},
    {"123456F02x17", false, "Faulty Selector EEPROM string (4)"},
    {"123456F02x0", false, "Empty Selector EEPROM"},
    {"", false, "Empty Selector EEPROM"},
};

TEST_P(Selectors, StringsFromTheChipAndFromTheSwitchFile) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Base::MaxSelectors = 16;
  for (const bool fromFile : {false, true}) {
    for (const StringCase& c : kStrings) {
      // An empty switch file stands for no string.
      if (fromFile && c.text[0] == '\0') continue;
      SCOPED_TRACE(std::string(c.text) + (fromFile ? " from the file" : " from the chip"));
      if (fromFile) {
        PutFile("TlvSelector.On", std::string(c.text) + "\n");
        PutSelectorText(0, "999999Z01x01");
      } else {
        ASSERT_NO_FATAL_FAILURE(PutSelectorText(0, c.text));
      }
      const Reading reading = Read();
      EXPECT_EQ(reading.ok, c.ok);
      EXPECT_EQ(reading.message, c.message);
      if (!c.ok) continue;
      EXPECT_EQ(reading.blocks, 2);
      EXPECT_EQ(reading.probes, 8);
      EXPECT_STREQ(T3Base::SelectorNumber, "123456");
      EXPECT_STREQ(T3Base::SelectorVersion, "F");
    }
  }
  // The switch file also turns the selector's debug lines on.
  const std::vector<std::string> lines = NotebookLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), " ProbeSelector: blocks = 2, probes = 8"), lines.end());
}

TEST_P(Selectors, AnEmptyChipOfAMultiBoardAmplifierNamesItsBoard) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Base::IsTlv3N = true;
  T3Panel::SetT3Board(1);
  ASSERT_NO_FATAL_FAILURE(PutSelectorText(0, ""));
  EXPECT_EQ(Read().message, "Empty Selector-2 EEPROM");
}

TEST_P(Selectors, UnderGLPTheSwitchFileIsIgnored) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  PutFile("TlvSelector.On", "123456F02x17\n");
  GLP::Enforce = true;
  const Reading reading = Read();
  EXPECT_TRUE(reading.ok) << reading.message;
  EXPECT_EQ(reading.probes, 8);
}

TEST_P(Selectors, AFailedReadIsReported) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  ZRVSimSettings settings{};
  ZRVSim_GetSettings(Board(), &settings);
  settings.stalled_units = 1;
  ZRVSim_SetSettings(Board(), &settings);
  const Reading reading = Read();
  EXPECT_FALSE(reading.ok);
  EXPECT_EQ(reading.message, "Selector EEPROM Read Error");
}

TEST_P(Selectors, ActivationReadsEverySelectorAndSetsPositionOne) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Base::MaxSelectors = 16;
  T3Panel::SetT3Board(3);
  std::array<char, 64> message{};
  ASSERT_TRUE(T3Selector::ActivateSelector(message)) << message.data();
  // The first selector lowers the count to 8, the second raises it to 12.
  EXPECT_EQ(T3Base::MaxSelectors, 12);
  EXPECT_EQ(T3Base::MaxDigBitIn, 13);
  EXPECT_EQ(T3Base::MaxDigBitOut, 5);
  EXPECT_EQ(T3Types::State.Board, 3);
  EXPECT_STREQ(T3Base::SelectorNumber, "223344");
  for (int board = 0; board < 4; ++board) {
    EXPECT_EQ(ProbeSelector(board / 2).Probe(board), 1) << board;
    const T3Types::AmplifierState* state = T3Select::GetStateAdr(board);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->Selector, 1) << board;
  }
}

TEST_P(Selectors, ActivationWithTheInterfaceClosedKeepsTheCount) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Base::MaxSelectors = 5;
  ZRV::Shutdown();
  std::array<char, 64> message{};
  EXPECT_TRUE(T3Selector::ActivateSelector(message));
  EXPECT_EQ(T3Base::MaxSelectors, 5);
}

TEST_P(Selectors, PositionZeroMovesTheSelectorToOneAndReplays) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Base::MaxSelectors = 8;
  T3Panel::SetSelector(3);
  VrnlBoards::FlushCache();
  ASSERT_EQ(ProbeSelector(0).Probe(0), 3);
  const long words = Elements(0, 0).Words();
  T3Panel::SetSelector(0);
  VrnlBoards::FlushCache();
  EXPECT_EQ(ProbeSelector(0).Probe(0), 1);
  EXPECT_EQ(T3Types::State.Selector, 0);
  EXPECT_GT(Elements(0, 0).Words(), words + 20);

  // The same position again replays nothing.
  const long after = Elements(0, 0).Words();
  T3Panel::SetSelector(0);
  VrnlBoards::FlushCache();
  EXPECT_EQ(Elements(0, 0).Words(), after);
}

TEST_P(Selectors, PositionSixteenKeepsItsOwnRecords) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Base::MaxSelectors = 16;
  T3Panel::SetSelector(16);
  T3Panel::SetGain(4);
  T3Scale::Scale.CFastFactor = 16.0;
  T3Panel::SetSelector(1);
  EXPECT_EQ(T3Types::State.Gain, 1);
  const T3Types::AmplifierState* sixteen = T3Select::GetSelectorStateAdr(0, 16);
  ASSERT_NE(sixteen, nullptr);
  EXPECT_EQ(sixteen->Gain, 4);
  EXPECT_EQ(T3Select::GetSelectorStateAdr(0, 17), nullptr);
  T3Panel::SetSelector(16);
  EXPECT_EQ(T3Types::State.Gain, 4);
  EXPECT_DOUBLE_EQ(T3Scale::Scale.CFastFactor, 16.0);
  EXPECT_EQ(T3Select::GetSelectorStateAdr(0, 16), &T3Types::State);
}

TEST_P(Selectors, TheHoldingDacTakesThePipetteOffsetsShare) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Base::MaxSelectors = 8;
  T3Panel::SetSelector(2);
  T3Scale::Scale.VpOffsetScale = 4096.0;
  T3Scale::Scale.VpOffsetZero = 2048.0;
  T3Scale::Scale.VpOffsetCorr = {};
  T3Types::State.VpOffset = 0.0;
  T3Selector::SetSelectorVHold(0.1);
  EXPECT_EQ(ProbeSelector(0).DacUnits(), 2048 - 1024);
  // The pipette offset DAC at 2048: the units 2048, nibbles 0, 0, 8.
  T3Selector::SetSelectorVHold(0.0);
  EXPECT_EQ(ProbeSelector(0).DacUnits(), 2048);
  EXPECT_EQ(T3Selector::SelectorDacUnits, 2048);

  // A zeroed scale record gives the pipette offset no share.
  T3Scale::Scale.VpOffsetScale = 0.0;
  T3Selector::SetSelectorVHold(0.05);
  EXPECT_EQ(ProbeSelector(0).DacUnits(), 2048 - 512);
}

}  // namespace
