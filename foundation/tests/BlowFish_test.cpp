#include "foundation/BlowFish.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

using BlowFish::KeyRecord;

// The published initial tables, made here from pi rather than written out:
// pi = 16 atan(1/5) - 4 atan(1/239) in fixed point of 32-bit words (word 0
// the integer part), with a few words of margin for the rounding of the
// series.
class FixedPoint {
 public:
  static constexpr std::size_t kWords = 1 + 18 + 4 * 256 + 3;

  static FixedPoint InverseArctan(std::uint32_t x) {
    FixedPoint sum;
    FixedPoint power;
    power.words_[0] = 1;
    power.Divide(x);
    for (std::uint32_t k = 0; !power.IsZero(); ++k) {
      FixedPoint term = power;
      term.Divide(2 * k + 1);
      if (k % 2 == 0) {
        sum.Add(term);
      } else {
        sum.Subtract(term);
      }
      power.Divide(x * x);
    }
    return sum;
  }

  void Multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::size_t i = kWords; i-- > 0;) {
      const std::uint64_t v = std::uint64_t{words_[i]} * factor + carry;
      words_[i] = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
  }
  void Divide(std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    for (std::uint32_t& w : words_) {
      const std::uint64_t v = remainder << 32 | w;
      w = static_cast<std::uint32_t>(v / divisor);
      remainder = v % divisor;
    }
  }
  void Add(const FixedPoint& other) {
    std::uint64_t carry = 0;
    for (std::size_t i = kWords; i-- > 0;) {
      const std::uint64_t v = std::uint64_t{words_[i]} + other.words_[i] + carry;
      words_[i] = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
  }
  void Subtract(const FixedPoint& other) {
    std::uint64_t borrow = 0;
    for (std::size_t i = kWords; i-- > 0;) {
      const std::uint64_t v = std::uint64_t{words_[i]} - other.words_[i] - borrow;
      borrow = std::uint64_t{words_[i]} < std::uint64_t{other.words_[i]} + borrow ? 1 : 0;
      words_[i] = static_cast<std::uint32_t>(v);
    }
  }
  bool IsZero() const {
    return std::all_of(words_.begin(), words_.end(), [](std::uint32_t w) { return w == 0; });
  }
  std::uint32_t Word(std::size_t i) const { return words_[i]; }

 private:
  std::array<std::uint32_t, kWords> words_{};
};

// All 1,042 words in key-record order: P-array, then S0..S3.
std::array<std::uint32_t, 18 + 4 * 256> Words(const KeyRecord& record) {
  std::array<std::uint32_t, 18 + 4 * 256> words{};
  std::copy(std::begin(record.P), std::end(record.P), words.begin());
  std::copy(&record.S[0][0], &record.S[0][0] + 4 * 256, words.begin() + 18);
  return words;
}

const KeyRecord& PublishedTables() {
  static const KeyRecord tables = [] {
    FixedPoint pi = FixedPoint::InverseArctan(5);
    pi.Multiply(4);
    pi.Subtract(FixedPoint::InverseArctan(239));
    pi.Multiply(4);
    KeyRecord record{};
    for (std::size_t i = 0; i < 18; ++i) record.P[i] = pi.Word(1 + i);
    for (std::size_t i = 0; i < 4 * 256; ++i) record.S[i / 256][i % 256] = pi.Word(1 + 18 + i);
    return record;
  }();
  return tables;
}

enum Table { P, S0, S1, S2, S3 };

struct ChangedWord {
  Table table;
  int index;
  std::vector<int> digits;  // 1 = the most significant hexadecimal digit

  std::size_t Position() const {
    return table == P ? static_cast<std::size_t>(index) : 18 + 256 * (table - S0) + index;
  }
};

