#include "foundation/IOBlowFish.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Console_fixture.h"
#include "foundation/Buffer.h"
#include "foundation/IOBase.h"

namespace {

std::vector<std::uint8_t> KeyBytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string Pattern(std::size_t length, int seed) {
  std::string text(length, 0);
  for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(i * 31 + seed);
  return text;
}

class EncipheredFileTest : public ConsoleTest {
 protected:
  static constexpr char kName[] = "secret.bin";

  void SetUp() override {
    ConsoleTest::SetUp();
    ASSERT_TRUE(IOBlowFish::CreateKey(KeyBytes("Mereth key"), 2, key_));
  }
  void TearDown() override {
    IOBlowFish::DeleteKey(key_);
    ConsoleTest::TearDown();
  }

  // The keyed file, made empty first when it is missing.
  IOBytes::FileHandle Open() {
    if (!FileExists(kName)) PutFile(kName, "");
    IOBytes::FileHandle handle;
    EXPECT_TRUE(IOBytes::Open(kName, key_, IOBytes::ModeRead | IOBytes::ModeWrite, handle));
    return handle;
  }

  std::int16_t WriteAt(std::int32_t position, const std::string& data, std::int32_t& written) {
    IOBytes::FileHandle handle = Open();
    EXPECT_TRUE(IOBytes::SetPosition(handle, 0, position));
    written = static_cast<std::int32_t>(data.size());
    const std::int16_t code = IOBlowFish::Write(handle, written, data.data());
    std::int32_t after = -1;
    EXPECT_TRUE(IOBytes::GetPosition(handle, after));
    EXPECT_EQ(after, position + written);
    IOBytes::Close(handle);
    return code;
  }

  std::string ReadAt(std::int32_t position, std::int32_t count, std::int16_t& code) {
    IOBytes::FileHandle handle = Open();
    EXPECT_TRUE(IOBytes::SetPosition(handle, 0, position));
    std::string data(static_cast<std::size_t>(count), '\0');
    code = IOBlowFish::Read(handle, count, data.data());
    std::int32_t after = -1;
    EXPECT_TRUE(IOBytes::GetPosition(handle, after));
    EXPECT_EQ(after, position + count);
    IOBytes::Close(handle);
    data.resize(static_cast<std::size_t>(count));
    return data;
  }

  std::string ReadAll() {
    std::int16_t code = 0;
    return ReadAt(0, static_cast<std::int32_t>(FileContent(kName).size()), code);
  }

  // What the disk holds for a plain content: every complete block
  // enciphered by itself, a partial last block plain.
  std::string OnDisk(const std::string& plain) const {
    std::vector<std::uint8_t> bytes(plain.begin(), plain.end());
    EXPECT_TRUE(BlowFish::Encipher(key_, bytes));
    return std::string(bytes.begin(), bytes.end());
  }

  BlowFish::KeyRecord* key_ = nullptr;
};

TEST_F(EncipheredFileTest, TwentyBytesAreSixteenEncipheredAndFourPlain) {
  const std::string plain = "abcdefghijklmnopqrst";
  std::int32_t written = 0;
  ASSERT_EQ(WriteAt(0, plain, written), 0);
  EXPECT_EQ(written, 20);
  const std::string disk = FileContent(kName);
  EXPECT_EQ(disk, OnDisk(plain));
  EXPECT_NE(disk.substr(0, 16), plain.substr(0, 16));
  EXPECT_EQ(disk.substr(16), "qrst");
  EXPECT_EQ(ReadAll(), plain);
}

TEST_F(EncipheredFileTest, OverwritingInsideABlockReenciphersOnlyThatBlock) {
  std::string plain = Pattern(24, 1);
  std::int32_t written = 0;
  ASSERT_EQ(WriteAt(0, plain, written), 0);
  const std::string before = FileContent(kName);
  ASSERT_EQ(WriteAt(5, "XYZ", written), 0);
  plain.replace(5, 3, "XYZ");
  const std::string after = FileContent(kName);
  EXPECT_EQ(after, OnDisk(plain));
  EXPECT_NE(after.substr(0, 8), before.substr(0, 8));
  EXPECT_EQ(after.substr(8), before.substr(8));
}

TEST_F(EncipheredFileTest, AReadStopsAtTheEndOfTheFile) {
  std::int32_t written = 0;
  ASSERT_EQ(WriteAt(0, Pattern(20, 2), written), 0);
  std::int16_t code = 0;
  EXPECT_EQ(ReadAt(14, 10, code), Pattern(20, 2).substr(14));
  EXPECT_EQ(code, -39);
  EXPECT_EQ(ReadAt(20, 4, code), "");
  EXPECT_EQ(code, -39);
  EXPECT_EQ(ReadAt(3, 9, code), Pattern(20, 2).substr(3, 9));
  EXPECT_EQ(code, 0);
}

TEST_F(EncipheredFileTest, LargeRequestsGoInChunks) {
  const std::string plain = Pattern(50000, 3);
  std::int32_t written = 0;
  ASSERT_EQ(WriteAt(0, plain, written), 0);
  EXPECT_EQ(written, 50000);
  EXPECT_EQ(FileContent(kName), OnDisk(plain));
  std::int16_t code = -1;
  EXPECT_EQ(ReadAt(0, 50000, code), plain);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadAt(5, 49990, code), plain.substr(5, 49990));
  EXPECT_EQ(code, 0);
}

