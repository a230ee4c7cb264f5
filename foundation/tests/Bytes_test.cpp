#include "foundation/Bytes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

using Image = std::array<std::byte, 64>;

Image Filled(std::initializer_list<int> bytes) {
  Image image{};
  int i = 0;
  for (int b : bytes) image[i++] = static_cast<std::byte>(b);
  return image;
}

std::array<unsigned char, sizeof(std::int32_t)> BytesOf(std::int32_t v) {
  std::array<unsigned char, 4> out;
  std::memcpy(out.data(), &v, 4);
  return out;
}

// One walker, as the program's record walkers are: the same list of calls
// packs and unpacks.
struct Record {
  char c = 0;
  bool flag = false;
  std::uint8_t byte = 0;
  std::uint16_t set = 0;
  std::int16_t i16 = 0;
  std::uint16_t c16 = 0;
  std::uint16_t w16 = 0;
  std::int32_t i32 = 0;
  std::uint32_t c32 = 0;
  float sreal = 0;
  double lreal = 0;
  double narrowed = 0;
  double narrowedMany[3] = {};
  std::uint8_t poly8[3] = {};
  std::int16_t poly16[2] = {};
  std::int32_t poly32[2] = {};
  double poly64[2] = {};
};
constexpr std::int32_t kRecordImageSize = 1 + 1 + 1 + 2 * 4 + 4 * 4 + 8 + 12 + 3 + 4 + 8 + 16;
static_assert(kRecordImageSize == 78);

void Walk(Record& r) {
  Bytes::ProcessChar(0, r.c);
  Bytes::ProcessBool(1, r.flag);
  Bytes::ProcessByte(2, r.byte);
  Bytes::ProcessSet16(3, r.set);
  Bytes::ProcessInt16(5, r.i16);
  Bytes::ProcessCard16(7, r.c16);
  Bytes::ProcessWord16(9, r.w16);
  Bytes::ProcessInt32(11, r.i32);
  Bytes::ProcessCard32(15, r.c32);
  Bytes::ProcessSReal(19, r.sreal);
  Bytes::ProcessSToLReal(23, r.narrowed);
  Bytes::ProcessLReal(27, r.lreal);
  Bytes::ProcessSToLReals(35, r.narrowedMany, 3);
  Bytes::ProcessPoly8(47, r.poly8, 3);
  Bytes::ProcessPoly16(50, r.poly16, 2);
  Bytes::ProcessPoly32(54, r.poly32, 2);
  Bytes::ProcessPoly64(62, r.poly64, 2);
}

Record Sample() {
  Record r;
  r.c = 'Q';
  r.flag = true;
  r.byte = 0xAB;
  r.set = 0x8001;
  r.i16 = -2;
  r.c16 = 0x1234;
  r.w16 = 0xBEEF;
  r.i32 = -123456789;
  r.c32 = 0xDEADBEEF;
  r.sreal = 1.5F;
  r.lreal = -2.25e100;
  r.narrowed = 0.5;
  r.narrowedMany[0] = 1.0;
  r.narrowedMany[1] = -3.0;
  r.narrowedMany[2] = 1e10;
  r.poly8[0] = 1;
  r.poly8[1] = 2;
  r.poly8[2] = 3;
  r.poly16[0] = 0x0102;
  r.poly16[1] = -1;
  r.poly32[0] = 0x01020304;
  r.poly32[1] = 7;
  r.poly64[0] = 3.0;
  r.poly64[1] = -0.0;
  return r;
}

