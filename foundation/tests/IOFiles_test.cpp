#include "foundation/IOFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "TempDirectory_fixture.h"
#include "foundation/Buffer.h"
#include "foundation/IOBase.h"
#include "shell/Mouse.h"

namespace {

class IOFilesTest : public TempDirectoryTest {
 protected:
  void SetUp() override {
    TempDirectoryTest::SetUp();
    Buffer::InitModule();
  }
  void TearDown() override {
    Buffer::Shutdown();
    TempDirectoryTest::TearDown();
  }
};

std::string Pattern(int size) {
  std::string content(size, 0);
  for (int i = 0; i < size; ++i) content[i] = static_cast<char>(i * 13 + i / 256);
  return content;
}

TEST_F(IOFilesTest, CopyOntoAnExistingFileChangesNeither) {
  PutFile("src.bin", "source");
  PutFile("dst.bin", "destination");
  EXPECT_FALSE(IOFiles::Copy("src.bin", "dst.bin"));
  EXPECT_EQ(IOFiles::GetError(), -48);
  EXPECT_EQ(FileContent("src.bin"), "source");
  EXPECT_EQ(FileContent("dst.bin"), "destination");
}

TEST_F(IOFilesTest, CopyAndMoveInPieces) {
  const std::string content = Pattern(25000);  // three pieces of at most 10,240
  PutFile("src.bin", content);
  Mouse::SetCursorShape(Mouse::kCross);
  EXPECT_TRUE(IOFiles::Copy("src.bin", "copy.bin"));
  EXPECT_EQ(IOBase::Result, 0);
  EXPECT_EQ(FileContent("copy.bin"), content);
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kCross);
  EXPECT_EQ(Buffer::Lookup("CopyBuffer"), nullptr);
  EXPECT_TRUE(IOFiles::Move("copy.bin", "moved.bin"));
  EXPECT_EQ(FileContent("moved.bin"), content);
  EXPECT_EQ(Listing(), "moved.bin src.bin");
  PutFile("empty.bin", "");
  EXPECT_TRUE(IOFiles::Copy("empty.bin", "empty2.bin"));
  EXPECT_TRUE(FileExists("empty2.bin"));
}

TEST_F(IOFilesTest, AFailedCopyLeavesNoDestination) {
  EXPECT_FALSE(IOFiles::Copy("missing.bin", "dst.bin"));
  EXPECT_EQ(IOBase::Result, -43);
  EXPECT_FALSE(IOFiles::Move("missing.bin", "dst.bin"));
  PutFile("src.bin", "x");
  EXPECT_FALSE(IOFiles::Copy("src.bin", "nodir/dst.bin"));
  EXPECT_EQ(IOBase::Result, -43);
  EXPECT_EQ(Listing(), "src.bin");
}

