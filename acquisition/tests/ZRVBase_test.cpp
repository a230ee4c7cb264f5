#include "acquisition/ZRVBase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(ZRVBaseTest, InitModuleGivesEveryGlobalItsStartValue) {
  // Dirty everything first, so that a global InitModule forgets shows.
  for (double& factor : ZRVBase::AdcUnitsPerVolt) factor = -1.0;
  for (double& factor : ZRVBase::DacUnitsPerVolt) factor = -1.0;
  ZRVBase::MaxInVolts = ZRVBase::MinInVolts = ZRVBase::MaxOutVolts = ZRVBase::MinOutVolts = 0.0;
  ZRVBase::NumberDacChannels = ZRVBase::NumberAdcChannels = 0;
  ZRVBase::NumberDigOutChannels = ZRVBase::NumberDigInChannels = 0;
  std::strcpy(ZRVBase::ErrorText, "stale error");
  ZRVBase::SecPerTick = ZRVBase::MinSamplingTime = ZRVBase::MaxSamplingTime = 0.0;
  ZRVBase::FIFOLength = 0;
  ZRVBase::DigitalOutState = 0xFFFF;
  ZRVBase::WriteToTermIO = false;
  ZRVBase::SpinCursor = true;

  ZRVBase::InitModule();

  for (double factor : ZRVBase::AdcUnitsPerVolt) EXPECT_EQ(factor, 3200.0);
  for (double factor : ZRVBase::DacUnitsPerVolt) EXPECT_EQ(factor, 3200.0);
  EXPECT_EQ(std::size(ZRVBase::AdcUnitsPerVolt), 22u);
  EXPECT_EQ(std::size(ZRVBase::DacUnitsPerVolt), 14u);
  EXPECT_EQ(ZRVBase::MaxInVolts, 10.2396875);
  EXPECT_EQ(ZRVBase::MinInVolts, -10.24);
  EXPECT_EQ(ZRVBase::MaxOutVolts, 10.2396875);
  EXPECT_EQ(ZRVBase::MinOutVolts, -10.24);
  EXPECT_EQ(ZRVBase::NumberDacChannels, 4);
  EXPECT_EQ(ZRVBase::NumberAdcChannels, 8);
  EXPECT_EQ(ZRVBase::NumberDigOutChannels, 1);
  EXPECT_EQ(ZRVBase::NumberDigInChannels, 1);
  EXPECT_STREQ(ZRVBase::ErrorText, "");
  EXPECT_EQ(ZRVBase::SecPerTick, 1e-6);
  EXPECT_EQ(ZRVBase::FIFOLength, 16384);
  EXPECT_EQ(ZRVBase::DigitalOutState, 0);
  EXPECT_TRUE(ZRVBase::WriteToTermIO);
  EXPECT_FALSE(ZRVBase::SpinCursor);
  EXPECT_EQ(ZRVBase::MinSamplingTime, 5e-6);
  EXPECT_EQ(ZRVBase::MaxSamplingTime, 0.05);
}

TEST(ZRVBaseTest, TheVoltageRangeIsTheSixteenBitCodeRange) {
  ZRVBase::InitModule();
  // 10.24 V would need code 32768, one past the range; the top of the range
  // is exactly code 32767, the bottom exactly -32768.
  EXPECT_GT(10.24 * ZRVBase::DacUnitsPerVolt[0], 32767.0);
  EXPECT_EQ(ZRVBase::MaxOutVolts * ZRVBase::DacUnitsPerVolt[0], 32767.0);
  EXPECT_EQ(ZRVBase::MaxInVolts * ZRVBase::AdcUnitsPerVolt[21], 32767.0);
  EXPECT_EQ(ZRVBase::MinOutVolts * ZRVBase::DacUnitsPerVolt[13], -32768.0);
  EXPECT_EQ(ZRVBase::MinInVolts * ZRVBase::AdcUnitsPerVolt[0], -32768.0);
}

TEST(ZRVBaseTest, InterfaceNamesAreAssignedAndUnknownTypesAppendQuestionMarks) {
  struct Case {
    int type;
    std::string before;
    std::string after;
  };
  const std::vector<Case> cases = {
      {0, "previous name", "ZRV-24"},
      {1, "x", "ZRV-28"},
      {2, "", "QRN 2400"},
      {3, "x", "QRN 5+5"},
      {4, "QRN 5+5", "No AD-Board"},
      {5, "", "???"},
      {7, "x", "x???"},
      {255, "QRN 2400", "QRN 2400???"},
  };
  for (const Case& c : cases) {
    char name[256];
    std::strcpy(name, c.before.c_str());
    ZRVBase::ToInterfaceName(static_cast<ZRVBase::BoardType>(c.type), name);
    EXPECT_EQ(std::string(name), c.after) << "type " << c.type;
  }
}

TEST(ZRVBaseTest, InterfaceNamesKeepToTheCapacity) {
  char small[6] = "";
  ZRVBase::ToInterfaceName(ZRVBase::BoardQRN2400, small);
  EXPECT_STREQ(small, "QRN 2");
  char full[6] = "abcde";
  ZRVBase::ToInterfaceName(9, full);
  EXPECT_STREQ(full, "abcde");
}

}  // namespace
