#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Console_fixture.h"
#include "FileSizeLimit_fixture.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/IOBase.h"
#include "foundation/IOBlowFish.h"
#include "foundation/Load.h"
#include "foundation/Store.h"

namespace {

class LoadStoreTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    text_ = Buffer::Create("Lines", Buffer::kText);
    ASSERT_NE(text_, nullptr);
  }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (std::int32_t n = 1; n <= BufferText::RecordCount(text_); ++n) {
      std::string line(static_cast<std::size_t>(BufferText::RecordLength(text_, n)), '\0');
      BufferText::Get(text_, n, line);
      lines.push_back(line);
    }
    return lines;
  }

  // No temporary buffer outlives a call.
  static void ExpectNoTemporaries() {
    EXPECT_EQ(Buffer::Lookup("Load.tmp"), nullptr);
    EXPECT_EQ(Buffer::Lookup("Store.tmp"), nullptr);
  }

  BufferText::TextBuffer text_ = nullptr;
};

struct Split {
  std::string characters;
  std::int32_t maxLength;
  bool wrap;
  std::vector<std::string> lines;
};

TEST_F(LoadStoreTest, CharactersSplitIntoLines) {
  const std::string word = "abcdefghi ";  // 10 characters ending in a blank
  std::string longLine;
  for (int i = 0; i < 30; ++i) longLine += word;
  const std::vector<Split> cases = {
      {"a\r\nb\r\n", 256, false, {"a", "b"}},
      {"a\rb\r", 256, false, {"a", "b"}},
      {"a\nb", 256, false, {"a", "b"}},
      {"a\n\r\nb\n\n", 256, false, {"a", "", "b", ""}},
      {"a\n\rb", 256, false, {"a", "", "b"}},
      {std::string("x\0y\0\nz", 6), 256, false, {"xy", "z"}},
      {longLine, 256, false, {longLine.substr(0, 255), longLine.substr(255)}},
      {longLine,
       256,
       true,
       {longLine.substr(0, 120), longLine.substr(120, 120), longLine.substr(240)}},
      {std::string(300, 'x'),
       256,
       true,
       {std::string(127, 'x'), std::string(127, 'x'), std::string(46, 'x')}},
      {std::string(255, 'x') + "\nend", 256, false, {std::string(255, 'x'), "end"}},
      {"a\\bcdefgh", 10, true, {"a\\bc", "defg", "h"}},
      {"a bcdefgh", 10, true, {"a bc", "defg", "h"}},
      {"ab cdefgh", 10, true, {"ab ", "cdef", "gh"}},
      {"abc", 0, false, {"a", "b", "c"}},
      {"abc", 2, true, {"a", "b", "c"}},
      {"", 256, false, {}},
  };
  for (const Split& c : cases) {
    Buffer::Delete(text_);
    text_ = Buffer::Create("Lines", Buffer::kText);
    EXPECT_TRUE(Load::BlockToText(c.characters, text_, c.maxLength, c.wrap));
    EXPECT_EQ(Lines(), c.lines) << c.characters.substr(0, 20) << " m " << c.maxLength;
  }
  EXPECT_FALSE(Load::BlockToText("a", nullptr, 256, false));
  EXPECT_FALSE(Load::BlockToText({static_cast<const char*>(nullptr), 0}, text_, 256, false));
  Buffer::NamedBuffer block = Buffer::Create("Block", Buffer::kSingleBlock);
  EXPECT_FALSE(Load::BlockToText("a", block, 256, false));
}

TEST_F(LoadStoreTest, LoadTextFillsAnEmptyTextBuffer) {
  PutFile("notes.txt", "first\r\nsecond\rthird");
  BufferText::SetModified(text_, true);
  EXPECT_EQ(Load::Text("notes.txt", nullptr, text_, 256, false), 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"first", "second", "third"}));
  EXPECT_FALSE(BufferText::GetModified(text_));
  ExpectNoTemporaries();

  // Never appends to lines already there.
  PutFile("more.txt", "more\n");
  EXPECT_EQ(Load::Text("more.txt", nullptr, text_, 256, false), -1);
  EXPECT_EQ(Lines().size(), 3u);
}

TEST_F(LoadStoreTest, LoadTextOfAnEmptyOrMissingFile) {
  PutFile("empty.txt", "");
  EXPECT_EQ(Load::Text("empty.txt", nullptr, text_, 256, false), 0);
  EXPECT_EQ(BufferText::RecordCount(text_), 0);
  EXPECT_EQ(Load::Text("missing.txt", nullptr, text_, 256, false), -43);
  Buffer::NamedBuffer block = Buffer::Create("Block", Buffer::kSingleBlock);
  EXPECT_EQ(Load::Text("empty.txt", nullptr, block, 256, false), -1);
  ExpectNoTemporaries();
}

