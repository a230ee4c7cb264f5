#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "acquisition/ZRVBase.h"
#include "foundation/Strings.h"
#include "potentiostat/PKTypes.h"

namespace {

TEST(PKTypesErrorText, EveryCode) {
  const char* const texts[] = {"no error",
                               nullptr,
                               "unknow error",
                               "no SCALE file loaded",
                               "no mux-gain",
                               "mux-gain not OK",
                               "EEPROM-string faulty",
                               "serial number conflict",
                               "board version conflict",
                               "version conflict",
                               "unknown version (faulty?)",
                               "wrong file length",
                               "wrong file ID",
                               "timeout",
                               "EEPROM cache error",
                               "AD/DA-board not initialized",
                               "error in PKMeasure",
                               "range error",
                               "fatal error in user function",
                               "not implemented"};
  Strings::Assign(ZRVBase::ErrorText, "ZRV-24 [PCI-0] error: board not found");
  for (int code = 0; code < 256; ++code) {
    PKTypes::Error = static_cast<std::uint8_t>(code);
    char text[256] = "";
    PKTypes::ErrorText(text);
    const std::string expected = code == 1  ? "ZRV-24 [PCI-0] error: board not found"
                                 : code < 20 ? texts[code]
                                             : "unknow error";
    EXPECT_EQ(std::string(text), expected) << code;
  }
  Strings::Clear(ZRVBase::ErrorText);
}

TEST(PKTypesErrorText, AppendsWithinTheCapacity) {
  PKTypes::Error = PKTypes::RangeError;
  char text[32] = "K5: ";
  PKTypes::ErrorText(text);
  PKTypes::ErrorText(text);
  EXPECT_STREQ(text, "K5: range errorrange error");
  char small[8] = "";
  PKTypes::Error = PKTypes::UnknownVersion;
  PKTypes::ErrorText(small);
  EXPECT_STREQ(small, "unknown");
  PKTypes::ErrorText(small);
  EXPECT_STREQ(small, "unknown");
}

TEST(PKTypesState, InitModuleLeavesTheStoredRecords) {
  PKTypes::States[1].CellMode = 2;
  PKTypes::States[0].RecordVersion = 900;
  PKTypes::State.RecordVersion = 900;
  PKTypes::State.Version = 'C';
  PKTypes::Error = 9;
  PKTypes::CellActivateDelay = 0;
  PKTypes::InitModule();
  EXPECT_EQ(PKTypes::States[1].CellMode, 2);
  EXPECT_EQ(PKTypes::States[0].RecordVersion, 900);
  EXPECT_EQ(PKTypes::State.RecordVersion, 0);
  EXPECT_EQ(PKTypes::State.Version, 0);
  EXPECT_EQ(PKTypes::State.Name[0], '\0');
  EXPECT_EQ(PKTypes::State.SpareReal1, 1.0);
  EXPECT_EQ(PKTypes::State.SharedReal2, 7.0);
  EXPECT_EQ(PKTypes::State.SharedReal3, 0.0);
  EXPECT_TRUE(PKTypes::State.SharedFlag1);
  EXPECT_EQ(PKTypes::Error, 0);
  EXPECT_EQ(PKTypes::CellActivateDelay, 2.0);
  EXPECT_EQ(PKTypes::OffsetTimeout, 5.0);
}

TEST(PKTypesState, SyncStateCarriesSharedFieldsAndFixesRingMarks) {
  PKTypes::InitModule();
  PKTypes::States[0] = PKTypes::PKState{};
  PKTypes::States[1] = PKTypes::PKState{};
  PKTypes::States[0].IsRingAmplifier = true;
  PKTypes::State.Version = 'B';
  PKTypes::State.SharedReal1 = 1.5;
  PKTypes::State.SharedFlag2 = true;
  PKTypes::State.SharedByte1 = 4;
  PKTypes::State.SharedChar1 = 'x';
  PKTypes::State.HasRingAmplifier = true;
  PKTypes::State.CellMode = 2;
  PKTypes::SyncState(0, 1);
  const PKTypes::PKState& copy = PKTypes::States[0];
  EXPECT_EQ(copy.Version, 'B');
  EXPECT_EQ(copy.SharedReal1, 1.5);
  EXPECT_TRUE(copy.SharedFlag2);
  EXPECT_EQ(copy.SharedReal2, 7.0);
  EXPECT_TRUE(copy.SharedFlag1);
  EXPECT_EQ(copy.SharedByte1, 4);
  EXPECT_EQ(copy.SharedChar1, 'x');
  EXPECT_TRUE(copy.HasRingAmplifier);
  EXPECT_EQ(copy.ActiveAmplifier, 1);
  EXPECT_EQ(copy.CellMode, 0);  // not shared
  EXPECT_FALSE(copy.IsRingAmplifier);
  EXPECT_TRUE(PKTypes::States[1].IsRingAmplifier);
  EXPECT_EQ(PKTypes::States[1].Version, 0);
  PKTypes::SyncState(7, 0);  // no such copy: only the marks
  EXPECT_EQ(PKTypes::States[1].ActiveAmplifier, 0);
}

}  // namespace