// The words in which the program's tables have E where pi has D.
const std::vector<ChangedWord> kChangedWords = {
    {P, 14, {5}},   {P, 16, {5}},      {S0, 0, {1}},   {S0, 3, {1}},   {S0, 15, {6}},
    {S0, 16, {2}},  {S0, 24, {3}},     {S0, 32, {1}},  {S0, 60, {3}},  {S0, 64, {6}},
    {S0, 69, {1}},  {S0, 70, {4}},     {S0, 81, {1}},  {S0, 94, {2}},  {S0, 104, {3}},
    {S0, 105, {1}}, {S0, 110, {3}},    {S0, 134, {1}}, {S0, 135, {3}}, {S0, 138, {1}},
    {S0, 156, {1}}, {S0, 167, {5}},    {S0, 170, {1}}, {S0, 178, {1}}, {S0, 183, {5}},
    {S0, 184, {1}}, {S0, 194, {1}},    {S0, 207, {1}}, {S0, 215, {4}}, {S0, 218, {1}},
    {S0, 229, {1}}, {S0, 230, {4}},    {S0, 240, {1}}, {S0, 252, {6}}, {S1, 20, {3}},
    {S1, 22, {2}},  {S1, 38, {4}},     {S1, 48, {1}},  {S1, 83, {6}},  {S1, 101, {1}},
    {S1, 113, {4}}, {S1, 115, {6}},    {S1, 125, {4}}, {S1, 154, {1}}, {S1, 171, {4}},
    {S1, 192, {2}}, {S1, 204, {1}},    {S1, 220, {6}}, {S1, 225, {2}}, {S1, 226, {1}},
    {S1, 250, {2}}, {S1, 253, {6}},    {S2, 0, {4}},   {S2, 5, {5}},   {S2, 7, {1}},
    {S2, 10, {5}},  {S2, 16, {2}},     {S2, 39, {5}},  {S2, 41, {1}},  {S2, 45, {1}},
    {S2, 46, {5}},  {S2, 57, {1}},     {S2, 63, {1}},  {S2, 83, {2}},  {S2, 85, {1}},
    {S2, 109, {4}}, {S2, 111, {6}},    {S2, 121, {2}}, {S2, 122, {5}}, {S2, 129, {6}},
    {S2, 131, {1}}, {S2, 150, {2}},    {S2, 154, {1}}, {S2, 155, {1}}, {S2, 164, {1}},
    {S2, 167, {1}}, {S2, 198, {4}},    {S2, 203, {2}}, {S2, 204, {6}}, {S2, 237, {4}},
    {S2, 239, {1}}, {S2, 242, {1, 4}}, {S2, 252, {1}}, {S3, 1, {1}},   {S3, 3, {6}},
    {S3, 8, {1}},   {S3, 10, {1, 4}},  {S3, 22, {1}},  {S3, 29, {4}},  {S3, 35, {5}},
    {S3, 56, {3}},  {S3, 58, {1}},     {S3, 59, {4}},  {S3, 68, {3}},  {S3, 75, {3}},
    {S3, 84, {6}},  {S3, 126, {2}},    {S3, 128, {1}}, {S3, 129, {6}}, {S3, 132, {6}},
    {S3, 135, {6}}, {S3, 138, {3}},    {S3, 146, {6}}, {S3, 157, {5}}, {S3, 161, {1}},
    {S3, 162, {1}}, {S3, 163, {1}},    {S3, 170, {3}}, {S3, 171, {3}}, {S3, 189, {3}},
    {S3, 190, {1}}, {S3, 215, {3}},    {S3, 247, {1}}, {S3, 248, {3}},
};

TEST(BlowFishTables, PublishedTablesComeFromPi) {
  const KeyRecord& published = PublishedTables();
  EXPECT_EQ(published.P[0], 0x243F6A88u);
  EXPECT_EQ(published.P[1], 0x85A308D3u);
  EXPECT_EQ(published.P[17], 0x8979FB1Bu);
  EXPECT_EQ(published.S[0][0], 0xD1310BA6u);
  EXPECT_EQ(published.S[3][255], 0x3AC372E6u);
}

