#include "foundation/IOBytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "TempDirectory_fixture.h"
#include "foundation/IOBase.h"
#include "foundation/Strings.h"

namespace {

using IOBytesTest = TempDirectoryTest;
using namespace IOBytes;

TEST_F(IOBytesTest, OpenModesAndCodes) {
  PutFile("exists.txt", "hello");
  ASSERT_EQ(mkdir(Path("dir").c_str(), 0755), 0);
  struct Case {
    const char* name;
    FileOpenMode mode;
    std::int16_t code;
    FileOpenMode adjusted;
    std::int32_t lengthAfter;  // of the file once open; -1 not checked
    std::int32_t positionAfter;
  };
  const std::vector<Case> cases = {
      {"exists.txt", ModeCreate, -1, 0, -1, -1},
      {"exists.txt", 0, -1, 0, -1, -1},
      {"exists.txt", ModeAppend, -1, 0, -1, -1},
      {"", ModeRead, -37, 0, -1, -1},
      {"missing.txt", ModeRead, -43, 0, -1, -1},
      {"missing.txt", ModeWrite, -43, 0, -1, -1},
      {"nodir/x.txt", ModeWrite | ModeCreate, -43, 0, -1, -1},
      {"exists.txt/x", ModeRead, -120, 0, -1, -1},
      // A directory is no file: a true code, not "no error".
      {"dir", ModeRead, -43, 0, -1, -1},
      {"exists.txt", ModeRead, 0, 1, 5, 0},
      {"exists.txt", ModeRead | ModeTruncate, 0, 17, 5, 0},  // read-only: not cut
      {"exists.txt", ModeRead | ModeWrite | ModeAppend, 0, 7, 5, 5},
      {"exists.txt", ModeWrite | ModeCreate | ModeAppend, 0, 26, 0, 0},
      {"exists.txt", ModeWrite | ModeCreate, 0, 26, 0, 0},
      {"new.txt", ModeWrite | ModeCreate, 0, 26, 0, 0},
      {"shared.txt", ModeRead | ModeWrite | ModeCreate | ModeShared, 0, 59, 0, 0},
  };
  for (const Case& c : cases) {
    PutFile("exists.txt", "hello");
    FileHandle handle{7, nullptr, 0, true};
    const bool ok =
        Open(std::span<const char>(c.name, strlen(c.name) + 1), nullptr, c.mode, handle);
    EXPECT_EQ(ok, c.code == 0) << c.name << " mode " << c.mode;
    EXPECT_EQ(IOBase::Result, c.code) << c.name << " mode " << c.mode;
    EXPECT_EQ(handle.open, ok);
    if (!ok) {
      EXPECT_EQ(handle.refNum, -1);
      continue;
    }
    EXPECT_EQ(handle.mode, c.adjusted) << c.name;
    std::int32_t length = -1;
    std::int32_t position = -1;
    EXPECT_TRUE(GetLength(handle, length));
    EXPECT_TRUE(GetPosition(handle, position));
    EXPECT_EQ(length, c.lengthAfter) << c.name << " mode " << c.mode;
    EXPECT_EQ(position, c.positionAfter) << c.name << " mode " << c.mode;
    EXPECT_TRUE(Close(handle));
    EXPECT_FALSE(handle.open);
    EXPECT_EQ(handle.refNum, -1);
  }
}

TEST_F(IOBytesTest, OperationsOnAClosedHandleGiveMinus38) {
  FileHandle handle;
  std::int32_t count = 10;
  char buffer[16];
  EXPECT_FALSE(Read(handle, count, buffer));
  EXPECT_EQ(IOBase::Result, -38);
  EXPECT_EQ(count, 0);
  count = 3;
  EXPECT_FALSE(Write(handle, count, "abc"));
  EXPECT_EQ(IOBase::Result, -38);
  std::int32_t value = 0;
  EXPECT_FALSE(SetPosition(handle, 0, 0));
  EXPECT_EQ(IOBase::Result, -38);
  EXPECT_FALSE(GetPosition(handle, value));
  EXPECT_FALSE(GetLength(handle, value));
  EXPECT_FALSE(SetLength(handle, 0));
  EXPECT_EQ(IOBase::Result, -38);
  EXPECT_FALSE(Close(handle));
  EXPECT_EQ(IOBase::Result, -38);
}

TEST_F(IOBytesTest, ReadsStopAtTheEndOfTheFile) {
  PutFile("data.bin", std::string(60, 'a') + std::string(40, 'b'));
  FileHandle handle;
  ASSERT_TRUE(Open("data.bin", nullptr, ModeRead, handle));
  std::vector<char> buffer(100);
  std::int32_t count = 60;
  EXPECT_TRUE(Read(handle, count, buffer.data()));
  EXPECT_EQ(count, 60);
  EXPECT_EQ(IOBase::Result, 0);
  count = 100;
  EXPECT_FALSE(Read(handle, count, buffer.data()));
  EXPECT_EQ(count, 40);
  EXPECT_EQ(IOBase::Result, -39);
  EXPECT_EQ(std::string(buffer.data(), 40), std::string(40, 'b'));
  count = 10;
  EXPECT_FALSE(Read(handle, count, buffer.data()));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(IOBase::Result, -39);
  count = 10;
  EXPECT_FALSE(Read(handle, count, nullptr));
  EXPECT_EQ(IOBase::Result, -1);
  EXPECT_TRUE(Close(handle));
}

TEST_F(IOBytesTest, ReadLineTakesEveryLineEnd) {
  struct Case {
    std::string content;
    std::int32_t capacity;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"ab\r\ncd\n", 10, {"ab", "cd"}},
      {"a\rb\nc", 10, {"a", "b", "c"}},
      {std::string("x\0y\r\r\nz", 7), 10, {"x", "y", "", "z"}},
      {"\n\n", 10, {"", ""}},
      {"abcdef\n", 4, {"abcd", "ef"}},
      // The CR LF split across two reads is one line end.
      {"abc\r\nx", 4, {"abc", "x"}},
      {"abc\r\r\n", 4, {"abc", ""}},
      {"abc\ry", 4, {"abc", "y"}},
      {"abc\r", 4, {"abc"}},
      {"", 10, {}},
  };
  for (const Case& c : cases) {
    PutFile("lines.txt", c.content);
    FileHandle handle;
    ASSERT_TRUE(Open("lines.txt", nullptr, ModeRead, handle));
    std::vector<char> text(c.capacity);
    for (const std::string& line : c.lines) {
      std::int32_t count = c.capacity;
      ASSERT_TRUE(ReadLine(handle, count, text)) << c.content;
      EXPECT_EQ(std::string(text.data(), count), line) << c.content;
      if (count < c.capacity) {
        EXPECT_EQ(text[count], 0);
      }
      EXPECT_EQ(IOBase::Result, 0);
    }
    std::int32_t count = c.capacity;
    EXPECT_FALSE(ReadLine(handle, count, text)) << c.content;
    EXPECT_EQ(count, 0);
    EXPECT_EQ(text[0], 0);
    EXPECT_EQ(IOBase::Result, -39);
    EXPECT_TRUE(Close(handle));
  }
}

