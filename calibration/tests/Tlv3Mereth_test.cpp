#include "calibration/Tlv3Mereth.h"

#include <gtest/gtest.h>

#include "amplifier/T3Base.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"

namespace {

constexpr int kType = 1;
constexpr int kBoard = 2;
constexpr int kSlot = 3;

TEST_F(MerethTest, StartsWithTheTlv4UsbOnTheUsbInterfaceAndNoAmplifierNumber) {
  Run([] {
    EXPECT_EQ(ItemValue(kType), 3);
    EXPECT_EQ(ItemValue(kSlot), 1);
    EXPECT_FALSE(ItemEnabled(kSlot));
    EXPECT_FALSE(ItemEnabled(kBoard));
    EXPECT_TRUE(T3Base::TesterMode);
  });
}

TEST_F(MerethTest, ANewBoardWithoutRecordsGoesOnWhenTheOperatorSaysSo) {
  Run([] {
    // The missing records are offered with "Cancel" (tester mode), which
    // goes on without them.
    Alert::PushAnswer(2);
    Initialize();
    EXPECT_TRUE(ItemEnabled(kBoard));
    EXPECT_TRUE(EntryEnabled(kBoard, 1));
    EXPECT_FALSE(EntryEnabled(kBoard, 2));
  });
  EXPECT_NE(Alerts().find("  [Cancel] [[Repeat]] -> Cancel"), std::string::npos) << Alerts();
}

TEST_F(MerethTest, PK518KeepsItsPopupEntry) {
  Run([] {
    Choose(kType, 7);
    Alert::PushAnswer(2);
    Initialize();
    EXPECT_EQ(ItemValue(kType), 7);
    EXPECT_TRUE(T3Base::MapActiveBoard);
  });
  EXPECT_NE(Alerts().find("PK518/2"), std::string::npos) << Alerts();
}

}  // namespace