TEST(BlowFishTables, InitialWordsDifferFromPiOnlyInTheChangedDigits) {
  const KeyRecord& program = BlowFish::InitialSubKeys();
  EXPECT_EQ(program.S[0][0], 0xE1310BA6u);
  EXPECT_EQ(program.P[14], 0x3F84E5B5u);
  ASSERT_EQ(kChangedWords.size(), 114u);

  auto expected = Words(PublishedTables());
  for (const ChangedWord& w : kChangedWords) {
    std::uint32_t& word = expected[w.Position()];
    for (int digit : w.digits) {
      const int shift = 4 * (8 - digit);
      ASSERT_EQ((word >> shift) & 0xF, 0xDu) << "word " << w.Position();
      word = (word & ~(0xFu << shift)) | (0xEu << shift);
    }
  }
  const auto actual = Words(program);
  for (std::size_t i = 0; i < actual.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "word " << i;
}

struct Vector {
  std::uint64_t key;
  std::uint64_t plain;
  std::uint64_t cipher;
};

// Eric Young's electronic-code-book test vectors (8-byte keys, big-endian).
const std::vector<Vector> kPublishedVectors = {
    {0x0000000000000000, 0x0000000000000000, 0x4EF997456198DD78},
    {0xFFFFFFFFFFFFFFFF, 0xFFFFFFFFFFFFFFFF, 0x51866FD5B85ECB8A},
    {0x3000000000000000, 0x1000000000000001, 0x7D856F9A613063F2},
    {0x1111111111111111, 0x1111111111111111, 0x2466DD878B963C9D},
    {0x0123456789ABCDEF, 0x1111111111111111, 0x61F9C3802281B096},
    {0x1111111111111111, 0x0123456789ABCDEF, 0x7D0CC630AFDA1EC7},
    {0xFEDCBA9876543210, 0x0123456789ABCDEF, 0x0ACEAB0FC6A0A28D},
    {0x7CA110454A1A6E57, 0x01A1D6D039776742, 0x59C68245EB05282B},
    {0x0131D9619DC1376E, 0x5CD54CA83DEF57DA, 0xB1B8CC0B250F09A0},
    {0x07A1133E4A0B2686, 0x0248D43806F67172, 0x1730E5778BEA1DA4},
    {0x3849674C2602319E, 0x51454B582DDF440A, 0xA25E7856CF2651EB},
    {0x04B915BA43FEB5B6, 0x42FD443059577FA2, 0x353882B109CE8F1A},
    {0x0113B970FD34F2CE, 0x059B5E0851CF143A, 0x48F4D0884C379918},
    {0x0170F175468FB5E6, 0x0756D8E0774761D2, 0x432193B78951FC98},
    {0x43297FAD38E373FE, 0x762514B829BF486A, 0x13F04154D69D1AE5},
    {0x07A7137045DA2A16, 0x3BDD119049372802, 0x2EEDDA93FFD39C79},
    {0x04689104C2FD3B2F, 0x26955F6835AF609A, 0xD887E0393C2DA6E3},
    {0x37D06BB516CB7546, 0x164D5E404F275232, 0x5F99D04F5B163969},
    {0x1F08260D1AC2465E, 0x6B056E18759F5CCA, 0x4A057A3B24D3977B},
    {0x584023641ABA6176, 0x004BD6EF09176062, 0x452031C1E4FADA8E},
    {0x025816164629B007, 0x480D39006EE762F2, 0x7555AE39F59B87BD},
    {0x49793EBC79B3258F, 0x437540C8698F3CFA, 0x53C55F9CB49FC019},
    {0x4FB05E1515AB73A7, 0x072D43A077075292, 0x7A8E7BFA937E89A3},
    {0x49E95D6D4CA229BF, 0x02FE55778117F12A, 0xCF9C5D7A4986ADB5},
    {0x018310DC409B26D6, 0x1D9D5C5018F728C2, 0xD1ABB290658BC778},
    {0x1C587F1C13924FEF, 0x305532286D6F295A, 0x55CB3774D13EF201},
    {0x0101010101010101, 0x0123456789ABCDEF, 0xFA34EC4847B268B2},
    {0x1F1F1F1F0E0E0E0E, 0x0123456789ABCDEF, 0xA790795108EA3CAE},
    {0xE0FEE0FEF1FEF1FE, 0x0123456789ABCDEF, 0xC39E072D9FAC631D},
    {0x0000000000000000, 0xFFFFFFFFFFFFFFFF, 0x014933E0CDAFF6E4},
    {0xFFFFFFFFFFFFFFFF, 0x0000000000000000, 0xF21E9A77B71C49BC},
    {0x0123456789ABCDEF, 0x0000000000000000, 0x245946885754369A},
    {0xFEDCBA9876543210, 0xFFFFFFFFFFFFFFFF, 0x6B5C5A9C5D9E0A5A},
};

TEST(BlowFishCore, PassesThePublishedVectorsWithThePublishedTablesAndWordOrder) {
  for (const Vector& v : kPublishedVectors) {
    std::array<std::uint8_t, 8> keyBytes;
    for (int i = 0; i < 8; ++i) keyBytes[i] = static_cast<std::uint8_t>(v.key >> (56 - 8 * i));
    KeyRecord key;
    ASSERT_TRUE(
        BlowFish::ScheduleKey(key, PublishedTables(), keyBytes, 2, BlowFish::WordOrder::BigEndian));
    auto left = static_cast<std::uint32_t>(v.plain >> 32);
    auto right = static_cast<std::uint32_t>(v.plain);
    BlowFish::EncipherBlock(key, left, right);
    EXPECT_EQ(std::uint64_t{left} << 32 | right, v.cipher) << std::hex << "key " << v.key;
    BlowFish::DecipherBlock(key, left, right);
    EXPECT_EQ(std::uint64_t{left} << 32 | right, v.plain) << std::hex << "key " << v.key;
  }
}

std::vector<std::uint8_t> KeyBytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(BlowFishKey, RefusesWhatCannotMakeAKey) {
  KeyRecord key;
  EXPECT_FALSE(BlowFish::CreateKey(&key, KeyBytes("key"), 3));
  EXPECT_FALSE(BlowFish::CreateKey(&key, KeyBytes("key"), -1));
  EXPECT_FALSE(BlowFish::CreateKey(&key, {}, 1));
  EXPECT_FALSE(BlowFish::CreateKey(&key, KeyBytes("k"), 0));
  EXPECT_FALSE(BlowFish::CreateKey(nullptr, KeyBytes("key"), 1));
  EXPECT_TRUE(BlowFish::CreateKey(&key, KeyBytes("k"), 1));
  std::array<std::uint8_t, 8> data{};
  EXPECT_FALSE(BlowFish::Encipher(nullptr, data));
  EXPECT_FALSE(BlowFish::Decipher(nullptr, data));
}

// Modes 0 and 1 never use the last byte they keep, and mode 0 first drops
// the terminator of a key text: all of these schedule "abc" repeated.
TEST(BlowFishKey, ModesChooseWhichKeyBytesRepeat) {
  using namespace std::literals;
  KeyRecord all;
  ASSERT_TRUE(BlowFish::CreateKey(&all, KeyBytes("abc"), 2));
  const auto same = [&](const KeyRecord& other) { return Words(all) == Words(other); };
  KeyRecord key;
  ASSERT_TRUE(BlowFish::CreateKey(&key, KeyBytes("abcX"), 1));
  EXPECT_TRUE(same(key));
  ASSERT_TRUE(BlowFish::CreateKey(&key, KeyBytes("abcX\0"sv), 0));
  EXPECT_TRUE(same(key));
  ASSERT_TRUE(BlowFish::CreateKey(&key, KeyBytes("abcX"), 2));
  EXPECT_FALSE(same(key));
}

// What files enciphered by the program hold: little-endian halves and key
// words over the program's tables (reference computed apart from this code).
TEST(BlowFishCipher, EnciphersWholeBlocksLittleEndianAndLeavesTheRest) {
  KeyRecord key;
  ASSERT_TRUE(BlowFish::CreateKey(&key, KeyBytes("Mereth"), 2));
  std::array<std::uint8_t, 19> data;
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  ASSERT_TRUE(BlowFish::Encipher(&key, data));
  const std::array<std::uint8_t, 16> expected = {0x52, 0x6A, 0xE3, 0x33, 0x58, 0x11, 0x7B, 0x47,
                                                 0x7B, 0x1A, 0x91, 0x30, 0x57, 0xDC, 0x71, 0x12};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data.begin()));
  EXPECT_EQ(data[16], 16);
  EXPECT_EQ(data[18], 18);
  ASSERT_TRUE(BlowFish::Decipher(&key, data));
  for (std::size_t i = 0; i < data.size(); ++i) EXPECT_EQ(data[i], i);
}

}  // namespace
