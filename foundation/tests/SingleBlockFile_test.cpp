#include "foundation/SingleBlockFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "FrozenClock_fixture.h"
#include "foundation/GLP.h"
#include "foundation/RealTime.h"

namespace {

using Image = std::vector<std::byte>;

struct Result {
  int code = -1;
  std::string date;
  std::uint32_t headerSize = 0;
  std::uint32_t dataSize = 0;
  std::uint16_t version = 0;
  bool swapped = false;
};

Result Check(Image& image, const char* id) {
  Result r;
  char date[16];
  r.code = SingleBlockFile::CheckHeader(image, {id, std::strlen(id) + 1}, date, r.headerSize,
                                        r.dataSize, r.version, r.swapped);
  r.date = date;
  return r;
}

std::uint32_t Field32(const Image& image, std::size_t offset) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | std::to_integer<std::uint32_t>(image[offset + i]);
  return v;
}

void Put32(Image& image, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<std::byte>(v >> (8 * i));
}

std::uint32_t ByteSum(const Image& image) {
  std::uint32_t sum = 0;
  for (std::byte b : image) sum += std::to_integer<std::uint32_t>(b);
  return sum;
}

class SingleBlockTest : public FrozenClockTest {
 protected:
  void SetUp() override {
    FrozenClockTest::SetUp();
    SetNow(RealTime::FromDate("09-Mar-2007 14:05:33"));
  }

  // A scale file as the amplifier control writes it: 2,048 bytes of data.
  static Image ScaleFile(std::uint16_t version = 0) {
    Image image(2330);
    for (std::size_t i = 282; i < image.size(); ++i) image[i] = static_cast<std::byte>(i * 7);
    SingleBlockFile::MakeHeader("TLV3-Scale", image, 2048, 2330, version);
    return image;
  }
};

TEST_F(SingleBlockTest, HeaderLayout) {
  const Image image = ScaleFile(0x0102);
  Image expected(282);
  std::memcpy(expected.data(), "TLV3-Scale", 10);
  expected[18] = std::byte{0xCB};
  expected[20] = std::byte{0x02};
  expected[21] = std::byte{0x01};
  expected[22] = std::byte{0x1A};
  expected[23] = std::byte{0x01};
  expected[27] = std::byte{0x08};
  std::memcpy(expected.data() + 30, "09-Mar-2007", 11);
  Image withoutSum(image.begin(), image.end());
  Put32(withoutSum, 276, 0);
  Put32(expected, 276, ByteSum(withoutSum));
  EXPECT_EQ(Image(image.begin(), image.begin() + 282), expected);
}

TEST_F(SingleBlockTest, AWrittenHeaderReadsBack) {
  GLP::Check = true;
  Image image = ScaleFile(7);
  const Result r = Check(image, "TLV3-Scale");
  EXPECT_EQ(r.code, SingleBlockFile::kAccepted);
  EXPECT_EQ(r.headerSize, 282u);
  EXPECT_EQ(r.dataSize, 2048u);
  EXPECT_EQ(r.version, 7);
  EXPECT_FALSE(r.swapped);
  EXPECT_EQ(r.date, "09-Mar-2007");
  // The check leaves the checksum field of the caller's image zero.
  EXPECT_EQ(Field32(image, 276), 0u);
}

// A file written on a big-endian host: every number byte-reversed.
TEST_F(SingleBlockTest, ABigEndianFileIsDetectedAsSwapped) {
  Image image = ScaleFile(7);
  for (auto [offset, size] : {std::pair{18, 2}, {20, 2}, {22, 4}, {26, 4}, {276, 4}}) {
    std::reverse(image.begin() + offset, image.begin() + offset + size);
  }
  EXPECT_EQ(image[18], std::byte{0x00});
  EXPECT_EQ(image[19], std::byte{0xCB});
  GLP::Check = true;
  const Result r = Check(image, "TLV3-Scale");
  EXPECT_EQ(r.code, SingleBlockFile::kAccepted);
  EXPECT_TRUE(r.swapped);
  EXPECT_EQ(r.headerSize, 282u);
  EXPECT_EQ(r.dataSize, 2048u);
  EXPECT_EQ(r.version, 7);
  EXPECT_EQ(r.date, "09-Mar-2007");
}

TEST_F(SingleBlockTest, SizesAreCheckedFirstAndWithoutOverflow) {
  struct Case {
    const char* what;
    std::size_t length;
    std::uint32_t headerSize;
    std::uint32_t dataSize;
  };
  const Case cases[] = {
      {"one byte short", 2329, 282, 2048},
      {"header size 281", 2330, 281, 2048},
      {"header size 0", 2330, 0, 2048},
      {"data size that wraps the sum", 2330, 282, 0xFFFFFFFFu},
      {"header size that wraps the sum", 2330, 0xFFFFFF00u, 2048},
  };
  for (const Case& c : cases) {
    Image image = ScaleFile();
    Put32(image, 22, c.headerSize);
    Put32(image, 26, c.dataSize);
    image.resize(c.length);
    // A wrong ID as well: sizes come first.
    const Result r = Check(image, "TLV3-CFast");
    EXPECT_EQ(r.code, SingleBlockFile::kSizesWrong) << c.what;
    EXPECT_EQ(r.headerSize, c.headerSize) << c.what;
    EXPECT_EQ(r.dataSize, c.dataSize) << c.what;
  }
}

