// The in-process side of the unit seam.
#include "sim/QRN55SimVolumes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SimVolumes, MountListDescriptorsAndLocks) {
  QRN55SimUnit first;
  QRN55SimUnit second;
  QRN55SimVolumes volumes;
  volumes.Mount("/");
  volumes.Mount("/Volumes/VRNL QRN55 1", &first);
  volumes.Mount("/Volumes/VRNL QRN55 2", &second);
  std::vector<std::string> mounts;
  ASSERT_TRUE(volumes.ListMounts(mounts));
  EXPECT_EQ(mounts,
            (std::vector<std::string>{"/", "/Volumes/VRNL QRN55 1", "/Volumes/VRNL QRN55 2"}));

  EXPECT_EQ(volumes.Open("/Volumes/VRNL QRN55 1/ACQD/VRNL/DAT"), -1);
  EXPECT_EQ(volumes.Open("/Volumes/VRNL QRN55/ACQD/VRNL/DATA"), -1);
  const int a = volumes.Open("/Volumes/VRNL QRN55 1/ACQD/VRNL/DATA");
  const int b = volumes.Open("/Volumes/VRNL QRN55 1/ACQD/VRNL/DATA");
  const int c = volumes.Open("/Volumes/VRNL QRN55 2/ACQD/VRNL/DATA");
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(c, 2);
  EXPECT_EQ(volumes.LockExclusive(a), 0);
  EXPECT_EQ(volumes.LockExclusive(a), 0);  // the holder may lock again
  EXPECT_EQ(volumes.LockExclusive(b), -1);
  EXPECT_EQ(volumes.LockExclusive(c), 0);
  volumes.Close(a);
  EXPECT_EQ(volumes.LockExclusive(b), 0);
  EXPECT_EQ(volumes.Open("/Volumes/VRNL QRN55 2/ACQD/VRNL/DATA"), 0);  // the lowest free one
  EXPECT_EQ(volumes.OpenCount(), 3);

  std::uint8_t byte;
  EXPECT_EQ(volumes.ReadAt(b, 0x800000, &byte, 1), 1);
  EXPECT_EQ(byte, 'V');
  EXPECT_EQ(volumes.ReadAt(7, 0x800000, &byte, 1), -1);
  EXPECT_EQ(volumes.Sync(b), 0);

  second.SetLockHeldElsewhere(true);
  const int d = volumes.Open("/Volumes/VRNL QRN55 2/ACQD/VRNL/DATA");
  EXPECT_EQ(volumes.LockExclusive(d), -1);
}

TEST(SimVolumes, UnpluggedUnitsLeaveTheList) {
  QRN55SimUnit unit;
  QRN55SimVolumes volumes;
  volumes.Mount("/Volumes/VRNL QRN55", &unit);
  const int open = volumes.Open("/Volumes/VRNL QRN55/ACQD/VRNL/DATA");
  unit.Unplug();
  std::vector<std::string> mounts;
  volumes.ListMounts(mounts);
  EXPECT_TRUE(mounts.empty());
  EXPECT_EQ(volumes.Open("/Volumes/VRNL QRN55/ACQD/VRNL/DATA"), -1);
  std::uint8_t byte;
  EXPECT_EQ(volumes.ReadAt(open, 0x800000, &byte, 1), -1);
  EXPECT_EQ(volumes.Sync(open), -1);
  unit.Plug();
  EXPECT_EQ(volumes.ReadAt(open, 0x800000, &byte, 1), 1);
  volumes.Unmount("/Volumes/VRNL QRN55");
  volumes.ListMounts(mounts);
  EXPECT_TRUE(mounts.empty());
}

}  // namespace
