// The stored forms: the scale record's 1,024-byte EEPROM image against a
// golden image made by hand from the offset listing, and the "K5STATE"
// record.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/GLP.h"
#include "foundation/RealTime.h"
#include "potentiostat/K5EEPROM.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKRecords_fixture.h"

namespace {

using K5Scale::PKScaleRecord;
using Image = std::array<std::uint8_t, K5EEPROM::ScaleImageSize>;

class K5ScaleImage : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    K5Panel::InitAllModules();
    RealTime::InitModule();
    GLP::InitModule();
  }
};

TEST_F(K5ScaleImage, DefaultRecordPacksToTheGoldenImage) {
  static_assert(K5EEPROM::ScaleImageSize == 1024 && K5EEPROM::StateRecordSize == 200);
  PKScaleRecord record = K5Scale::Scale;
  Image image{};
  K5EEPROM::PackScale(record, image);
  const Image golden = GoldenDefaultScaleImage();
  for (std::size_t n = 0; n < image.size(); ++n) ASSERT_EQ(image[n], golden[n]) << "offset " << n;
  EXPECT_EQ(record.CheckValue, LoadHost<std::uint32_t>(golden, 32));
  EXPECT_EQ(LoadHost<double>(image, 176), 0.0625);
  EXPECT_EQ(LoadHost<std::int16_t>(image, 616), 2047);
}

