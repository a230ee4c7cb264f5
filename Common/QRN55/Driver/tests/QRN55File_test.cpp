// The unit's data file: open and lock statuses, the path limit, and the
// real side of the port on ordinary files and the system's mount table.
#include "Common/QRN55/Driver/QRN55File.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55PosixFilePort.h"
#include "Common/QRN55/Driver/tests/QRN55Bench_fixture.h"

namespace {

std::span<const char> Text(const std::string& text) { return {text.c_str(), text.size() + 1}; }

TEST(QRN55File, OpenLocksAndCloses) {
  QRN55SimulatedUnit sim;
  const std::string path = sim.DataFile();
  QRN55File first(sim.volumes);
  ASSERT_EQ(first.Open(Text(path)), QRN55_STATUS_SUCCESS);  // on descriptor 0
  std::array<std::uint8_t, 16> block;
  EXPECT_EQ(first.Read(0x800000, block), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(block[0], 'V');
  EXPECT_TRUE(first.IsFileName(Text(path)));
  EXPECT_FALSE(first.IsFileName("/Volumes/VRNL QRN55/ACQD/VRNL/DAT"));

  QRN55File second(sim.volumes);
  EXPECT_EQ(second.Open(Text(path)), QRN55_STATUS_IN_USE);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_EQ(sim.volumes.OpenCount(), 1);
  EXPECT_EQ(second.Read(0x800000, block), QRN55_STATUS_FILE_IO);

  // Opening again closes the first descriptor.
  ASSERT_EQ(first.Open(Text(path)), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(sim.volumes.OpenCount(), 1);
  first.Close();
  EXPECT_EQ(sim.volumes.OpenCount(), 0);
  EXPECT_EQ(second.Open(Text(path)), QRN55_STATUS_SUCCESS);

  QRN55File missing(sim.volumes);
  EXPECT_EQ(missing.Open("/Volumes/none/ACQD/VRNL/DATA"), QRN55_STATUS_OPEN_FAILED);
}

TEST(QRN55File, LockHeldByAnotherProcess) {
  QRN55SimulatedUnit sim;
  sim.unit.SetLockHeldElsewhere(true);
  QRN55File file(sim.volumes);
  EXPECT_EQ(file.Open(Text(sim.DataFile())), QRN55_STATUS_IN_USE);
  EXPECT_EQ(sim.volumes.OpenCount(), 0);
}

TEST(QRN55File, PathsUpTo255Characters) {
  const std::string suffix = QRN55DeviceManager::kDataFileSuffix;
  for (int length : {255, 256}) {
    SCOPED_TRACE(length);
    QRN55SimVolumes volumes;
    QRN55SimUnit unit;
    const std::string volume = "/" + std::string(length - 1 - suffix.size(), 'v');
    volumes.Mount(volume, &unit);
    const std::string path = volume + suffix;
    QRN55File file(volumes);
    EXPECT_EQ(file.Open(Text(path)), length <= QRN55File::kMaximumPathLength
                                         ? QRN55_STATUS_SUCCESS
                                         : QRN55_STATUS_OPEN_FAILED);
    EXPECT_EQ(file.IsFileName(Text(path)), length <= QRN55File::kMaximumPathLength);
  }
}

TEST(QRN55File, DestructionReleasesTheLock) {
  QRN55SimulatedUnit sim;
  {
    QRN55File file(sim.volumes);
    ASSERT_EQ(file.Open(Text(sim.DataFile())), QRN55_STATUS_SUCCESS);
  }
  EXPECT_EQ(sim.volumes.OpenCount(), 0);
}

TEST(QRN55PosixFilePort, MountPathOfLineDecodesEscapes) {
  struct Case {
    const char* line;
    bool found;
    const char* path;
  };
  for (const Case& c : {
           Case{"sysfs /sys sysfs rw,relatime 0 0", true, "/sys"},
           Case{"qrn55sim /tmp/r/VRNL\\040QRN55\\0401 fuse rw 0 0", true, "/tmp/r/VRNL QRN55 1"},
           Case{"x /a\\011b\\012c\\134d ext4 rw 0 0", true, "/a\tb\nc\\d"},
           Case{"x /incomplete\\04", true, "/incomplete\\04"},
           Case{"x /not\\08octal y", true, "/not\\08octal"},
           Case{"nofield", false, ""},
           Case{"", false, ""},
       }) {
    SCOPED_TRACE(c.line);
    std::string path = "stale";
    EXPECT_EQ(QRN55PosixFilePort::MountPathOfLine(c.line, path), c.found);
    EXPECT_EQ(path, c.path);
  }
}

TEST(QRN55PosixFilePort, ListsTheSystemsMounts) {
  QRN55PosixFilePort port;
  std::vector<std::string> mounts;
  ASSERT_TRUE(port.ListMounts(mounts));
  EXPECT_NE(std::find(mounts.begin(), mounts.end(), "/"), mounts.end());
}

TEST(QRN55PosixFilePort, FileStatusesOnAnOrdinaryFile) {
  char pattern[] = "/tmp/qrn55-file-XXXXXX";
  const int descriptor = mkstemp(pattern);
  ASSERT_GE(descriptor, 0);
  ASSERT_EQ(ftruncate(descriptor, 8192), 0);
  close(descriptor);
  const std::string path = pattern;

  QRN55PosixFilePort port;
  QRN55File file(port);
  ASSERT_EQ(file.Open(Text(path)), QRN55_STATUS_SUCCESS);
  QRN55File second(port);
  EXPECT_EQ(second.Open(Text(path)), QRN55_STATUS_IN_USE);

  const std::array<std::uint8_t, 4> written = {1, 2, 3, 4};
  EXPECT_EQ(file.Write(4096, written), QRN55_STATUS_SUCCESS);
  std::array<std::uint8_t, 4> read{};
  EXPECT_EQ(file.Read(4096, read), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(read, written);
  EXPECT_EQ(file.Read(8190, read), QRN55_STATUS_SHORT_READ);
  file.Close();
  EXPECT_EQ(second.Open(Text(path)), QRN55_STATUS_SUCCESS);
  second.Close();

  QRN55File directory(port);
  EXPECT_EQ(directory.Open("/tmp"), QRN55_STATUS_OPEN_FAILED);
  unlink(path.c_str());
}

}  // namespace
