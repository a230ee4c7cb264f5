#include "acquisition/QRN55Firmware.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "numerics/VectorInt.h"

namespace {

struct LoadRecord {
  int offset;  // of its length word in the image
  int length;  // the whole length word, bit 15 included
  int address;
  int count;
};

// Walks the load records from offset 8; stops after the record with bit 15
// set or when a record runs past the end (then the last entry reaches past
// it).
std::vector<LoadRecord> Records(const std::uint8_t* image, int size) {
  std::vector<LoadRecord> records;
  int at = 8;
  while (at + 4 <= size) {
    const int length = image[at] << 8 | image[at + 1];
    const LoadRecord record{at, length, image[at + 2] << 8 | image[at + 3], length & 0x3FF};
    records.push_back(record);
    at += 4 + record.count;
    if ((length & 0x8000) != 0 || record.count == 0) break;
  }
  return records;
}

class QRN55FirmwareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QRN55Firmware::InitModule();
    QRN55Firmware::Get(image_, length_, checksum_, version_);
  }
  const std::uint8_t* image_ = nullptr;
  std::int32_t length_ = 0;
  std::int32_t checksum_ = 0;
  std::int32_t version_ = 0;
};

TEST_F(QRN55FirmwareTest, GetHandsOutTheImageWithItsNumbers) {
  EXPECT_EQ(image_, QRN55Firmware::TheFirmware);
  EXPECT_EQ(length_, 6494);
  EXPECT_EQ(checksum_, 653233);
  EXPECT_EQ(version_, 7);
  EXPECT_EQ(VectorInt::Checksum8(image_, length_), 653233);
  std::int64_t sum = 0;
  for (int i = 0; i < length_; ++i) sum += image_[i];
  EXPECT_EQ(sum, 653233);
}

TEST_F(QRN55FirmwareTest, TheImageIsInTheC2LoadFormat) {
  EXPECT_EQ(image_[0], 0xC2);
  // The device release number carries the version.
  EXPECT_EQ(image_[5] | image_[6] << 8, version_);

  const std::vector<LoadRecord> records = Records(image_, length_);
  ASSERT_EQ(records.size(), 12u);
  const std::vector<int> counts = {3, 3, 3, 1023, 768, 1023, 1023, 1, 1023, 1023, 544};
  int loaded = 0;
  for (int r = 0; r < 11; ++r) {
    const LoadRecord& record = records[r];
    EXPECT_EQ(record.count, counts[r]) << r;
    EXPECT_EQ(record.length, record.count) << "bit 15 or stray bits in data record " << r;
    EXPECT_LE(record.address + record.count, 0x1A1E) << r;
    for (int other = 0; other < r; ++other) {
      const LoadRecord& o = records[other];
      EXPECT_TRUE(record.address + record.count <= o.address ||
                  o.address + o.count <= record.address)
          << "records " << other << " and " << r << " overlap";
    }
    loaded += record.count;
  }
  EXPECT_EQ(loaded, 6437);

  // The last record releases the controller from reset and ends the image.
  const LoadRecord& last = records.back();
  EXPECT_EQ(last.length, 0x8001);
  EXPECT_EQ(last.address, 0xE600);
  EXPECT_EQ(image_[last.offset + 4], 0x00);
  EXPECT_EQ(last.offset + 5, length_);

  // The reset vector jumps into loaded code.
  ASSERT_EQ(records[0].address, 0);
  ASSERT_EQ(image_[records[0].offset + 4], 0x02);  // LJMP
  const int target = image_[records[0].offset + 5] << 8 | image_[records[0].offset + 6];
  bool inside = false;
  for (int r = 0; r < 11; ++r) {
    inside |= records[r].address <= target && target < records[r].address + records[r].count;
  }
  EXPECT_TRUE(inside) << target;
}

TEST_F(QRN55FirmwareTest, AnyChangedByteChangesTheSum) {
  std::vector<std::uint8_t> copy(image_, image_ + length_);
  for (int i = 0; i < length_; ++i) {
    const std::uint8_t original = copy[i];
    copy[i] = static_cast<std::uint8_t>(original + 1);
    ASSERT_NE(VectorInt::Checksum8(copy.data(), length_), checksum_) << i;
    copy[i] = original;
  }
  EXPECT_EQ(VectorInt::Checksum8(copy.data(), length_), checksum_);
}

TEST_F(QRN55FirmwareTest, InitModuleRestoresTheImage) {
  const std::vector<std::uint8_t> original(image_, image_ + length_);
  QRN55Firmware::TheFirmware[100] ^= 0xFF;
  QRN55Firmware::InitModule();
  EXPECT_EQ(std::vector<std::uint8_t>(image_, image_ + length_), original);
}

}  // namespace