TEST_F(IOFilesTest, CreateDirectory) {
  PutFile("file.txt", "x");
  struct Case {
    const char* path;
    std::int16_t code;
  };
  const std::vector<Case> cases = {
      {"made", 0}, {"made/inner/", 0}, {"made", -48}, {"file.txt/x", -120}, {"none/x", -43},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IOFiles::CreateDirectory(std::span<const char>(c.path, strlen(c.path) + 1)),
              c.code == 0)
        << c.path;
    EXPECT_EQ(IOBase::Result, c.code) << c.path;
  }
  struct stat info;
  ASSERT_EQ(stat(Path("made/inner").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(IOFilesTest, DirectoriesAndFreeSpace) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  char path[256];
  EXPECT_TRUE(IOFiles::GetDirectory(path));
  EXPECT_EQ(std::string(path), Dir());
  char volume[32] = "stale";
  EXPECT_EQ(IOFiles::GetDefaultVolume(volume), 0);
  EXPECT_STREQ(volume, "");

  double bytes = -1;
  EXPECT_TRUE(IOFiles::FreeSpace(bytes, "sub"));
  EXPECT_GT(bytes, 0);
  EXPECT_EQ(std::string(IOBase::DefaultDir), Dir());
  bytes = -1;
  EXPECT_TRUE(IOFiles::FreeSpace(bytes, ""));
  EXPECT_GT(bytes, 0);
  EXPECT_FALSE(IOFiles::FreeSpace(bytes, "missing"));
  EXPECT_EQ(bytes, 0);
  EXPECT_EQ(std::string(IOBase::DefaultDir), Dir());

  EXPECT_TRUE(IOFiles::SetDirectory("sub"));
  EXPECT_EQ(std::string(IOBase::DefaultDir), Path("sub/"));
  EXPECT_FALSE(IOFiles::SetDirectory("missing"));
  EXPECT_EQ(IOFiles::GetError(), -43);
}

TEST_F(IOFilesTest, FlushesReportTheirCode) {
  PutFile("f.txt", "x");
  EXPECT_EQ(IOFiles::FlushFile("f.txt"), 0);
  EXPECT_EQ(IOFiles::FlushFile("missing.txt"), -43);
  EXPECT_EQ(IOFiles::Flush(), 0);
}

TEST(IOFilesMessages, EveryCodeHasItsText) {
  struct Case {
    int code;
    const char* text;
  };
  const std::vector<Case> cases = {
      {0, "no error"},
      {-1, "user error"},
      {-33, "directory full"},
      {-34, "disk full"},
      {-35, "no such volume"},
      {-36, "I/O error (bummers)"},
      {-37, "bad name"},
      {-38, "file not open"},
      {-39, "end of file"},
      {-40, "tried to position before start of file"},
      {-41, "memory full (open) or file will not fit (load)"},
      {-42, "too many files open"},
      {-43, "file not found"},
      {-44, "disk is write protected."},
      {-45, "file is locked"},
      {-46, "volume is locked"},
      {-47, "file is busy (delete)"},
      {-48, "duplicate filename (rename)"},
      {-49, "file already open with write permission"},
      {-50, "error in user parameter list"},
      {-51, "reference number error"},
      {-52, "get file position error"},
      {-53, "volume not on-line"},
      {-54, "permissions error (on file open)"},
      {-55, "drive volume already on-line"},
      {-56, "no such drive"},
      {-57, "not a Mac disk (sig bytes are wrong)"},
      {-58, "volume in question is external fs"},
      {-59, "file system internal error during rename"},
      {-60, "bad master directory block"},
      {-61, "write permissions error"},
      {-64, "I/O System Errors"},
      {-65, "r/w requested for an off-line drive"},
      {-68, "read verify compare failed"},
      {-74, "write underrun occurred"},
      {-75, "step handshake failed"},
      {-76, "track 0 detect does not change"},
      {-77, "unable to initialize IWM"},
      {-78, "tried to read 2nd side on a 1-sided drive"},
      {-79, "unable to correctly adjust disk speed"},
      {-80, "track number wrong on address mark"},
      {-81, "sector number never found on a track"},
      {-82, "cannot find sector 0 after track format"},
      {-83, "cannot get enough sync"},
      {-84, "track failed to verify"},
      {-120, "directory not found"},
      {-121, "no free WDCB available"},
      {-122, "move into offspring error"},
      {-123, "wrong volume type error"},
      {-124, "server volume has been disconnected."},
      {-192, "resource not found"},
      {-193, "resource file not found"},
      {-194, "add resource failed"},
      {-195, "add reference failed"},
      {-196, "remove resource failed"},
      {-197, "remove reference failed"},
      {-198, "attribute inconsistent with operation"},
      {-199, "map inconsistent with operation"},
      {-5000, "access denied"},
      {-5031, "volume is read-only"},
      {-99, "unknown error (-99)"},
      {7, "unknown error (7)"},
      {-62, "unknown error (-62)"},
      {-2147483647 - 1, "unknown error (-2147483648)"},
  };
  EXPECT_EQ(cases.size(), 64u);
  for (const Case& c : cases) {
    char text[80] = "stale";
    IOFiles::Message(c.code, text);
    EXPECT_STREQ(text, c.text) << c.code;
  }
  char small[8];
  IOFiles::Message(-43, small);
  EXPECT_STREQ(small, "file no");
}

TEST(IOFilesNames, ReplaceSeparator) {
  char path[16] = "::a:b\\c";
  EXPECT_EQ(IOFiles::ReplaceSeparator(path), 8);
  EXPECT_STREQ(path, "../a/b/c");
}

}  // namespace
