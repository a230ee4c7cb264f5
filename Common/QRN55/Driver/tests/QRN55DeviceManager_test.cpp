// Discovery, grouping and numbering of devices, run against in-process units
// and against FUSE volumes found through the system's mount table.
#include "Common/QRN55/Driver/QRN55DeviceManager.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "Common/QRN55/Driver/tests/QRN55Bench_fixture.h"

namespace {

std::string SerialOf(const QRN55Device& device) {
  char serial[QRN55Device::kSerialNumberSize];
  device.GetSerialNumber(serial);
  return serial;
}

struct PlannedUnit {
  std::string device_serial;
  int unit_count;
  int unit_index;
  std::string suffix;
};

struct ExpectedDevice {
  std::string serial;
  int status;
  std::vector<int> unit_indices;  // slots that hold a unit
};

struct DiscoveryCase {
  const char* name;
  std::vector<PlannedUnit> units;  // in mount order
  std::vector<ExpectedDevice> devices;
};

const std::vector<DiscoveryCase>& DiscoveryCases() {
  static const std::vector<DiscoveryCase> cases = {
      {"OneUnit", {{"A1", 1, 0, " 1"}}, {{"A1", QRN55Device::kComplete, {0}}}},
      {"TwoJoinedUnits",
       {{"J1", 2, 0, " 1"}, {"J1", 2, 1, " 2"}},
       {{"J1", QRN55Device::kComplete, {0, 1}}}},
      // Three volumes: the last mounted is examined first and numbered first.
      {"ThreeVolumes",
       {{"J1", 2, 0, " 1"}, {"S1", 1, 0, " 2"}, {"J1", 2, 1, " 3"}},
       {{"J1", QRN55Device::kComplete, {0, 1}}, {"S1", QRN55Device::kComplete, {0}}}},
      {"MasterOnly", {{"J1", 2, 0, ""}}, {{"J1", QRN55Device::kIncomplete, {0}}}},
      // Examined in the order: index 0, index 0 again, index 1.
      {"SameIndexTwice",
       {{"J1", 2, 1, " 1"}, {"J1", 2, 0, " 2"}, {"J1", 2, 0, " 3"}},
       {{"J1", QRN55Device::kSlotConflict, {0, 1}}}},
      {"UnitCountsDisagree",
       {{"J1", 2, 1, " 1"}, {"J1", 1, 0, " 2"}},
       {{"J1", QRN55Device::kSlotConflict, {0}}}},
      {"DistinctSerialsNumberedFromLastMount",
       {{"D1", 1, 0, " 1"}, {"D2", 1, 0, " 2"}, {"D3", 1, 0, " 3"}},
       {{"D3", QRN55Device::kComplete, {0}},
        {"D2", QRN55Device::kComplete, {0}},
        {"D1", QRN55Device::kComplete, {0}}}},
      // A unit count read from a bogus record must not cost memory.
      {"HugeUnitCount", {{"H1", INT_MAX, 5, ""}}, {{"H1", QRN55Device::kIncomplete, {5}}}},
  };
  return cases;
}

class Discovery : public testing::TestWithParam<QRN55Bench::Kind> {
 protected:
  void SetUp() override {
    std::string reason;
    if (!bench.Usable(reason)) GTEST_SKIP() << reason;
  }

  QRN55SimUnit* Plug(QRN55SimUnitConfig config, const std::string& suffix) {
    QRN55SimUnit* unit = bench.Plug(std::move(config), suffix);
    EXPECT_NE(unit, nullptr) << "cannot mount " << bench.VolumePath(suffix);
    return unit;
  }