// The fuzz target starts from the golden images in both byte orders.
TEST_F(K5ScaleImage, GoldenImagesSeedTheFuzzTarget) {
  const auto seed = [](const std::string& name) {
    std::ifstream in(std::string(MERETH_PK_SEEDS) + name, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  const ScaleImage golden = GoldenDefaultScaleImage();
  const ScaleImage other = OtherOrder(golden);
  const bool little = std::endian::native == std::endian::little;
  EXPECT_EQ(seed("default_scale_le"), std::vector<std::uint8_t>(little ? golden.begin() : other.begin(),
                                                                  little ? golden.end() : other.end()));
  EXPECT_EQ(seed("default_scale_be"), std::vector<std::uint8_t>(little ? other.begin() : golden.begin(),
                                                                  little ? other.end() : golden.end()));
  const std::vector<std::uint8_t> states = seed("pk512_two_states");
  ASSERT_EQ(states.size(), 400U);
  PKTypes::PKState read[2] = {};
  K5EEPROM::FileToState(states, read, !little, true);
  EXPECT_EQ(read[1].ActiveAmplifier, 1);
  EXPECT_STREQ(read[1].Name, "PK512_USB");
}

TEST_F(K5ScaleImage, BothByteOrdersReadEqual) {
  for (const bool otherOrder : {false, true}) {
    SCOPED_TRACE(otherOrder);
    const Image image = otherOrder ? OtherOrder(GoldenDefaultScaleImage()) : GoldenDefaultScaleImage();
    PKScaleRecord read{};
    std::string message;
    ASSERT_TRUE(K5EEPROM::UnpackScale(image, read, message)) << message;
    EXPECT_EQ(message, "");
    Image again{};
    K5EEPROM::PackScale(read, again);
    EXPECT_EQ(again, GoldenDefaultScaleImage());
    EXPECT_EQ(read.SubtrDacFactor[1][2], 500000.0);
    EXPECT_EQ(read.CurrentOffsetDac[11], 2047);
    EXPECT_STREQ(read.Id, "K5SCALE");
  }
}

TEST_F(K5ScaleImage, RefusalsKeepTheRecord) {
  struct Row {
    const char* name;
    Image image;
    bool enforce;
    const char* message;
  };
  Image empty = GoldenDefaultScaleImage();
  empty[36] = 0xAD;
  Image erased;
  erased.fill(0xFF);
  Image flipped = GoldenDefaultScaleImage();
  flipped[300] ^= 0x10;
  PKScaleRecord nan = K5Scale::Scale;
  nan.StimScaleOffset[3] = std::nan("");
  PKScaleRecord infinite = K5Scale::Scale;
  infinite.ClampIntercept = -HUGE_VAL;
  PKScaleRecord notScale = K5Scale::Scale;
  std::memcpy(notScale.Id, "K5STATE", 8);
  PKScaleRecord old = K5Scale::Scale;
  std::memcpy(old.CalibrationDate, "01-Jan-2000", 12);
  const Row rows[] = {
      {"empty", empty, false, "PK510: Reading Scale from EEPROM failed, is empty"},
      {"erased", erased, false, "PK510: Reading Scale from EEPROM failed, CRC error"},
      {"zeros", Image{}, false, "PK510: Reading Scale from EEPROM failed, not a scale record."},
      {"flipped byte", flipped, false, "PK510: Reading Scale from EEPROM failed, CRC error"},
      {"NaN", Packed(nan), false, "PK510: Reading Scale from EEPROM failed, not a scale record."},
      {"infinity", Packed(infinite), false, "PK510: Reading Scale from EEPROM failed, not a scale record."},
      {"not a scale", Packed(notScale), false, "PK510: Reading Scale from EEPROM failed, not a scale record."},
      {"expired", Packed(old), true, "PK510: Calibration expired"},
      {"expired, not enforced", Packed(old), false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    GLP::Enforce = row.enforce;
    PKScaleRecord record{};
    record.MuxGain = 7.0;
    std::string message;
    const bool accepted = K5EEPROM::UnpackScale(row.image, record, message);
    EXPECT_EQ(message, row.message);
    EXPECT_EQ(accepted, std::string(row.message).empty());
    if (!accepted) EXPECT_EQ(record.MuxGain, 7.0);
  }
  GLP::InitModule();
}

// ---- "K5STATE" -----------------------------------------------------------------

class K5StateRecord : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    K5Panel::InitAllModules();
  }
};

TEST_F(K5StateRecord, OneAndTwoRecordsRoundTrip) {
  for (const bool both : {false, true}) {
    SCOPED_TRACE(both);
    PKTypes::PKState states[2] = {DistinctState(0), DistinctState(1)};
    std::vector<std::uint8_t> buffer(400, 0x55);
    K5EEPROM::StateToFile(states, buffer, both);
    EXPECT_TRUE(K5EEPROM::IsPK500StateFile(buffer));
    EXPECT_EQ(LoadHost<std::uint16_t>(buffer, 160), both ? 200 : 0);
    if (!both) EXPECT_EQ(buffer[200], 0x55);
    PKTypes::PKState read[2] = {};
    read[1].MuxChannel = 99;
    K5EEPROM::FileToState(buffer, read, false, true);
    for (int n = 0; n < (both ? 2 : 1); ++n) {
      SCOPED_TRACE(n);
      ExpectStoredFieldsEqual(read[n], states[n]);
    }
    if (!both) EXPECT_EQ(read[1].MuxChannel, 99);
    std::vector<std::uint8_t> again(400, 0x55);
    K5EEPROM::StateToFile(read, again, both);
    EXPECT_EQ(again, buffer);
  }
}

TEST_F(K5StateRecord, ConnectionKindCodes) {
  struct Row {
    std::uint8_t kind;
    std::uint8_t code;
    std::uint8_t back;
  };
  const Row rows[] = {{1, 6, 1}, {2, 1, 2}, {3, 2, 3}, {4, 3, 4}, {5, 4, 5},
                      {6, 5, 6}, {7, 7, 7}, {9, 0, 0}, {0, 0, 0}};
  for (const Row& row : rows) {
    PKTypes::PKState states[2] = {DistinctState(0), {}};
    states[0].InterfaceKind = row.kind;
    std::vector<std::uint8_t> buffer(200);
    K5EEPROM::StateToFile(states, buffer, false);
    EXPECT_EQ(buffer[106], row.code) << int{row.kind};
    PKTypes::PKState read[2] = {};
    K5EEPROM::FileToState(buffer, read, false, false);
    EXPECT_EQ(read[0].InterfaceKind, row.back) << int{row.kind};
  }
}

// The second record stands only at 200 and only when the buffer holds it.
TEST_F(K5StateRecord, SecondRecordOffset) {
  struct Row {
    std::uint16_t offset;
    std::size_t size;
    bool read;
  };
  const Row rows[] = {{0, 400, false},   {120, 400, false}, {200, 399, false},
                      {200, 400, true}, {0xFFFF, 400, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.offset);
    SCOPED_TRACE(row.size);
    PKTypes::PKState states[2] = {DistinctState(0), DistinctState(1)};
    std::vector<std::uint8_t> buffer(400);
    K5EEPROM::StateToFile(states, buffer, true);
    StoreHost<std::uint16_t>(buffer, 160, row.offset);
    buffer.resize(row.size);
    PKTypes::PKState read[2] = {};
    read[1].MuxChannel = 99;
    K5EEPROM::FileToState(buffer, read, false, true);
    EXPECT_EQ(read[0].MuxChannel, states[0].MuxChannel);
    EXPECT_EQ(read[1].MuxChannel, row.read ? states[1].MuxChannel : 99);
  }
  PKTypes::PKState read[2] = {};
  read[0].MuxChannel = 99;
  std::vector<std::uint8_t> shortBuffer(199, 0);
  K5EEPROM::FileToState(shortBuffer, read, false, true);
  EXPECT_EQ(read[0].MuxChannel, 99);
}

TEST_F(K5StateRecord, IndexBytesOutOfRangeTakeTheDefaults) {
  PKTypes::PKState states[2] = {DistinctState(0), {}};
  std::vector<std::uint8_t> buffer(200);
  K5EEPROM::StateToFile(states, buffer, false);
  buffer[97] = 2;    // ActiveAmplifier
  buffer[84] = 7;    // AmplMode
  buffer[94] = 3;    // Feedback
  buffer[90] = 12;   // ScaleRange
  buffer[77] = 4;    // VoltageOutputAmplifierGain
  buffer[78] = 255;  // StimInScale
  buffer[89] = 13;   // CurrentRange: a booster range, in range
  PKTypes::PKState read[2] = {};
  K5EEPROM::FileToState(buffer, read, false, false);
  EXPECT_EQ(read[0].ActiveAmplifier, 0);
  EXPECT_EQ(read[0].AmplMode, 0);
  EXPECT_EQ(read[0].Feedback, 0);
  EXPECT_EQ(read[0].ScaleRange, 2);
  EXPECT_EQ(read[0].VoltageOutputAmplifierGain, 0);
  EXPECT_EQ(read[0].StimInScale, 0);
  EXPECT_EQ(read[0].CurrentRange, 13);
  const std::vector<std::string> expected = {
      "K5STATE: ActiveAmplifier 2 out of range, 0 taken",
      "K5STATE: AmplMode 7 out of range, 0 taken",
      "K5STATE: Feedback 3 out of range, 0 taken",
      "K5STATE: ScaleRange 12 out of range, 2 taken",
      "K5STATE: VoltageOutputAmplifierGain 4 out of range, 0 taken",
      "K5STATE: StimInScale 255 out of range, 0 taken",
  };
  EXPECT_EQ(Bottom(static_cast<int>(expected.size())), expected);
}

TEST_F(K5StateRecord, ReadingRebuildsNameAndVoltageBandwidth) {
  PKTypes::PKState states[2] = {DistinctState(0), {}};
  states[0].Version = 'C';
  states[0].VoltageBandwidth = 0.0;
  states[0].VoltageFilter = 2;
  states[0].StimulusBandwidth = 1234.56789;
  std::vector<std::uint8_t> buffer(200);
  K5EEPROM::StateToFile(states, buffer, false);
  PKTypes::PKState read[2] = {};
  K5EEPROM::FileToState(buffer, read, false, false);
  EXPECT_STREQ(read[0].Name, "PK518_USB");
  EXPECT_EQ(read[0].VoltageBandwidth, 2000.0);
  EXPECT_EQ(read[0].StimulusBandwidth, static_cast<double>(1234.56789f));
  EXPECT_EQ(read[0].CurrentBandwidth, states[0].CurrentBandwidth);
}

}  // namespace