// Writes anywhere in or past a 21-byte file (whose bytes 16..20 are its
// plain partial block): the file grows only to the end of what was written,
// every complete block is enciphered, the rest plain, and everything reads
// back.
TEST_F(EncipheredFileTest, WritesAtAnyPositionKeepTheFileWhole) {
  struct Case {
    std::int32_t position;
    std::int32_t length;
  };
  const Case cases[] = {
      {0, 21}, {3, 2},  {16, 3},  {17, 4}, {18, 2}, {18, 10},   {20, 1},    {7, 1},   {7, 10},
      {13, 7}, {21, 3}, {21, 11}, {24, 5}, {30, 2}, {2, 20470}, {5, 45000}, {100, 8}, {40000, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "at " << c.position << " length " << c.length);
    std::string plain = Pattern(21, 4);
    std::int32_t written = 0;
    std::remove(Path(kName).c_str());
    ASSERT_EQ(WriteAt(0, plain, written), 0);
    const std::string data = Pattern(static_cast<std::size_t>(c.length), 5);
    ASSERT_EQ(WriteAt(c.position, data, written), 0);
    EXPECT_EQ(written, c.length);
    const std::size_t end = static_cast<std::size_t>(c.position + c.length);
    if (plain.size() < end) plain.resize(end, '\0');
    plain.replace(static_cast<std::size_t>(c.position), data.size(), data);
    EXPECT_EQ(FileContent(kName), OnDisk(plain));
    EXPECT_EQ(ReadAll(), plain);
  }
}

TEST_F(EncipheredFileTest, KeysLiveInTheirBuffer) {
  Buffer::NamedBuffer keys = Buffer::Lookup("BlowFishBuffer");
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(Buffer::GetOrganization(keys), Buffer::kHeap);
  BlowFish::KeyRecord* other = nullptr;
  EXPECT_FALSE(IOBlowFish::CreateKey(KeyBytes("x"), 3, other));
  EXPECT_EQ(other, nullptr);
  ASSERT_TRUE(IOBlowFish::CreateKey(KeyBytes("other"), 1, other));
  EXPECT_NE(other, key_);
  IOBlowFish::DeleteKey(other);
  EXPECT_EQ(other, nullptr);
  IOBlowFish::DeleteKey(other);
  EXPECT_EQ(other, nullptr);
}

TEST_F(EncipheredFileTest, AHandleWithoutKeyIsRefused) {
  IOBytes::FileHandle handle = Open();
  handle.key = nullptr;
  std::int32_t count = 4;
  char data[4] = {};
  EXPECT_EQ(IOBlowFish::Write(handle, count, data), -1);
  EXPECT_EQ(count, 0);
  count = 4;
  EXPECT_EQ(IOBlowFish::Read(handle, count, data), -1);
  handle.key = key_;
  count = 4;
  EXPECT_EQ(IOBlowFish::Read(handle, count, nullptr), -1);
  IOBytes::Close(handle);
}

}  // namespace
