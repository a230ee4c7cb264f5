// The amplifier core's vocabulary: kind names, module defaults, error texts
// and the panel's start values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Types.h"
#include "foundation/Strings.h"

namespace {

std::string TextOf(std::span<const char> text) {
  return {text.data(), static_cast<std::size_t>(Strings::Length(text))};
}

class AmplifierBase : public ::testing::Test {
 protected:
  void SetUp() override { T3Base::InitModule(); }
  void TearDown() override {
    T3Base::InitModule();
    T3Error::InitModule();
  }
};

TEST_F(AmplifierBase, KindNames) {
  struct Case {
    int kind;
    char letter;
    bool mapActiveBoard;
    const char* name;
  };
  const Case cases[] = {
      {0, 'T', false, "TLV1"},      {1, 'B', false, "TLV2"},     {1, 'C', false, "TLV6"},
      {1, 'D', false, "OXU2"},      {1, 'X', false, "TLV2"},     {1, 0, false, "TLV2"},
      {2, 'T', false, "TLV3"},      {3, 'T', false, "TLV4"},     {4, 'T', false, "TLV4_Plus"},
      {5, 'T', false, "TLV4_USB"},  {5, 'T', true, "PK518/2"},   {6, 'T', false, "oMIR"},
      {6, 'T', true, "oMIR"},       {9, 'T', false, "TLV3"},     {255, 'C', false, "TLV3"},
  };
  for (const Case& c : cases) {
    T3Base::BoardVersion = c.letter;
    T3Base::MapActiveBoard = c.mapActiveBoard;
    char name[16] = "garbage";
    T3Base::GetName(static_cast<T3Types::AmplifierKind>(c.kind), name);
    EXPECT_EQ(TextOf(name), c.name) << c.kind << " " << c.letter << " " << c.mapActiveBoard;
  }
}

TEST_F(AmplifierBase, ANameIsCutToItsText) {
  char name[6];
  T3Base::GetName(T3Types::KindTlv4Plus, name);
  EXPECT_STREQ(name, "TLV4_");
}

TEST_F(AmplifierBase, Tlv2SubModels) {
  EXPECT_EQ(T3Base::Tlv2Kind('B'), 1);
  EXPECT_EQ(T3Base::Tlv2Kind('C'), 2);
  EXPECT_EQ(T3Base::Tlv2Kind('D'), 3);
  EXPECT_EQ(T3Base::Tlv2Kind('A'), 0);
  EXPECT_EQ(T3Base::Tlv2Kind(0), 0);
}

TEST_F(AmplifierBase, InitModuleRestoresEveryDefault) {
  T3Base::AmplKind = T3Types::KindTlv3;
  T3Base::StrobeInterval = 1.0;
  T3Base::TimedRangeSwitch = false;
  Strings::Assign(T3Base::SerialNumber, "123456R");
  T3Base::BoardState.TempF2Frequency = 1.0;
  T3Base::BoardState.BoardVmonAdc = 4;
  T3Base::InitModule();
  EXPECT_STREQ(T3Base::Title, "TLV4_USB");
  EXPECT_EQ(T3Base::AmplKind, T3Types::KindTlv4USB);
  EXPECT_EQ(T3Base::ADBoard, ZRVBase::BoardQRN55);
  EXPECT_EQ(T3Base::BoardVersion, 'T');
  EXPECT_EQ(T3Base::T3Boards, 1);
  EXPECT_EQ(T3Base::FirstRackBoards, 1);
  EXPECT_EQ(T3Base::SecondRackBoards, 0);
  EXPECT_TRUE(T3Base::RemapRack1);
  EXPECT_FALSE(T3Base::RemapRack2);
  EXPECT_EQ(T3Base::ClippingSkipCount, 2);
  EXPECT_EQ(T3Base::TimeoutCFast, 8.0);
  EXPECT_EQ(T3Base::TimeoutRsComp, 8.0);
  EXPECT_EQ(T3Base::StrobeInterval, 5e-6);
  EXPECT_EQ(T3Base::MaxDigBitIn, 15);
  EXPECT_EQ(T3Base::MaxDigBitOut, 15);
  EXPECT_TRUE(T3Base::TimedRangeSwitch);
  EXPECT_TRUE(T3Base::UseSelectProc);
  EXPECT_FALSE(T3Base::MaskChipSelectBit);
  EXPECT_STREQ(T3Base::KnownVersions,
               "A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, Y, Z");
  EXPECT_STREQ(T3Base::SerialNumber, "");

  const T3Types::BoardState& board = T3Base::BoardState;
  EXPECT_EQ(board.TempF2Frequency, 30000.0);
  EXPECT_EQ(board.BoardImonAdc1, 6);
  EXPECT_EQ(board.BoardImonAdc2, 6);
  EXPECT_EQ(board.BoardImonAdc3, 6);
  EXPECT_EQ(board.BoardVmonAdc, -2);
  EXPECT_EQ(board.VCFilter1, 2);
  EXPECT_EQ(board.TempMux, 5);
  EXPECT_EQ(board.TempFilter1, 2);
  EXPECT_EQ(board.TempGain, 1);
  EXPECT_EQ(board.TempRsFraction, 0.0);
  EXPECT_FALSE(board.TempStateSaved);
}

TEST_F(AmplifierBase, ErrorTextsAppendToWhatTheTextHolds) {
  Strings::Assign(ZRVBase::ErrorText, "ZRV-28[PCI-0] error: no board");
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
      {0, "Step: no error"},
      {1, "Step: ZRV-28[PCI-0] error: no board"},
      {2, "Step: unknow error"},
      {3, "Step: no SCALE file loaded"},
      {18, "Step: timeout"},
      {25, "Step: range error"},
      {32, "Step: not implemented"},
      {33, "Step: unknow error"},
      {99, "Step: unknow error"},
  };
  for (const Case& c : cases) {
    T3Error::Error = static_cast<T3Types::AmplifierError>(c.code);
    char text[64] = "Step: ";
    T3Init::ErrorText(text);
    EXPECT_STREQ(text, c.text) << c.code;
  }
  ZRVBase::InitModule();
}

