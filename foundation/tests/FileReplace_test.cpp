#include "foundation/FileReplace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "FileSizeLimit_fixture.h"
#include "TempDirectory_fixture.h"
#include "foundation/Buffer.h"
#include "foundation/IOBase.h"
#include "foundation/IOBlowFish.h"
#include "foundation/IOBytes.h"

namespace {

using FileReplaceTest = TempDirectoryTest;

bool Save(const std::string& name, const std::string& content) {
  return IOBytes::SaveFile(Text(name), nullptr, static_cast<std::int32_t>(content.size()),
                           content.data());
}

mode_t Permissions(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST_F(FileReplaceTest, SaveFileWritesANewFile) {
  EXPECT_TRUE(Save("new.bin", "fresh"));
  EXPECT_EQ(IOBase::Result, 0);
  EXPECT_EQ(FileContent("new.bin"), "fresh");
  EXPECT_EQ(Listing(), "new.bin");
  EXPECT_TRUE(Save("empty.bin", ""));
  EXPECT_TRUE(FileExists("empty.bin"));
  EXPECT_EQ(FileContent("empty.bin"), "");
}

TEST_F(FileReplaceTest, SaveFileReplacesKeepingPermissionBits) {
  PutFile("data.bin", "a much longer old content");
  ASSERT_EQ(chmod(Path("data.bin").c_str(), 0640), 0);
  EXPECT_TRUE(Save("data.bin", "new"));
  EXPECT_EQ(FileContent("data.bin"), "new");
  EXPECT_EQ(Permissions(Path("data.bin")), 0640u);
  EXPECT_EQ(Listing(), "data.bin");
}

TEST_F(FileReplaceTest, SaveFileThroughASymbolicLinkReplacesTheFileItNames) {
  PutFile("real.bin", "old");
  ASSERT_EQ(symlink("real.bin", Path("link.bin").c_str()), 0);
  EXPECT_TRUE(Save("link.bin", "new"));
  EXPECT_EQ(FileContent("real.bin"), "new");
  struct stat info;
  ASSERT_EQ(lstat(Path("link.bin").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(Listing(), "link.bin real.bin");
}

TEST_F(FileReplaceTest, AFailedWriteLeavesTheOldFileIntact) {
  const std::string old = "the old content that must survive";
  PutFile("keep.bin", old);
  const std::string big(64 * 1024, 'x');
  bool saved = true;
  {
    FileSizeLimit limit(4096);
    saved = Save("keep.bin", big);
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(IOBase::Result, -34);
  EXPECT_EQ(FileContent("keep.bin"), old);
  EXPECT_EQ(Listing(), "keep.bin");
  EXPECT_TRUE(Save("keep.bin", big));
  EXPECT_EQ(FileContent("keep.bin"), big);
}

TEST_F(FileReplaceTest, AFileThatMayNotBeWrittenIsNotReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write every file";
  PutFile("locked.bin", "old");
  ASSERT_EQ(chmod(Path("locked.bin").c_str(), 0444), 0);
  EXPECT_FALSE(Save("locked.bin", "new"));
  EXPECT_EQ(IOBase::Result, -54);
  EXPECT_EQ(FileContent("locked.bin"), "old");
  EXPECT_EQ(Listing(), "locked.bin");
}

TEST_F(FileReplaceTest, AKeyedSaveReadsBackThroughItsKey) {
  Buffer::InitModule();
  const std::uint8_t secret[] = {'s', 'e', 'c', 'r', 'e', 't'};
  BlowFish::KeyRecord* key = nullptr;
  ASSERT_TRUE(IOBlowFish::CreateKey(secret, 1, key));
  PutFile("keyed.bin", "old");
  const std::string plain = "twenty bytes of text";
  EXPECT_TRUE(IOBytes::SaveFile("keyed.bin", key, 20, plain.data()));
  const std::string stored = FileContent("keyed.bin");
  ASSERT_EQ(stored.size(), 20u);
  EXPECT_NE(stored.substr(0, 16), plain.substr(0, 16));
  EXPECT_EQ(stored.substr(16), plain.substr(16));  // the partial block stays plain
  char back[32] = {};
  std::int32_t count = sizeof back;
  EXPECT_TRUE(IOBytes::LoadFile("keyed.bin", key, count, back));
  EXPECT_EQ(std::string(back, count), plain);
  IOBlowFish::DeleteKey(key);
  Buffer::Shutdown();
}

TEST_F(FileReplaceTest, AnUncommittedReplacementIsAbandoned) {
  PutFile("target.txt", "old");
  {
    FileReplace::Replacement replacement;
    ASSERT_TRUE(FileReplace::Begin("target.txt", nullptr, replacement));
    std::int32_t count = 3;
    EXPECT_TRUE(IOBytes::Write(replacement.handle, count, "new"));
    EXPECT_NE(Listing(), "target.txt");  // the temporary exists meanwhile
  }
  EXPECT_EQ(FileContent("target.txt"), "old");
  EXPECT_EQ(Listing(), "target.txt");

  FileReplace::Replacement replacement;
  ASSERT_TRUE(FileReplace::Begin("target.txt", nullptr, replacement));
  EXPECT_TRUE(FileReplace::Commit(replacement));
  EXPECT_EQ(FileContent("target.txt"), "");
  EXPECT_FALSE(FileReplace::Commit(replacement));
  EXPECT_EQ(IOBase::Result, -38);
}

TEST_F(FileReplaceTest, NamesThatCannotBeReplaced) {
  ASSERT_EQ(mkdir(Path("dir").c_str(), 0755), 0);
  struct Case {
    const char* name;
    std::int16_t code;
  };
  for (const Case& c : std::vector<Case>{{"", -37}, {"dir", -43}, {"nodir/x.bin", -43}}) {
    EXPECT_FALSE(Save(c.name, "x")) << c.name;
    EXPECT_EQ(IOBase::Result, c.code) << c.name;
  }
  EXPECT_FALSE(Save(std::string(300, 'n'), "x"));
  EXPECT_EQ(IOBase::Result, -37);
  EXPECT_EQ(Listing(), "dir");
}

}  // namespace
