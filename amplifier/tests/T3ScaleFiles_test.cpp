#include "amplifier/T3ScaleFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "foundation/Bytes.h"
#include "foundation/GLP.h"
#include "foundation/IOBytes.h"
#include "foundation/RealTime.h"
#include "foundation/SingleBlockFile.h"
#include "foundation/Strings.h"
#include "foundation/tests/FrozenClock_fixture.h"
#include "foundation/tests/TempDirectory_fixture.h"
#include "fuzz/CalibrationFilesFuzz.h"
#include "fuzz/ScaleRecordFields.h"

namespace {

using ScaleRecordFields::Describe;
using ScaleRecordFields::SingleText;
using T3Scale::CFastTable;
using T3Scale::ScaleRecord;
using Image = std::vector<std::byte>;

constexpr int kHeader = 282;

Image GoldenFile(const std::string& name) {
  std::ifstream in(std::string(AMPLIFIER_TEST_DATA_DIR) + "/" + name, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  Image image(bytes.size());
  std::memcpy(image.data(), bytes.data(), bytes.size());
  return image;
}

// One line of a listing: offset type name value.
struct Listed {
  int offset = 0;
  int size = 0;
  std::string type;
  std::string value;
};

std::map<std::string, Listed> Listing(const std::string& name,
                                      std::vector<std::string>* order = nullptr) {
  std::ifstream in(std::string(AMPLIFIER_TEST_DATA_DIR) + "/" + name);
  std::map<std::string, Listed> fields;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    Listed field;
    std::string fieldName;
    words >> field.offset >> field.type >> fieldName;
    std::getline(words >> std::ws, field.value);
    field.size = field.type.rfind("text", 0) == 0 ? std::stoi(field.type.substr(4))
                 : field.type == "single"         ? 4
                 : field.type.size() > 4          ? 2
                                                  : 1;
    if (order != nullptr) order->push_back(fieldName);
    fields[fieldName] = field;
  }
  return fields;
}

// The listed value as Describe writes it.
std::string Canonical(const Listed& field) {
  return field.type == "single" ? SingleText(std::stof(field.value)) : field.value;
}

// The value a field has when the payload does not reach it: zero, or what
// the reader completes.
std::string MissingValue(const std::string& name) {
  if (name.rfind("ExtGain", 0) == 0) return "1";
  if (name == "VmonFactor") return SingleText(0.01f);
  if (name == "CCOffsetDac[1]" || name == "CCOffsetDac[2]" || name == "CCOffsetDac[3]")
    return "2048";
  if (name == "BoardLetter" || name == "SerialNumber" || name == "Tag") return "";
  return "0";
}

void Put16(Image& image, int at, std::uint16_t value) {
  image[at] = static_cast<std::byte>(value);
  image[at + 1] = static_cast<std::byte>(value >> 8);
}
void Put32(Image& image, int at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::byte>(value >> (8 * i));
}

struct ReadResult {
  bool ok = false;
  int error = 0;
  char fileSerial[16] = {};
  char fileLetter = 0;
};

ReadResult ReadScale(Image& file, ScaleRecord& record, const char* expectedSerial = "",
                     char expectedLetter = 0, std::int32_t recordSize = sizeof(ScaleRecord)) {
  ReadResult r;
  T3Error::Error = 0;
  r.ok = T3ScaleFiles::FileToScale(file, record, recordSize,
                                   {expectedSerial, std::strlen(expectedSerial) + 1},
                                   expectedLetter, r.fileSerial, r.fileLetter);
  r.error = T3Error::Error;
  return r;
}

class ScaleFilesTest : public FrozenClockTest {
 protected:
  void SetUp() override {
    FrozenClockTest::SetUp();
    SetNow(RealTime::FromDate("10-Mar-2007 12:00:00"));
    T3Error::Error = 0;
  }
};

TEST_F(ScaleFilesTest, CurrentFilesReadToTheirListingInEitherByteOrder) {
  std::vector<std::string> listedOrder;
  const auto listing = Listing("scale_fields.txt", &listedOrder);
  ASSERT_EQ(listing.size(), 471u);
  for (const char* name : {"scale_current_le.TLV", "scale_current_be.TLV"}) {
    SCOPED_TRACE(name);
    Image file = GoldenFile(name);
    ScaleRecord record;
    const ReadResult r = ReadScale(file, record, "123456", 'C');
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_STREQ(r.fileSerial, "123456");
    EXPECT_EQ(r.fileLetter, 'C');
    std::size_t compared = 0;
    for (const auto& [field, text] : Describe(record)) {
      if (field == "CalibDate") {
        EXPECT_EQ(text, "09-Mar-2007");
        continue;
      }
      const auto listed = listing.find(field);
      ASSERT_NE(listed, listing.end()) << field;
      EXPECT_EQ(text, Canonical(listed->second)) << field;
      ++compared;
    }
    EXPECT_EQ(compared, listing.size());
  }
}

TEST_F(ScaleFilesTest, OlderPayloadsReadWhatTheyHoldAndAreCompleted) {
  const auto listing = Listing("scale_fields.txt");
  for (const auto& [name, dataSize] :
       {std::pair{"scale_1370.TLV", 1370}, {"scale_1322.TLV", 1322}}) {
    SCOPED_TRACE(name);
    Image file = GoldenFile(name);
    ScaleRecord record;
    const ReadResult r = ReadScale(file, record);
    ASSERT_TRUE(r.ok) << r.error;
    for (const auto& [field, text] : Describe(record)) {
      if (field == "CalibDate") continue;
      const Listed& listed = listing.at(field);
      const bool carried = listed.offset + listed.size <= dataSize;
      EXPECT_EQ(text, carried ? Canonical(listed) : MissingValue(field)) << field;
    }
  }
  Image file = GoldenFile("scale_1322.TLV");
  ScaleRecord record;
  ASSERT_TRUE(ReadScale(file, record).ok);
  EXPECT_EQ(record.ExtGain, (std::array<double, 3>{1.0, 1.0, 1.0}));
  EXPECT_EQ(record.VmonFactor, 0.01);
  EXPECT_EQ(record.CCOffsetDac, (std::array<std::uint16_t, 4>{0, 2048, 2048, 2048}));
}

TEST_F(ScaleFilesTest, AnIndexAboveItsSizeIsClamped) {
  Image file = GoldenFile("scale_current_le.TLV");
  Put16(file, kHeader + 778 + 2, 20);  // CFast2Table.Index; its Size is 15
  ScaleRecord record;
  ASSERT_TRUE(ReadScale(file, record).ok);
  EXPECT_EQ(record.CFast2Table.Size, 15);
  EXPECT_EQ(record.CFast2Table.Index, 15);
}

// What the record holds after a refusal.
enum class Holds { Untouched, ClearedButDate, Cleared };
enum class Reader { Scale, CFast };

struct Refusal {
  const char* what;
  Reader reader;
  const char* golden;
  std::function<void(Image&)> spoil;
  int code;
  Holds holds;
  const char* expectedSerial = "";
  char expectedLetter = 0;
  std::function<void()> rules = [] {};
  std::int32_t recordShortBy = 0;
};

TEST_F(ScaleFilesTest, Refusals) {
  constexpr const char* kScale = "scale_current_le.TLV";
  constexpr const char* kCFast = "cfast_9000_be.TLV";
  const auto nothing = [](Image&) {};
  const auto noSerialLetterD = [](Image& f) {
    for (int i = 0; i < 6; ++i) f[kHeader + 1332 + i] = std::byte{0};
    f[kHeader + 1330] = std::byte{'D'};
  };
  const auto cut281 = [](Image& f) { f.resize(281); };
  const Refusal cases[] = {
      {"record one byte too small", Reader::Scale, kScale, nothing, 15, Holds::Untouched, "", 0,
       [] {}, 1},
      {"data size 2047", Reader::Scale, kScale, [](Image& f) { Put32(f, 26, 2047); }, 16,
       Holds::ClearedButDate},
      {"a 281-byte file", Reader::Scale, kScale, cut281, 16, Holds::Untouched},
      {"data beyond the file", Reader::Scale, kScale, [](Image& f) { f.resize(2329); }, 16,
       Holds::ClearedButDate},
      {"wrong ID", Reader::Scale, kScale, [](Image& f) { f[4] = std::byte{'_'}; }, 17,
       Holds::ClearedButDate},
      {"a C-fast file", Reader::Scale, kCFast, nothing, 17, Holds::ClearedButDate},
      {"last serial digit differs", Reader::Scale, kScale, nothing, 9, Holds::ClearedButDate,
       "123457", 'C'},
      {"no serial, letter D, read for C", Reader::Scale, kScale, noSerialLetterD, 10,
       Holds::ClearedButDate, "123456", 'C'},
      {"bad checksum under GLP.Check", Reader::Scale, kScale,
       [](Image& f) { f[kHeader + 100] ^= std::byte{1}; }, 30, Holds::ClearedButDate, "", 0,
       [] { GLP::Check = true; }},
      {"expired under GLP.Enforce", Reader::Scale, kScale, nothing, 31, Holds::ClearedButDate, "",
       0,
       [] {
         GLP::Enforce = true;
         FrozenClockTest::SetNow(RealTime::FromDate("10-Mar-2008 12:00:00"));
       }},
      {"a NaN", Reader::Scale, kScale, [](Image& f) { Put32(f, kHeader + 1394, 0x7FC00000); }, 33,
       Holds::ClearedButDate},
      {"an infinite single in a table", Reader::Scale, kScale,
       [](Image& f) { Put32(f, kHeader + 458 + 44 + 8, 0x7F800000); }, 33, Holds::ClearedButDate},
      {"Size 40", Reader::Scale, kScale, [](Image& f) { Put16(f, kHeader + 250, 40); }, 16,
       Holds::ClearedButDate},
      {"multiplicative Size 16", Reader::Scale, kScale,
       [](Image& f) { Put16(f, kHeader + 1210, 16); }, 16, Holds::ClearedButDate},
      {"C-fast table one byte too small", Reader::CFast, kCFast, nothing, 15, Holds::Untouched, "",
       0, [] {}, 1},
      {"a 281-byte C-fast file", Reader::CFast, kCFast, cut281, 16, Holds::Untouched},
      {"C-fast data size 9232", Reader::CFast, kCFast,
       [](Image& f) {
         f.resize(kHeader + 9232);
         Put32(f, 26, 0x10240000);  // 9232, big-endian
       },
       16, Holds::Cleared},
      {"a scale file's ID", Reader::CFast, kCFast,
       [](Image& f) { std::memcpy(f.data(), "TLV3-Scale", 10); }, 17, Holds::Cleared},
      {"a NaN in the C-fast table", Reader::CFast, kCFast,
       [](Image& f) { Put32(f, kHeader + 400, 0x0000C07F); }, 33, Holds::Cleared},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    GLP::InitModule();
    c.rules();
    Image file = GoldenFile(c.golden);
    c.spoil(file);
    if (c.reader == Reader::Scale) {
      T3Scale::Scale = {};
      T3Scale::LoadDefaults();
      const ScaleRecord before = T3Scale::Scale;
      const ReadResult r = ReadScale(file, T3Scale::Scale, c.expectedSerial, c.expectedLetter,
                                     sizeof(ScaleRecord) - c.recordShortBy);
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, c.code);
      ScaleRecord expected = c.holds == Holds::Untouched ? before : ScaleRecord{};
      if (c.holds == Holds::ClearedButDate) Strings::Assign(expected.CalibDate, "09-Mar-2007");
      EXPECT_EQ(T3Scale::Scale, expected);
    } else {
      CFastTable& table = T3Auto::CFastTable;
      table = {};
      table.Tables[1].SampleInterval = 5e-6f;
      const CFastTable before = table;
      T3Error::Error = 0;
      EXPECT_FALSE(T3ScaleFiles::FileToCFast(
          file, table, static_cast<std::int32_t>(sizeof(CFastTable)) - c.recordShortBy));
      EXPECT_EQ(T3Error::Error, c.code);
      EXPECT_EQ(table, c.holds == Holds::Untouched ? before : CFastTable{});
    }
  }
  T3Scale::Scale = {};
  T3Auto::CFastTable = {};
}