void ExpectSame(const Record& a, const Record& b) {
  EXPECT_EQ(a.c, b.c);
  EXPECT_EQ(a.flag, b.flag);
  EXPECT_EQ(a.byte, b.byte);
  EXPECT_EQ(a.set, b.set);
  EXPECT_EQ(a.i16, b.i16);
  EXPECT_EQ(a.c16, b.c16);
  EXPECT_EQ(a.w16, b.w16);
  EXPECT_EQ(a.i32, b.i32);
  EXPECT_EQ(a.c32, b.c32);
  EXPECT_EQ(a.sreal, b.sreal);
  EXPECT_EQ(a.lreal, b.lreal);
  EXPECT_EQ(a.narrowed, b.narrowed);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(a.narrowedMany[i], b.narrowedMany[i]);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(a.poly8[i], b.poly8[i]);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(a.poly16[i], b.poly16[i]);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(a.poly32[i], b.poly32[i]);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(std::memcmp(&a.poly64[i], &b.poly64[i], 8), 0);
}

class Walkers : public ::testing::Test {
 protected:
  void TearDown() override { Bytes::InitModule(); }
};

TEST_F(Walkers, OneWalkerPacksAndUnpacksInBothByteOrders) {
  std::array<std::byte, kRecordImageSize> image{};
  Record original = Sample();
  Bytes::InitProcs(image, Bytes::kPack);
  Walk(original);

  Record copied;
  Bytes::InitProcs(image, Bytes::kCopy);
  Walk(copied);
  ExpectSame(copied, original);

  // The image of a host of the other order: every number reversed in place.
  std::array<std::byte, kRecordImageSize> foreign = image;
  for (auto [offset, size, count] : {std::array{3, 2, 4}, std::array{11, 4, 4}, std::array{27, 8, 1},
                                     std::array{35, 4, 3}, std::array{50, 2, 2}, std::array{54, 4, 2},
                                     std::array{62, 8, 2}}) {
    Bytes::SwapArray(size, foreign.data() + offset, foreign.data() + offset, count);
  }
  Record swapped;
  Bytes::InitProcs(foreign, Bytes::kSwap);
  Walk(swapped);
  ExpectSame(swapped, original);
}

TEST_F(Walkers, TheModesReadBytesAsTheyStandOrReversed) {
  Image image = Filled({0x01, 0x02, 0x03, 0x04});
  std::int16_t i16 = 0;
  Bytes::InitProcs(image, Bytes::kSwap);
  Bytes::ProcessInt16(0, i16);
  EXPECT_EQ(std::memcmp(&i16, "\x02\x01", 2), 0);
  std::int32_t i32 = 0;
  Bytes::ProcessInt32(0, i32);
  EXPECT_EQ(std::memcmp(&i32, "\x04\x03\x02\x01", 4), 0);
  std::uint8_t poly[4] = {};
  Bytes::ProcessPoly8(0, poly, 4);
  EXPECT_EQ(std::memcmp(poly, "\x01\x02\x03\x04", 4), 0);

  Bytes::InitProcs(image, 0);
  Bytes::ProcessInt16(0, i16);
  EXPECT_EQ(std::memcmp(&i16, "\x01\x02", 2), 0);
  Bytes::InitProcs(image, 7);  // any other value copies
  Bytes::ProcessInt32(0, i32);
  EXPECT_EQ(std::memcmp(&i32, "\x01\x02\x03\x04", 4), 0);
}

TEST_F(Walkers, RealsNarrowToFloatInTheImage) {
  Image image{};
  double value = 0.1;
  Bytes::InitProcs(image, Bytes::kPack);
  Bytes::ProcessSToLReal(0, value);
  const float nearest = 0.1F;
  EXPECT_EQ(std::memcmp(image.data(), &nearest, 4), 0);
  double back = 0;
  Bytes::InitProcs(image, Bytes::kCopy);
  Bytes::ProcessSToLReal(0, back);
  EXPECT_EQ(back, 0.10000000149011612);
}

TEST_F(Walkers, AStoredBooleanIsTrueForAnyByteButZero) {
  Image image = Filled({0x00, 0x01, 0x7F, 0xFF});
  Bytes::InitProcs(image, Bytes::kCopy);
  bool flags[4] = {true, false, false, false};
  for (int i = 0; i < 4; ++i) Bytes::ProcessBool(i, flags[i]);
  EXPECT_FALSE(flags[0]);
  EXPECT_TRUE(flags[1] && flags[2] && flags[3]);
}

