// The amplifier kinds and what they set on the AD/DA layer, with no board
// open; the interface opened with the trigger board's probe on a
// simulated rack.
#include <gtest/gtest.h>

#include <string>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/BoardRack_fixture.h"

namespace {

class AmplifierKinds : public ClosedLayerTest {
 protected:
  void SetUp() override {
    ClosedLayerTest::SetUp();
    T3Base::InitModule();
    T3Panel::InitModule();
  }
};

struct KindRow {
  T3Types::AmplifierKind kind;
  ZRVBase::BoardType given;
  T3Types::AmplifierKind setKind;
  ZRVBase::BoardType board;
  char letter;
  bool remap1;
  bool remap2;
  bool maskChipSelect;
  bool muxOnAd7;
  bool useSelectProc;
  const char* title;
};

const KindRow kKinds[] = {
    {0, 1, 0, 1, 0, false, false, false, false, false, "TLV1"},
    {1, 2, 1, 2, 0, false, false, false, false, false, "TLV2"},
    {2, 3, 2, 0, 'D', false, false, true, false, false, "TLV3"},
    {3, 1, 3, 2, 'S', true, true, false, false, true, "TLV4"},
    {4, 3, 4, 1, 'Q', true, false, false, false, true, "TLV4_Plus"},
    {5, 0, 5, 3, 'R', false, false, false, true, true, "TLV4_USB"},
    {6, 0, 6, 3, 'I', false, false, false, false, true, "oMIR"},
    {9, 2, 0, 2, 0, false, false, false, false, false, "TLV1"},
};

TEST_F(AmplifierKinds, EachKindSetsItsBoardLetterAndRemaps) {
  for (const KindRow& row : kKinds) {
    SCOPED_TRACE(static_cast<int>(row.kind));
    T3AD::SetTlvType(row.kind, row.given);
    EXPECT_EQ(T3Base::AmplKind, row.setKind);
    EXPECT_EQ(T3Base::ADBoard, row.board);
    EXPECT_EQ(ZRV::GetBoardType(), row.board);
    EXPECT_EQ(T3Base::BoardVersion, row.letter);
    EXPECT_EQ(T3Base::RemapRack1, row.remap1);
    EXPECT_EQ(T3Base::RemapRack2, row.remap2);
    EXPECT_EQ(T3Base::MaskChipSelectBit, row.maskChipSelect);
    EXPECT_EQ(T3Base::MuxAdcMappedToAD7, row.muxOnAd7);
    EXPECT_EQ(T3Base::UseSelectProc, row.useSelectProc);
    EXPECT_STREQ(T3Base::Title, row.title);
    EXPECT_EQ(T3Types::State.ModelKind, row.setKind);
    EXPECT_EQ(T3Types::State.ADBoard, row.board);
  }
}

TEST_F(AmplifierKinds, TheCorrectionsReloadOnlyWhenKindOrBoardChange) {
  const auto changed = [](T3Types::AmplifierKind kind, ZRVBase::BoardType board) {
    ADMeasure::DacToAdcDelay = -1.0;
    T3AD::SetTlvType(kind, board);
    return ADMeasure::DacToAdcDelay != -1.0;
  };
  EXPECT_TRUE(changed(3, 0));
  EXPECT_FALSE(changed(3, 0));
  EXPECT_FALSE(changed(3, 1));  // the kind brings its own board
  EXPECT_TRUE(changed(0, 1));
  EXPECT_TRUE(changed(0, 2));
  EXPECT_FALSE(changed(0, 2));
}

struct LimitRow {
  ZRVBase::BoardType board;
  std::int32_t selectors;
  bool triggerBoard;
  std::int32_t in;
  std::int32_t out;
};

TEST_F(AmplifierKinds, DigitalLinesLeftToTheUser) {
  const LimitRow rows[] = {
      {0, 0, false, 14, 13}, {1, 0, false, 14, 15}, {2, 0, false, 15, 15}, {3, 0, false, 15, 15},
      {4, 0, false, 15, 15}, {0, 8, false, 13, 5},  {3, 8, false, 13, 5},  {1, 0, true, 13, 13},
      {3, 0, true, 13, 13},  {3, 4, true, 13, 5},
  };
  for (const LimitRow& row : rows) {
    SCOPED_TRACE(std::to_string(row.board) + " " + std::to_string(row.selectors) +
                 (row.triggerBoard ? " trigger" : ""));
    T3AD::SetTlvType(0, row.board);
    T3Base::MaxSelectors = row.selectors;
    T3Base::KESP7Active = row.triggerBoard;
    T3AD::SetInitParameters();
    EXPECT_EQ(T3Base::MaxDigBitIn, row.in);
    EXPECT_EQ(T3Base::MaxDigBitOut, row.out);
    EXPECT_EQ(T3Types::State.MaxDigBitOut, row.out);
  }
}

TEST_F(AmplifierKinds, TheDacShiftIsKeptOnlyForTheZRV28) {
  T3Base::DacShiftEnabled = true;
  T3AD::InitInterface(3, 0, false);
  EXPECT_FALSE(T3Base::DacShiftEnabled);
}

// ---- Opening the interface on a rack -----------------------------------------------

class TriggerBoard : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override {
    AmplifierRackConfig config = Racks(1, 1, 'Q');
    config.trigger_board = true;
    return config;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, TriggerBoard, ::testing::Values(ZRVBase::BoardZRV28), BoardName);

TEST_P(TriggerBoard, TheProbeFindsItAndLimitsTheLines) {
  T3Base::InitModule();
  T3Panel::InitModule();
  ASSERT_TRUE(T3AD::InitInterface(T3Types::KindTlv4Plus, 0, true)) << ZRVBase::ErrorText;
  EXPECT_TRUE(T3Base::KESP7Active);
  EXPECT_EQ(T3Base::MaxDigBitIn, 13);
  EXPECT_EQ(T3Base::MaxDigBitOut, 13);
  EXPECT_EQ(ZRV::Status(), 1);

  ASSERT_TRUE(T3AD::InitInterface(T3Types::KindTlv4Plus, 0, false));
  EXPECT_TRUE(T3Base::KESP7Active);
}

}  // namespace