TEST_F(ScaleFilesTest, AnEmptyExpectedSerialAcceptsAnyFile) {
  for (bool withoutSerial : {false, true}) {
    Image file = GoldenFile("scale_current_le.TLV");
    if (withoutSerial) {
      for (int i = 0; i < 6; ++i) file[kHeader + 1332 + i] = std::byte{0};
      file[kHeader + 1330] = std::byte{'D'};
    }
    ScaleRecord record;
    const ReadResult r = ReadScale(file, record, "", 'C');
    EXPECT_TRUE(r.ok) << withoutSerial;
    EXPECT_STREQ(r.fileSerial, withoutSerial ? "" : "123456");
  }
}

TEST_F(ScaleFilesTest, CFastFileOfDataSize9000) {
  Image file = GoldenFile("cfast_9000_be.TLV");
  std::vector<std::string> order;
  const auto listing = Listing("cfast_words.txt", &order);
  ASSERT_EQ(order.size(), 2250u);
  CFastTable table;
  ASSERT_TRUE(T3ScaleFiles::FileToCFast(file, table, sizeof table)) << int{T3Error::Error};
  const std::vector<float> words = CalibrationFilesFuzz::Words(table);
  ASSERT_EQ(words.size(), 2307u);
  for (std::size_t w = 0; w < words.size(); ++w) {
    const float expected = w < order.size() ? std::stof(listing.at(order[w]).value) : 0.0f;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(words[w]), std::bit_cast<std::uint32_t>(expected))
        << "word " << w;
  }
}

