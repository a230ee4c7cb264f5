// An outdated QRN 5+5 firmware found by "Initialize": the backup of the
// unit's record first, then the update and the power cycle.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "acquisition/QRN55Tools.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"
#include "foundation/GLP.h"
#include "foundation/IOFiles.h"
#include "shell/MacEnv.h"

namespace {

class FirmwareRun : public MerethTest {
 protected:
  void SetUp() override {
    MerethTest::SetUp();
    UseRack("qrn55.firmware = 6\n");
  }
  bool Has(const std::string& part) const { return Alerts().find(part) != std::string::npos; }
  // The backups in the test's folder.
  std::vector<std::string> Backups() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir())) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with("QRN55Calib_")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

constexpr char kPowerCycle[] = "You now have to power the QRN 5+5 off,then on again!\nMereth will now quit.";

TEST_F(FirmwareRun, AnOldFirmwareIsBackedUpUpdatedAndTheProgramEnds) {
  Run([] {
    Alert::PushAnswer(2);
    Initialize();
    EXPECT_TRUE(MacEnv::Terminated);
  });
  EXPECT_TRUE(Has(kPowerCycle)) << Alerts();
  EXPECT_EQ(Backups(), std::vector<std::string>{"QRN55Calib_123450.txt"});
  // Powered off and on, the unit runs the new firmware.
  Run([] {
    Alert::PushAnswer(2);
    Initialize();
    EXPECT_FALSE(QRN55Tools::FirmwareNeedsUpdating());
    EXPECT_FALSE(MacEnv::Terminated);
  });
}

TEST_F(FirmwareRun, AStaleKeptBackupGetsADatedOneBesideIt) {
  PutFile("QRN55Calib_123450.txt", "not this unit's record\n");
  Run([] {
    Alert::PushAnswer(2);
    Initialize();
    const std::string line = LineWith(Notebook(), "QRN55-Calibration saved to: ");
    EXPECT_NE(line.find("QRN55Calib_123450_"), std::string::npos) << line;
  });
  const auto backups = Backups();
  ASSERT_EQ(backups.size(), 2u);
  EXPECT_EQ(FileContent("QRN55Calib_123450.txt"), "not this unit's record\n");
  EXPECT_EQ(backups[1].size(), std::string("QRN55Calib_123450_01-Jan-2000.txt").size()) << backups[1];
  EXPECT_TRUE(Has(kPowerCycle)) << Alerts();
}

TEST_F(FirmwareRun, ACurrentKeptBackupIsEnough) {
  Run([] {
    Alert::PushAnswer(2);
    Initialize();
  });
  const std::string kept = FileContent("QRN55Calib_123450.txt");
  UseRack("qrn55.firmware = 6\n");
  // A unit of the same record with the old firmware again.
  std::filesystem::remove_all(Path("state"));
  Run([] {
    Alert::PushAnswer(2);
    Initialize();
  });
  EXPECT_EQ(Backups(), std::vector<std::string>{"QRN55Calib_123450.txt"});
  EXPECT_EQ(FileContent("QRN55Calib_123450.txt"), kept);
}

TEST_F(FirmwareRun, UnderTheDateCheckTheFirmwareIsRefused) {
  Run([] {
    GLP::Check = true;
    Alert::PushAnswer(2);
    Initialize();
    EXPECT_TRUE(MacEnv::Terminated);
    GLP::Check = false;
  });
  EXPECT_TRUE(Has("The firmware of the QRN 5+5 needs to be updated.")) << Alerts();
  EXPECT_FALSE(Has(kPowerCycle));
  EXPECT_EQ(Backups(), std::vector<std::string>{});
}

TEST_F(FirmwareRun, WithoutABackupNothingIsWrittenToTheUnit) {
  std::filesystem::create_directory(Path("gone"));
  const std::string gone = Path("gone");
  Run([gone] {
    // The current folder vanishes: no backup can be written there.
    IOFiles::SetDirectory(Text(gone));
    std::filesystem::remove(gone);
    Alert::PushAnswer(2);
    Initialize();
    EXPECT_FALSE(MacEnv::Terminated);
    EXPECT_TRUE(QRN55Tools::FirmwareNeedsUpdating());
  });
  EXPECT_TRUE(Has("Error saving QRN55-Calibration: ")) << Alerts();
  EXPECT_FALSE(Has(kPowerCycle));
}

}  // namespace
