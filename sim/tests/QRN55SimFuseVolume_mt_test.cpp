// A simulated unit served as a FUSE volume. Skipped where FUSE cannot mount.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "Common/QRN55/Driver/QRN55PosixFilePort.h"
#include "sim/QRN55SimFuseVolume.h"

namespace {

class FuseVolume : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qrn55-fuse-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    mount_path = root + "/VRNL QRN55 1";
    ASSERT_EQ(mkdir(mount_path.c_str(), 0755), 0);
    std::string reason;
    if (!volume.Mount(mount_path, reason)) GTEST_SKIP() << "FUSE cannot mount here: " << reason;
    data_file = mount_path + "/ACQD/VRNL/DATA";
  }

  void TearDown() override {
    volume.Unmount();
    rmdir(mount_path.c_str());
    rmdir(root.c_str());
  }

  QRN55SimUnit unit;
  QRN55SimFuseVolume volume{unit};
  std::string root;
  std::string mount_path;
  std::string data_file;
};

TEST_F(FuseVolume, ListedInTheMountTableWithItsBlanks) {
  QRN55PosixFilePort port;
  std::vector<std::string> mounts;
  ASSERT_TRUE(port.ListMounts(mounts));
  EXPECT_NE(std::find(mounts.begin(), mounts.end(), mount_path), mounts.end());
  struct stat attributes;
  ASSERT_EQ(stat(data_file.c_str(), &attributes), 0);
  EXPECT_TRUE(S_ISREG(attributes.st_mode));
  EXPECT_NE(stat((mount_path + "/ACQD/OTHER").c_str(), &attributes), 0);
}

TEST_F(FuseVolume, EveryTransferReachesTheUnit) {
  const int file = open(data_file.c_str(), O_RDWR);
  ASSERT_GE(file, 0);
  char magic[4];
  ASSERT_EQ(pread(file, magic, 4, 0x800000), 4);
  EXPECT_EQ(std::string(magic, 4), "VRNL");

  // The same address written and read again answers at once.
  std::vector<std::uint8_t> block(4096, 0);
  block[4] = 0x40;
  block[5] = 0x3E;
  ASSERT_EQ(pwrite(file, block.data(), block.size(), 0x1200000), 4096);
  std::vector<std::uint8_t> window(4096);
  ASSERT_EQ(pread(file, window.data(), window.size(), 0x600000), 4096);
  EXPECT_EQ(std::vector<std::uint8_t>(window.begin(), window.begin() + 64),
            unit.ReadEEPROM(0x3E40, 64));

  EXPECT_EQ(fsync(file), 0);
  unit.InjectFault(QRN55SimFault::kSyncError, QRN55SimUnit::kAnyAddress, 1);
  EXPECT_EQ(fsync(file), -1);
  EXPECT_EQ(errno, EIO);
  unit.InjectFault(QRN55SimFault::kReadError, QRN55SimUnit::kAnyAddress, 1);
  EXPECT_EQ(pread(file, magic, 4, 0x800000), -1);
  close(file);
}

TEST_F(FuseVolume, LargeWritesArriveInPiecesAndAreJoined) {
  const int file = open(data_file.c_str(), O_RDWR);
  ASSERT_GE(file, 0);
  unit.SetTracing(true);
  std::vector<std::uint8_t> block(300000, 0x11);
  ASSERT_EQ(pwrite(file, block.data(), block.size(), 0x1400000), 300000);
  const std::vector<QRN55SimTransfer> trace = unit.TakeTrace();
  ASSERT_GT(trace.size(), 2u);
  std::uint64_t next = 0x1400000;
  for (const QRN55SimTransfer& piece : trace) {
    EXPECT_LE(piece.bytes.size(), QRN55SimFuseVolume::kMaximumTransfer);
    EXPECT_EQ(piece.address, next);
    next += piece.bytes.size();
  }
  EXPECT_EQ(next, 0x1400000u + 300000u);
  close(file);
}

TEST_F(FuseVolume, LocksAreExclusive) {
  const int first = open(data_file.c_str(), O_RDWR);
  const int second = open(data_file.c_str(), O_RDWR);
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  EXPECT_EQ(flock(first, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(flock(second, LOCK_EX | LOCK_NB), -1);
  close(first);
  EXPECT_EQ(flock(second, LOCK_EX | LOCK_NB), 0);
  close(second);
}

TEST_F(FuseVolume, UnmountWithAFileStillOpenEndsPromptly) {
  const int file = open(data_file.c_str(), O_RDWR);
  ASSERT_GE(file, 0);
  const auto start = std::chrono::steady_clock::now();
  volume.Unmount();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  char byte;
  EXPECT_EQ(pread(file, &byte, 1, 0x800000), -1);
  close(file);

  std::string reason;
  ASSERT_TRUE(volume.Mount(mount_path, reason)) << reason;
  EXPECT_TRUE(volume.IsMounted());
}

}  // namespace