// The EEPROM block walks the date as well, in either direction.
TEST_F(ScaleFilesTest, TheEepromWalkCarriesTheDate) {
  T3Scale::LoadDefaults();
  ScaleRecord record = T3Scale::Scale;
  Strings::Assign(record.CalibDate, "10-Mar-2007");
  for (bool eepromFields : {false, true}) {
    Image image(T3ScaleFiles::kScalePayloadSize);
    Bytes::InitProcs(image, Bytes::kPack);
    ASSERT_TRUE(T3ScaleFiles::ProcessScaleRecord(record, false, eepromFields));
    const std::string date(reinterpret_cast<const char*>(image.data()) + 1398, 11);
    EXPECT_EQ(date, eepromFields ? "10-Mar-2007" : std::string(11, '\0'));
    ScaleRecord back;
    Bytes::InitProcs(image, Bytes::kCopy);
    ASSERT_TRUE(T3ScaleFiles::ProcessScaleRecord(back, false, eepromFields));
    EXPECT_EQ(Describe(back), Describe(eepromFields ? record : [&] {
                ScaleRecord r = record;
                r.CalibDate = {};
                return r;
              }()));
  }
}

class ScaleFileRoundTripTest : public TempDirectoryTest {
 protected:
  void SetUp() override {
    TempDirectoryTest::SetUp();
    GLP::InitModule();
    T3Error::Error = 0;
  }
  void TearDown() override {
    Strings::Clear(T3Base::SerialNumber);
    TempDirectoryTest::TearDown();
  }