TEST_F(IOBytesTest, ReadLineNeverWritesBeyondItsText) {
  PutFile("lines.txt", "abcdefghij\n");
  FileHandle handle;
  ASSERT_TRUE(Open("lines.txt", nullptr, ModeRead, handle));
  char text[4];
  std::int32_t count = 100;
  EXPECT_TRUE(ReadLine(handle, count, text));
  EXPECT_EQ(count, 4);
  EXPECT_EQ(std::string(text, 4), "abcd");
  EXPECT_TRUE(Close(handle));
}

TEST_F(IOBytesTest, WriteLineAddsTheLineEnd) {
  FileHandle handle;
  ASSERT_TRUE(Open("out.txt", nullptr, ModeWrite | ModeCreate, handle));
  std::int32_t count = 3;
  EXPECT_TRUE(WriteLine(handle, count, "abcdef"));
  EXPECT_EQ(count, 4);
  count = 0;
  EXPECT_TRUE(WriteLine(handle, count, "ignored"));
  EXPECT_EQ(count, 1);
  std::int32_t written = 2;
  EXPECT_TRUE(Write(handle, written, "xy"));
  EXPECT_EQ(written, 2);
  EXPECT_TRUE(Close(handle));
  EXPECT_EQ(FileContent("out.txt"), "abc\n\nxy");
}

TEST_F(IOBytesTest, PositionsAndLengths) {
  PutFile("p.bin", "0123456789");
  FileHandle handle;
  ASSERT_TRUE(Open("p.bin", nullptr, ModeRead | ModeWrite, handle));
  struct Case {
    int origin;
    std::int32_t offset;
    std::int16_t code;
    std::int32_t position;
  };
  const std::vector<Case> cases = {
      {0, 4, 0, 4},  {2, 3, 0, 7},    {2, -2, 0, 5},    {1, -1, 0, 9},
      {1, 0, 0, 10}, {3, 0, -40, 10}, {-1, 0, -40, 10}, {0, -1, -40, 10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetPosition(handle, c.origin, c.offset), c.code == 0);
    EXPECT_EQ(IOBase::Result, c.code) << c.origin << " " << c.offset;
    std::int32_t position = -1;
    EXPECT_TRUE(GetPosition(handle, position));
    EXPECT_EQ(position, c.position) << c.origin << " " << c.offset;
  }
  EXPECT_TRUE(SetLength(handle, 3));
  std::int32_t length = 0;
  EXPECT_TRUE(GetLength(handle, length));
  EXPECT_EQ(length, 3);
  EXPECT_TRUE(Close(handle));
  EXPECT_EQ(FileContent("p.bin"), "012");
}

TEST_F(IOBytesTest, LoadFile) {
  std::string content(5000, 0);
  for (int i = 0; i < 5000; ++i) content[i] = static_cast<char>(i * 7);
  PutFile("big.bin", content);
  std::vector<char> buffer(4096);
  std::int32_t count = 4096;
  EXPECT_FALSE(LoadFile("big.bin", nullptr, count, buffer.data()));
  EXPECT_EQ(count, 4096);
  EXPECT_EQ(IOBase::Result, -41);
  EXPECT_EQ(std::string(buffer.data(), 4096), content.substr(0, 4096));

  buffer.assign(6000, 0);
  count = 6000;
  EXPECT_TRUE(LoadFile("big.bin", nullptr, count, buffer.data()));
  EXPECT_EQ(count, 5000);
  EXPECT_EQ(std::string(buffer.data(), 5000), content);

  PutFile("empty.bin", "");
  count = 10;
  EXPECT_TRUE(LoadFile("empty.bin", nullptr, count, buffer.data()));
  EXPECT_EQ(count, 0);

  count = 10;
  EXPECT_FALSE(LoadFile("missing.bin", nullptr, count, buffer.data()));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(IOBase::Result, -43);
}

}  // namespace