  QRN55Bench bench{GetParam()};
};

TEST_P(Discovery, GroupsAndNumbersDevices) {
  for (const DiscoveryCase& c : DiscoveryCases()) {
    SCOPED_TRACE(c.name);
    QRN55Bench case_bench(GetParam());
    for (const PlannedUnit& planned : c.units) {
      ASSERT_NE(
          case_bench.Plug(UnitConfig(planned.device_serial, planned.unit_count, planned.unit_index),
                          planned.suffix),
          nullptr);
    }
    QRN55DeviceManager manager(case_bench.Port());
    manager.ScanForDevices();
    ASSERT_EQ(manager.GetDeviceCount(), static_cast<int>(c.devices.size()));
    for (int d = 0; d < manager.GetDeviceCount(); ++d) {
      const ExpectedDevice& expected = c.devices[d];
      const QRN55Device& device = *manager.GetDevice(d);
      EXPECT_EQ(SerialOf(device), expected.serial) << "device " << d;
      EXPECT_EQ(device.GetStatus(), expected.status) << "device " << d;
      for (int index : expected.unit_indices) {
        ASSERT_NE(device.GetUnit(index), nullptr) << "device " << d << " unit " << index;
        EXPECT_EQ(device.GetUnit(index)->GetUnitIndex(), index);
      }
      EXPECT_EQ(manager.GetSession(d), nullptr);
    }
  }
}

TEST_P(Discovery, LockedVolumeIsSkipped) {
  QRN55SimUnit* locked = Plug(UnitConfig("L1"), " 1");
  ASSERT_NE(Plug(UnitConfig("F1"), " 2"), nullptr);
  ASSERT_NE(locked, nullptr);
  // Another driver holds the first unit.
  QRN55DeviceManager other(bench.Port());
  ASSERT_EQ(other.ScanDriver(bench.VolumePath(" 1")), QRN55_STATUS_SUCCESS);

  QRN55DeviceManager manager(bench.Port());
  manager.ScanForDevices();
  ASSERT_EQ(manager.GetDeviceCount(), 1);
  EXPECT_EQ(SerialOf(*manager.GetDevice(0)), "F1");
  EXPECT_EQ(manager.ScanDriver(bench.VolumePath(" 1")), QRN55_STATUS_UNIT_ACCESS);
}

TEST_P(Discovery, FaultyUnitsLandInFaultyDevices) {
  // Decode fault after the grouping fields: the unit joins its device.
  QRN55SimUnitConfig bad_fifo = UnitConfig("J1", 2, 1);
  bad_fifo.record.input_fifo_size = 0;
  ASSERT_NE(Plug(UnitConfig("J1", 2, 0), " 1"), nullptr);
  ASSERT_NE(Plug(bad_fifo, " 2"), nullptr);
  // A wrong magic: nothing of the record is trusted.
  QRN55SimUnitConfig bad_magic = UnitConfig("M1");
  bad_magic.signature.magic = {'V', 'R', 'N', 'X'};
  ASSERT_NE(Plug(bad_magic, " 3"), nullptr);
  // A sound record that names no device.
  ASSERT_NE(Plug(UnitConfig(""), " 4"), nullptr);
  // A unit index outside its own unit count.
  QRN55SimUnitConfig bad_index = UnitConfig("X1", 1, -1);
  ASSERT_NE(Plug(bad_index, " 5"), nullptr);

  QRN55DeviceManager manager(bench.Port());
  manager.ScanForDevices();
  ASSERT_EQ(manager.GetDeviceCount(), 4);
  // Discovery order: volumes 5, 4, 3, then 2 with 1.
  EXPECT_EQ(SerialOf(*manager.GetDevice(0)), "X1");
  EXPECT_EQ(manager.GetDevice(0)->GetStatus(), QRN55Device::kSlotConflict);
  for (int d : {1, 2}) {
    const QRN55Device& device = *manager.GetDevice(d);
    EXPECT_EQ(SerialOf(device), "unknown");
    EXPECT_EQ(device.GetStatus(), QRN55Device::kFaulty);
    // Still reachable for service: the unit is unit 0 of its device.
    ASSERT_NE(device.GetUnit(0), nullptr);
  }
  EXPECT_EQ(manager.GetDevice(1)->GetUnit(0)->GetStatus(), QRN55UnitStatus::kSound);
  EXPECT_EQ(manager.GetDevice(2)->GetUnit(0)->GetStatus(), QRN55UnitStatus::kBadMagic);
  const QRN55Device& joined = *manager.GetDevice(3);
  EXPECT_EQ(SerialOf(joined), "J1");
  EXPECT_EQ(joined.GetStatus(), QRN55Device::kFaulty);
  ASSERT_NE(joined.GetUnit(1), nullptr);
  EXPECT_EQ(joined.GetUnit(1)->GetStatus(), QRN55UnitStatus::kFIFOInputSamples);
  ASSERT_NE(joined.GetUnit(0), nullptr);
}

TEST_P(Discovery, RescanReplacesConfigurationAndSessions) {
  ASSERT_NE(Plug(UnitConfig("A1"), " 1"), nullptr);
  QRN55DeviceManager manager(bench.Port());
  manager.ScanForDevices();
  ASSERT_EQ(manager.GetDeviceCount(), 1);
  EXPECT_EQ(manager.SessionOpen(0), QRN55_STATUS_SUCCESS);
  ASSERT_NE(manager.GetSession(0), nullptr);
  EXPECT_EQ(&manager.GetSession(0)->GetDevice(), manager.GetDevice(0));
  EXPECT_EQ(manager.SessionOpen(0), QRN55_STATUS_IN_USE);
  manager.SessionClose(0);
  EXPECT_EQ(manager.GetSession(0), nullptr);
  EXPECT_EQ(manager.SessionOpen(0), QRN55_STATUS_SUCCESS);

  ASSERT_NE(Plug(UnitConfig("B1"), " 2"), nullptr);
  manager.ScanForDevices();  // the units of the first scan release their files first
  ASSERT_EQ(manager.GetDeviceCount(), 2);
  EXPECT_EQ(SerialOf(*manager.GetDevice(0)), "B1");
  EXPECT_EQ(SerialOf(*manager.GetDevice(1)), "A1");
  EXPECT_EQ(manager.GetSession(0), nullptr);
  EXPECT_EQ(manager.GetSession(1), nullptr);
}

TEST_P(Discovery, UnitOpenReadsSignatureAndRecordInPairs) {
  QRN55SimUnit* sim = Plug(UnitConfig("A1"), "");
  ASSERT_NE(sim, nullptr);
  sim->SetTracing(true);
  QRN55DeviceManager manager(bench.Port());
  manager.ScanForDevices();
  ASSERT_EQ(manager.GetDeviceCount(), 1);
  const std::vector<QRN55SimTransfer> trace = sim->TakeTrace();

  // The signature, eight pairs of an address block and the EEPROM window,
  // and the acquisition reset.
  ASSERT_EQ(trace.size(), 1u + 16u + 1u);
  EXPECT_FALSE(trace[0].write);
  EXPECT_EQ(trace[0].address, 0x800000u);
  EXPECT_EQ(trace[0].bytes.size(), 4096u);
  for (int pair = 0; pair < 8; ++pair) {
    const QRN55SimTransfer& size_block = trace[1 + 2 * pair];
    const QRN55SimTransfer& window = trace[2 + 2 * pair];
    ASSERT_TRUE(size_block.write);
    EXPECT_EQ(size_block.address, 0x1200000u);
    ASSERT_EQ(size_block.bytes.size(), 4096u);
    const int address = 0x3E00 + 64 * pair;
    EXPECT_EQ(size_block.bytes[4] | size_block.bytes[5] << 8, address);
    EXPECT_FALSE(window.write);
    EXPECT_EQ(window.address, 0x600000u);
    EXPECT_EQ(window.bytes.size(), 4096u);
  }
  EXPECT_TRUE(trace[17].write);
  EXPECT_EQ(trace[17].address, 0xA00000u);
  EXPECT_EQ(trace[17].bytes[0], 3);

  const QRN55Unit& unit = *manager.GetDevice(0)->GetUnit(0);
  EXPECT_EQ(unit.GetStatus(), QRN55UnitStatus::kSound);
  char serial[16];
  unit.GetUnitSerialNumber(serial);
  EXPECT_STREQ(serial, "123450010700010");
  double scale = 0;
  double offset = 1;
  EXPECT_EQ(unit.GetInputScaling(9, scale, offset), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(scale, 0.0003125);
  EXPECT_EQ(offset, 0.0);
}

TEST_P(Discovery, PulseLargerThan128KiBTravelsWhole) {
  QRN55SimUnit* sim = Plug(UnitConfig("P1"), "");
  ASSERT_NE(sim, nullptr);
  QRN55DeviceManager manager(bench.Port());
  manager.ScanForDevices();
  ASSERT_EQ(manager.GetDeviceCount(), 1);
  QRN55Unit& unit = *manager.GetDevice(0)->GetUnit(0);
  QRN55UnitStatus& status = unit.GetUnitStatus();
  const int adc0[] = {1};
  const int dac0[] = {1};
  const int none[] = {0};
  ASSERT_EQ(status.SetupAcquisition(1, adc0, none, dac0, none, 1, 0), QRN55_STATUS_SUCCESS);

  // One output and one input sample per frame: 160,000 bytes each way.
  constexpr int kFrames = 80000;
  const int write_size = QRN55UnitCommand::PulseWriteSize(status, kFrames);
  const int read_size = QRN55UnitCommand::PulseReadSize(status, kFrames);
  ASSERT_GT(write_size, 128 * 1024);
  std::vector<std::uint8_t> block(write_size);
  std::vector<std::int16_t> ramp(kFrames);
  for (int i = 0; i < kFrames; ++i) {
    ramp[i] = static_cast<std::int16_t>(i % 20000 * 3 - 30000);
    block[512 + 2 * i] = static_cast<std::uint8_t>(ramp[i]);
    block[513 + 2 * i] = static_cast<std::uint8_t>(ramp[i] >> 8);
  }
  std::vector<std::uint8_t> input(read_size);
  sim->SetTracing(true);
  ASSERT_EQ(unit.GetUnitCommand().Pulse(status, kFrames, block, kFrames, input),
            QRN55_STATUS_SUCCESS);

  // The loopback gives back every sample that went out, in order.
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_EQ(static_cast<std::int16_t>(input[2 * i] | input[2 * i + 1] << 8), ramp[i])
        << "frame " << i;
  }
  std::uint64_t next = 0x200000;
  int pieces = 0;
  for (const QRN55SimTransfer& transfer : sim->TakeTrace()) {
    if (!transfer.write) continue;
    EXPECT_EQ(transfer.address, next);
    next += transfer.bytes.size();
    ++pieces;
  }
  EXPECT_EQ(next, 0x200000u + write_size);
  if (GetParam() == QRN55Bench::Kind::kFuse) {
    EXPECT_GT(pieces, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Benches, Discovery,
                         testing::Values(QRN55Bench::Kind::kInProcess, QRN55Bench::Kind::kFuse),
                         [](const auto& info) { return BenchName(info.param); });

// Only the in-process mount list can hold arbitrary paths.

TEST(DiscoveryPaths, EveryMountEntryIsExaminedAndPrefixIsWhole) {
  QRN55SimVolumes volumes;
  QRN55SimUnit first(UnitConfig("F1"));
  QRN55SimUnit continued(UnitConfig("C1"));
  QRN55SimUnit short_name(UnitConfig("S1"));
  const std::string prefix = QRN55DeviceManager::VolumePrefix();
  volumes.Mount(prefix, &first);  // the very first entry of the list
  volumes.Mount("/proc");
  volumes.Mount(prefix + " 2", &continued);
  volumes.Mount(prefix.substr(0, prefix.size() - 1), &short_name);
  QRN55DeviceManager manager(volumes);
  manager.ScanForDevices();
  ASSERT_EQ(manager.GetDeviceCount(), 2);
  EXPECT_EQ(SerialOf(*manager.GetDevice(0)), "C1");
  EXPECT_EQ(SerialOf(*manager.GetDevice(1)), "F1");
}

TEST(DiscoveryPaths, DataFilePathsLongerThan255CharactersAreSkipped) {
  const std::string prefix = QRN55DeviceManager::VolumePrefix();
  const int suffix_length = static_cast<int>(std::strlen(QRN55DeviceManager::kDataFileSuffix));
  struct Case {
    int path_length;  // the data file's
    bool found;
  };
  for (const Case& c : {Case{255, true}, Case{256, false}, Case{257, false}}) {
    SCOPED_TRACE(c.path_length);
    QRN55SimVolumes volumes;
    QRN55SimUnit unit(UnitConfig("P1"));
    const std::string volume =
        prefix + std::string(c.path_length - suffix_length - prefix.size(), 'x');
    volumes.Mount(volume, &unit);
    QRN55DeviceManager manager(volumes);
    manager.ScanForDevices();
    EXPECT_EQ(manager.GetDeviceCount(), c.found ? 1 : 0);
    EXPECT_EQ(volumes.OpenCount(), c.found ? 1 : 0);
  }
}

TEST(DiscoveryPaths, VolumeRootComesFromTheEnvironment) {
  struct Case {
    const char* root;  // null: unset
    const char* prefix;
  };
  const char* saved = std::getenv(QRN55DeviceManager::kVolumeRootVariable);
  const std::string saved_value = saved != nullptr ? saved : "";
  for (const Case& c : {Case{nullptr, "/Volumes/VRNL QRN55"}, Case{"", "/Volumes/VRNL QRN55"},
                        Case{"/mnt/units", "/mnt/units/VRNL QRN55"},
                        Case{"/mnt/units//", "/mnt/units/VRNL QRN55"}}) {
    if (c.root == nullptr) {
      unsetenv(QRN55DeviceManager::kVolumeRootVariable);
    } else {
      setenv(QRN55DeviceManager::kVolumeRootVariable, c.root, 1);
    }
    EXPECT_EQ(QRN55DeviceManager::VolumePrefix(), c.prefix);
  }
  if (saved != nullptr) {
    setenv(QRN55DeviceManager::kVolumeRootVariable, saved_value.c_str(), 1);
  } else {
    unsetenv(QRN55DeviceManager::kVolumeRootVariable);
  }
}

TEST(DiscoveryPaths, UnreadableRecordsGiveNoDeviceOrAFaultyOne) {
  const std::string prefix = QRN55DeviceManager::VolumePrefix();
  QRN55SimVolumes volumes;
  QRN55SimUnit unreadable(UnitConfig("U1"));
  unreadable.InjectFault(QRN55SimFault::kReadError, 0x600000);
  QRN55SimUnit no_signature(UnitConfig("U2"));
  no_signature.InjectFault(QRN55SimFault::kShortRead, 0x800000);
  QRN55SimUnit zero_count(UnitConfig("U3", 0, 0));
  volumes.Mount(prefix + " 1", &unreadable);
  volumes.Mount(prefix + " 2", &no_signature);
  volumes.Mount(prefix + " 3", &zero_count);
  QRN55DeviceManager manager(volumes);
  manager.ScanForDevices();
  // The two units whose transfers fail are closed and left out.
  ASSERT_EQ(manager.GetDeviceCount(), 1);
  EXPECT_EQ(volumes.OpenCount(), 1);
  EXPECT_EQ(manager.GetDevice(0)->GetStatus(), QRN55Device::kFaulty);
  ASSERT_NE(manager.GetDevice(0)->GetUnit(0), nullptr);
  EXPECT_EQ(manager.GetDevice(0)->GetUnit(0)->GetStatus(), QRN55UnitStatus::kUnitCount);
}

}  // namespace