  // Saves the image whole and loads it back.
  Image SaveAndLoad(std::span<std::byte> file, const char* name) {
    EXPECT_TRUE(IOBytes::SaveFile({name, std::strlen(name) + 1}, nullptr,
                                  static_cast<std::int32_t>(file.size()), file.data()));
    Image loaded(10240);
    std::int32_t count = static_cast<std::int32_t>(loaded.size());
    EXPECT_TRUE(IOBytes::LoadFile({name, std::strlen(name) + 1}, nullptr, count, loaded.data()));
    loaded.resize(static_cast<std::size_t>(count));
    return loaded;
  }
};

TEST_F(ScaleFileRoundTripTest, AScaleRecordComesBackApartFromDateAndSerial) {
  Strings::Assign(T3Base::SerialNumber, "654321");
  char today[32];
  RealTime::ToAltDate(RealTime::GetTime(), today, false, false);
  T3Scale::LoadDefaults();
  ScaleRecord defaults = T3Scale::Scale;
  Strings::Assign(defaults.Tag, "TLV4_USB/1/0");
  defaults.BoardLetter = 'R';
  defaults.CFast2Table.Index = 9;
  defaults.SpareTable.Factors[15] = -3.5;
  Image golden = GoldenFile("scale_current_be.TLV");
  ScaleRecord fromFile;
  ASSERT_TRUE(ReadScale(golden, fromFile).ok);

  for (ScaleRecord original : {defaults, fromFile}) {
    std::span<std::byte> file;
    ASSERT_TRUE(T3ScaleFiles::ScaleToFile(original, file));
    ASSERT_EQ(file.size(), 2330u);
    EXPECT_EQ(file.data(), SingleBlockFile::TempBuffer.data());
    Image loaded = SaveAndLoad(file, "SCALE-654321.TLV");
    ScaleRecord back;
    const ReadResult r = ReadScale(loaded, back, "654321", 'X');
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_STREQ(back.SerialNumber.data(), "654321");
    EXPECT_STREQ(back.CalibDate.data(), today);
    back.CalibDate = original.CalibDate;
    EXPECT_EQ(Describe(back), Describe(original));
  }
}