// No field is read beyond the image: a file too short for the header is
// refused before any.
TEST_F(SingleBlockTest, AFileShorterThanTheHeaderGivesSizesWrong) {
  for (std::size_t length : {0u, 1u, 30u, 281u}) {
    Image image = ScaleFile();
    image.resize(length);
    image.shrink_to_fit();
    const Result r = Check(image, "TLV3-Scale");
    EXPECT_EQ(r.code, SingleBlockFile::kSizesWrong) << length;
    EXPECT_EQ(r.headerSize, 0u);
    EXPECT_EQ(r.dataSize, 0u);
    EXPECT_EQ(r.version, 0);
    EXPECT_FALSE(r.swapped);
    EXPECT_EQ(r.date, "");
  }
}

TEST_F(SingleBlockTest, IdsCompareExactlyAndFillTheirField) {
  Image image(282 + 4);
  SingleBlockFile::MakeHeader("QRN55-Firmware-ABC", image, 4, 286, 1);
  EXPECT_EQ(image[17], std::byte{'C'});
  EXPECT_EQ(image[18], std::byte{0xCB});
  EXPECT_EQ(Check(image, "QRN55-Firmware-ABC").code, SingleBlockFile::kAccepted);
  EXPECT_EQ(Check(image, "QRN55-Firmware-AB").code, SingleBlockFile::kWrongId);
  EXPECT_EQ(Check(image, "QRN55-Firmware-ABCD").code, SingleBlockFile::kWrongId);
  EXPECT_EQ(Check(image, "qrn55-firmware-abc").code, SingleBlockFile::kWrongId);
}

TEST_F(SingleBlockTest, TheChecksumCountsOnlyUnderTheLaboratoryRules) {
  struct Case {
    bool check;
    bool enforce;
    std::uint16_t format;
    int expected;
  };
  const Case cases[] = {
      {false, false, 203, SingleBlockFile::kAccepted},
      {true, false, 203, SingleBlockFile::kChecksumWrong},
      {false, true, 203, SingleBlockFile::kChecksumWrong},
      {true, false, 202, SingleBlockFile::kAccepted},
  };
  for (const Case& c : cases) {
    Image image = ScaleFile();
    image[18] = static_cast<std::byte>(c.format);
    // Keep the checksum right for the format change, then break it.
    Put32(image, 276, 0);
    Put32(image, 276, ByteSum(image));
    image[1000] ^= std::byte{1};
    GLP::Check = c.check;
    GLP::Enforce = c.enforce;
    EXPECT_EQ(Check(image, "TLV3-Scale").code, c.expected)
        << c.check << c.enforce << " format " << c.format;
  }
}

// Each check runs on a fresh image: a check under the rules leaves the
// image's checksum field zero.
TEST_F(SingleBlockTest, AnExpiredDateCountsOnlyWhenEnforced) {
  const Image file = ScaleFile();
  SetNow(RealTime::FromDate("09-Mar-2007") + 400 * 86400.0);
  GLP::Check = true;
  Image image = file;
  EXPECT_EQ(Check(image, "TLV3-Scale").code, SingleBlockFile::kAccepted);
  GLP::Enforce = true;
  image = file;
  EXPECT_EQ(Check(image, "TLV3-Scale").code, SingleBlockFile::kExpired);
  GLP::CalibExpiry = 0.0;
  image = file;
  EXPECT_EQ(Check(image, "TLV3-Scale").code, SingleBlockFile::kAccepted);
}

TEST_F(SingleBlockTest, ADateOfAnotherFormComesBackEmpty) {
  for (const char* written : {"2007/03/09", "", "09-Mar"}) {
    Image image = ScaleFile();
    std::memset(image.data() + 30, 0, 12);
    std::memcpy(image.data() + 30, written, std::strlen(written));
    const Result r = Check(image, "TLV3-Scale");
    EXPECT_EQ(r.code, SingleBlockFile::kAccepted) << written;
    EXPECT_EQ(r.date, "") << written;
  }
  // With the date enforced, a missing date has expired.
  Image image = ScaleFile();
  std::memcpy(image.data() + 30, "2007/03/09", 10);
  Put32(image, 276, 0);
  Put32(image, 276, ByteSum(image));
  GLP::Enforce = true;
  EXPECT_EQ(Check(image, "TLV3-Scale").code, SingleBlockFile::kExpired);
}

TEST_F(SingleBlockTest, MakeHeaderStaysInsideTheImage) {
  Image small(281, std::byte{0x55});
  SingleBlockFile::MakeHeader("TLV3-Scale", small, 0, 281, 0);
  EXPECT_EQ(small, Image(281, std::byte{0x55}));
  Image image(300, std::byte{1});
  SingleBlockFile::MakeHeader("X", image, 18, 100000, 0);
  Put32(image, 276, 0);
  Image rebuilt = image;
  SingleBlockFile::MakeHeader("X", rebuilt, 18, 300, 0);
  EXPECT_EQ(Field32(rebuilt, 276), ByteSum(image));
  EXPECT_EQ(SingleBlockFile::TempBuffer.size(), 51200u);
}

}  // namespace
