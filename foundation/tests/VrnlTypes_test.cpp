#include "foundation/VrnlTypes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/platform/Host.h"

namespace {

TEST(VrnlTypes, MakeFourCharCodeReadsInReadingOrder) {
  VrnlTypes::FourCharCode code = 0;
  VrnlTypes::MakeFourCharCode(code, 'T', 'E', 'X', 'T');
  EXPECT_EQ(code, 0x54455854u);
  VrnlTypes::MakeFourCharCode(code, '\xFF', 0, 'a', '\x80');
  EXPECT_EQ(code, 0xFF006180u);
}

TEST(VrnlTypes, LittleEndianHostHoldsTheBytesReversed) {
  if (!Platform::IsLittleEndian()) GTEST_SKIP() << "big-endian host";
  VrnlTypes::FourCharCode code = 0;
  VrnlTypes::MakeFourCharCode(code, 'T', 'E', 'X', 'T');
  char bytes[4];
  std::memcpy(bytes, &code, sizeof bytes);
  EXPECT_EQ(std::string(bytes, sizeof bytes), "TXET");
}

TEST(VrnlTypes, InitModuleSetsTheCodes) {
  VrnlTypes::InitModule();
  EXPECT_EQ(VrnlTypes::type_TEXT, 0x54455854u);
  EXPECT_EQ(VrnlTypes::type_empty, 0u);
  EXPECT_EQ(VrnlTypes::type_fss, 0x66737320u);  // 'fss '
  EXPECT_EQ(VrnlTypes::type_fs, 0x66732020u);   // 'fs  '
  EXPECT_EQ(VrnlTypes::type_any, 0x3F3F3F3Fu);  // '????'
  EXPECT_EQ(VrnlTypes::type_Tlv3, 0x546C7633u);
  EXPECT_EQ(VrnlTypes::type_pref, 0x70726566u);
}

}  // namespace