TEST_F(Walkers, FieldsOutsideTheImageAreLeftAlone) {
  std::array<std::byte, 6> image{};
  image.fill(std::byte{0x11});
  Bytes::InitProcs(image, Bytes::kPack);
  std::int32_t i32 = -1;
  Bytes::ProcessInt32(3, i32);   // would end at 7
  Bytes::ProcessInt32(-1, i32);
  double many[2] = {1.0, 2.0};
  Bytes::ProcessSToLReals(0, many, 2);  // 8 bytes
  for (std::byte b : image) EXPECT_EQ(b, std::byte{0x11});
  Bytes::ProcessInt32(2, i32);   // ends exactly at 6
  EXPECT_EQ(image[5], std::byte{0xFF});

  Bytes::InitModule();
  std::int16_t untouched = 42;
  Bytes::ProcessInt16(0, untouched);
  EXPECT_EQ(untouched, 42);
}

TEST(ByteArrays, CompareFillCopyAndSwap) {
  const char a[] = "abcd";
  const char b[] = "abXd";
  EXPECT_FALSE(Bytes::Equal(nullptr, b, 0));
  EXPECT_TRUE(Bytes::Equal(a, b, 0));
  EXPECT_TRUE(Bytes::Equal(a, b, 2));
  EXPECT_FALSE(Bytes::Equal(a, b, 3));

  std::vector<unsigned char> fill(11, 0xEE);
  Bytes::SetArray(fill.data(), 10, 0);
  EXPECT_EQ(std::vector<unsigned char>(fill.begin(), fill.begin() + 10), std::vector<unsigned char>(10, 0));
  EXPECT_EQ(fill[10], 0xEE);
  Bytes::SetArray(nullptr, 10, 1);

  char overlap[] = "0123456789";
  Bytes::CopyArray(overlap, overlap + 2, 6);
  EXPECT_STREQ(overlap, "0101234589");
  Bytes::CopyArray(overlap + 2, overlap, 0);
  EXPECT_STREQ(overlap, "0101234589");

  std::uint8_t words[6] = {1, 2, 3, 4, 5, 6};
  Bytes::SwapArray(3, words, words, 2);
  EXPECT_EQ(words[0], 1);
  Bytes::SwapArray(2, words, words, 3);
  EXPECT_EQ(std::vector<int>(words, words + 6), (std::vector<int>{2, 1, 4, 3, 6, 5}));
  std::uint8_t out[8] = {};
  const std::uint8_t in8[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  Bytes::SwapByte8Array(in8, out, 1);
  EXPECT_EQ(out[0], 8);
  EXPECT_EQ(out[7], 1);
  Bytes::SwapByte4Array(in8, out, 2);
  EXPECT_EQ(std::vector<int>(out, out + 8), (std::vector<int>{4, 3, 2, 1, 8, 7, 6, 5}));

  EXPECT_EQ(Bytes::SwappedInt16(0x0102), 0x0201);
  EXPECT_EQ(Bytes::SwappedCard16(0xFF00), 0x00FF);
  EXPECT_EQ(Bytes::SwappedSet16(0x8000), 0x0080);
  EXPECT_EQ(Bytes::SwappedCard32(0x01020304U), 0x04030201U);
  EXPECT_EQ(BytesOf(Bytes::SwappedInt32(-2)), (std::array<unsigned char, 4>{0xFF, 0xFF, 0xFF, 0xFE}));
  EXPECT_EQ(Bytes::SwappedSReal(Bytes::SwappedSReal(1.25F)), 1.25F);
  EXPECT_EQ(Bytes::SwappedLReal(Bytes::SwappedLReal(-7.5)), -7.5);
}

}  // namespace