TEST_F(AmplifierBase, ErrorTextIsCutToItsCapacity) {
  T3Error::Error = 26;
  char text[12] = "E: ";  // room for 8 of the text
  T3Init::ErrorText(text);
  EXPECT_STREQ(text, "E: clipping");
}

TEST_F(AmplifierBase, ThePanelStartsAsATlv4UsbBoardOnItsFirstRackChannels) {
  T3Types::State.MaxDigBitOut = 3;
  T3Selector::SelectorPosition = 2;
  T3Selector::SelectorEEPROM = true;
  T3Panel::InitModule();
  const T3Types::AmplifierState& state = T3Types::State;
  EXPECT_EQ(state.ModelKind, T3Types::KindTlv4USB);
  EXPECT_EQ(state.ADBoard, ZRVBase::BoardQRN55);
  EXPECT_EQ(state.BoardVersion, 'R');
  EXPECT_EQ(state.Board, 0);
  EXPECT_EQ(state.EEPROMKind, 0);
  EXPECT_FALSE(state.RefGainTrimOn);
  EXPECT_EQ(state.MaxDigBitOut, 0);
  EXPECT_EQ(state.CommandPortChannel, 9);
  EXPECT_EQ(state.EEPROMReadChannel, 17);
  EXPECT_EQ(state.SelectorPortChannel, 8);
  EXPECT_EQ(T3Selector::SelectorPosition, 0);
  EXPECT_FALSE(T3Selector::SelectorEEPROM);
}

TEST_F(AmplifierBase, OnlyTheYBoardHasAReferenceGainTrim) {
  for (const char letter : {'R', 'T', 'Z', 'A'}) {
    T3Base::BoardVersion = letter;
    EXPECT_FALSE(T3Panel::HasRefGainTrim()) << letter;
  }
  T3Base::BoardVersion = 'Y';
  EXPECT_TRUE(T3Panel::HasRefGainTrim());
}

}  // namespace