TEST_F(ScaleFileRoundTripTest, ACFastTableComesBackBitExact) {
  CFastTable original;
  float next = -1.0e-3f;
  for (auto& lookup : original.Tables) {
    lookup.SampleInterval = next *= -1.0001f;
    for (auto* kernels : {&lookup.CFast1, &lookup.CFast2, &lookup.Tau}) {
      for (auto& row : *kernels) {
        for (float& coefficient : row) coefficient = next *= -1.0001f;
      }
    }
  }
  std::span<std::byte> file;
  ASSERT_TRUE(T3ScaleFiles::CFastToFile(original, file));
  ASSERT_EQ(file.size(), 9510u);
  Image loaded = SaveAndLoad(file, "CFAST-654321.TLV");
  CFastTable back;
  ASSERT_TRUE(T3ScaleFiles::FileToCFast(loaded, back, sizeof back));
  EXPECT_TRUE(CalibrationFilesFuzz::SameBits(back, original));
}

TEST_F(ScaleFileRoundTripTest, UnreadableRecordsAreNotWritten) {
  T3Scale::LoadDefaults();
  ScaleRecord record = T3Scale::Scale;
  record.StimDacGain = std::numeric_limits<double>::infinity();
  std::span<std::byte> file;
  EXPECT_FALSE(T3ScaleFiles::ScaleToFile(record, file));
  EXPECT_EQ(T3Error::Error, 33);
  EXPECT_TRUE(file.empty());
  record = T3Scale::Scale;
  record.GSeriesTable.Size = 16;
  EXPECT_FALSE(T3ScaleFiles::ScaleToFile(record, file));
  EXPECT_EQ(T3Error::Error, 16);
  CFastTable table;
  table.Tables[2].Tau[3][4] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(T3ScaleFiles::CFastToFile(table, file));
  EXPECT_EQ(T3Error::Error, 33);
  EXPECT_TRUE(file.empty());
}

TEST(ScaleFileFilters, MatchScaleAndCFastNames) {
  EXPECT_STREQ(T3ScaleFiles::ScaleSearch, "SC*.TL?");
  EXPECT_STREQ(T3ScaleFiles::CFastSearch, "CF*.TL?");
}

}  // namespace