TEST_F(LoadStoreTest, LoadBlockGivesTheFilesLength) {
  const std::string content(3000, 'q');
  PutFile("data.bin", content);
  Buffer::NamedBuffer block = Buffer::Create("Block", Buffer::kSingleBlock);
  EXPECT_EQ(Load::Block("data.bin", nullptr, block), 0);
  int organisation = -1;
  void* data = nullptr;
  std::int32_t size = 0;
  Buffer::GetHeader(block, organisation, data, size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(size, 3000);
  EXPECT_EQ(std::string(static_cast<const char*>(data), 3000), content);
  // The buffer holds a block now; a second load is refused.
  EXPECT_EQ(Load::Block("data.bin", nullptr, block), -1);
  Buffer::NamedBuffer fresh = Buffer::Create("Fresh", Buffer::kSingleBlock);
  EXPECT_EQ(Load::Block("missing.bin", nullptr, fresh), -43);
  EXPECT_EQ(Load::Block("data.bin", nullptr, nullptr), -1);
  EXPECT_EQ(Load::Block("data.bin", nullptr, text_), -1);
}

TEST_F(LoadStoreTest, StoreBlockWritesTheLoadedBytes) {
  PutFile("in.bin", std::string("\0\1\2binary\r\n", 11));
  Buffer::NamedBuffer block = Buffer::Create("Block", Buffer::kSingleBlock);
  ASSERT_EQ(Load::Block("in.bin", nullptr, block), 0);
  PutFile("out.bin", "an older and longer content");
  EXPECT_EQ(Store::Block(block, "out.bin", nullptr), 0);
  EXPECT_EQ(FileContent("out.bin"), FileContent("in.bin"));
  Buffer::NamedBuffer empty = Buffer::Create("Empty", Buffer::kSingleBlock);
  EXPECT_EQ(Store::Block(empty, "empty.bin", nullptr), 0);
  EXPECT_EQ(FileContent("empty.bin"), "");
  EXPECT_EQ(Store::Block(text_, "x.bin", nullptr), -1);
  EXPECT_FALSE(FileExists("x.bin"));
}

TEST_F(LoadStoreTest, StoreTextEndsEveryLineWithTheLineEnd) {
  BufferText::Append(text_, "x");
  BufferText::Append(text_, "yz");
  BufferText::SetModified(text_, true);
  EXPECT_EQ(Store::Text(text_, "out.txt", nullptr), 0);
  EXPECT_EQ(FileContent("out.txt"), "x\nyz\n");
  EXPECT_FALSE(BufferText::GetModified(text_));
  ExpectNoTemporaries();

  Buffer::NamedBuffer temporary = nullptr;
  char* block = nullptr;
  std::int32_t count = 0;
  ASSERT_TRUE(Store::TextToBlock(text_, 2, temporary, block, count));
  EXPECT_EQ(std::string(block, static_cast<std::size_t>(count)), "yz\n");
  Buffer::Delete(temporary);

  // An empty text stores as an empty file.
  Buffer::NamedBuffer empty = Buffer::Create("Empty", Buffer::kText);
  EXPECT_EQ(Store::Text(empty, "out.txt", nullptr), 0);
  EXPECT_EQ(FileContent("out.txt"), "");
  EXPECT_EQ(Store::Text(Buffer::Create("Block", Buffer::kSingleBlock), "out.txt", nullptr), -1);
  ExpectNoTemporaries();
}

TEST_F(LoadStoreTest, StoredTextLoadsBackLineForLine) {
  const std::vector<std::string> lines = {"one", "", std::string(255, 'w'), "last line"};
  for (const std::string& line : lines) BufferText::Append(text_, line);
  ASSERT_EQ(Store::Text(text_, "round.txt", nullptr), 0);
  Buffer::Delete(text_);
  text_ = Buffer::Create("Lines", Buffer::kText);
  ASSERT_EQ(Load::Text("round.txt", nullptr, text_, 256, false), 0);
  EXPECT_EQ(Lines(), lines);
}

TEST_F(LoadStoreTest, EncipheredFilesGoThroughTheKey) {
  BlowFish::KeyRecord* key = nullptr;
  const std::uint8_t keyBytes[] = {'k', 'e', 'y'};
  ASSERT_TRUE(IOBlowFish::CreateKey(keyBytes, 2, key));
  const std::vector<std::string> lines = {"first line", "second", "the third and last"};
  for (const std::string& line : lines) BufferText::Append(text_, line);
  ASSERT_EQ(Store::Text(text_, "secret.txt", key), 0);
  const std::string disk = FileContent("secret.txt");
  EXPECT_EQ(disk.size(), 37u);
  EXPECT_EQ(disk.find("first"), std::string::npos);
  EXPECT_EQ(disk.substr(32), "last\n");

  Buffer::NamedBuffer loaded = Buffer::Create("Loaded", Buffer::kText);
  ASSERT_EQ(Load::Text("secret.txt", key, loaded, 256, false), 0);
  std::swap(loaded, text_);
  EXPECT_EQ(Lines(), lines);
  Buffer::NamedBuffer block = Buffer::Create("Block", Buffer::kSingleBlock);
  ASSERT_EQ(Load::Block("secret.txt", key, block), 0);
  ASSERT_EQ(Store::Block(block, "copy.txt", nullptr), 0);
  EXPECT_EQ(FileContent("copy.txt"), "first line\nsecond\nthe third and last\n");
  IOBlowFish::DeleteKey(key);
}

TEST_F(LoadStoreTest, AFailedStoreKeepsTheOldFile) {
  PutFile("keep.txt", "old content\n");
  for (int i = 0; i < 100; ++i) BufferText::Append(text_, "a new line that will not fit");
  BufferText::SetModified(text_, true);
  int result = 0;
  {
    FileSizeLimit limit(64);
    result = Store::Text(text_, "keep.txt", nullptr);
  }
  EXPECT_LT(result, 0);
  EXPECT_EQ(FileContent("keep.txt"), "old content\n");
  EXPECT_TRUE(BufferText::GetModified(text_));
  EXPECT_EQ(Listing(), "keep.txt");
  ExpectNoTemporaries();

  Buffer::NamedBuffer block = Buffer::Create("Block", Buffer::kSingleBlock);
  PutFile("big.bin", std::string(5000, 'b'));
  ASSERT_EQ(Load::Block("big.bin", nullptr, block), 0);
  {
    FileSizeLimit limit(64);
    result = Store::Block(block, "keep.txt", nullptr);
  }
  EXPECT_LT(result, 0);
  EXPECT_EQ(FileContent("keep.txt"), "old content\n");
}

}  // namespace
