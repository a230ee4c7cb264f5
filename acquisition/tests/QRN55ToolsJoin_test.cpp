// Joining two simulated units into one device and splitting them again,
// with the operator's answers scripted and the slave powered on (plugged)
// while the tools poll for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/tests/QRN55Tools_fixture.h"
#include "dialogs/Alert.h"
#include "foundation/platform/Clock.h"

namespace {

constexpr int kOK = 3;  // "OK" and "Continue" stand third
constexpr int kCancel = 1;

std::string Message() { return Str(QRN55Tools::ErrorMessage); }

struct Identity {
  std::string unitSerial;
  std::string deviceSerial;
  int unitCount;
  int unitIndex;
};

Identity IdentityOf(const QRN55SimUnit& unit) {
  const std::vector<std::uint8_t> record = StoredRecord(unit);
  return {SerialOf(record), TextAt(record, 32, 32), Int32At(record, 100), Int32At(record, 104)};
}

void ExpectIdentity(const QRN55SimUnit& unit, const Identity& expected, const char* which) {
  const Identity identity = IdentityOf(unit);
  EXPECT_EQ(identity.unitSerial, expected.unitSerial) << which;
  EXPECT_EQ(identity.deviceSerial, expected.deviceSerial) << which;
  EXPECT_EQ(identity.unitCount, expected.unitCount) << which;
  EXPECT_EQ(identity.unitIndex, expected.unitIndex) << which;
}

class JoinTest : public QRN55ToolsTest {
 protected:
  void SetUp() override {
    QRN55ToolsTest::SetUp();
    master_ = Plug(SingleUnit("111111"), " M");
    slave_ = Plug(SingleUnit("222222"), " S");
    slave_->Unplug();  // powered off
    start_ = Platform::ElapsedSeconds();
  }

  // The slave comes on at the first scan this many seconds after the start.
  void PowerOnSlaveAfter(double seconds, QRN55SimUnit* alsoThis = nullptr) {
    beforeScan = [this, seconds, alsoThis] {
      if (Platform::ElapsedSeconds() - start_ < seconds) return;
      slave_->Plug();
      if (alsoThis != nullptr) alsoThis->Plug();
    };
  }

  double Elapsed() const { return Platform::ElapsedSeconds() - start_; }

  std::string Master(int type) const { return Serial("111111", 7, type); }
  std::string Slave(int type) const { return Serial("222222", 7, type); }

  QRN55SimUnit* master_ = nullptr;
  QRN55SimUnit* slave_ = nullptr;
  double start_ = 0.0;
};

TEST_F(JoinTest, TwoSingleUnitsBecomeOneDeviceAndSplitAgain) {
  PowerOnSlaveAfter(2.5);
  for (int answer : {kOK, kOK, kOK}) Alert::PushAnswer(answer);
  bool cancelled = true;
  ASSERT_TRUE(QRN55Tools::DoJoinUnits(cancelled, false)) << Message();
  EXPECT_FALSE(cancelled);
  EXPECT_FALSE(QRN55Interface::DeviceIsOpen()) << "the join leaves the device closed";
  ExpectIdentity(*master_, {Master(1), Master(1), 2, 0}, "master");
  ExpectIdentity(*slave_, {Slave(2), Master(1), 2, 1}, "slave");

  master_->PowerCycle();
  slave_->PowerCycle();
  ASSERT_EQ(QRN55Interface::Open(0, 0), 0);
  std::int32_t fifo, dacs, adcs, units;
  QRN55Interface::GetInfo(fifo, dacs, adcs, units);
  EXPECT_EQ(units, 2) << "the driver groups them into one device";
  std::int32_t devices = 0;
  ASSERT_TRUE(QRN55Tools::GetDeviceCount(devices));
  EXPECT_EQ(devices, 1);
  char serial[80];
  QRN55Interface::GetUnitSerialNumber(2, serial);
  EXPECT_EQ(Str(serial), Slave(2));

  for (int answer : {kOK, kOK}) Alert::PushAnswer(answer);
  ASSERT_TRUE(QRN55Tools::DoSplitUnits(false)) << Message();
  ExpectIdentity(*master_, {Master(0), Master(0), 1, 0}, "master");
  ExpectIdentity(*slave_, {Slave(0), Slave(0), 1, 0}, "slave");
  ASSERT_TRUE(QRN55Tools::GetDeviceCount(devices));
  EXPECT_EQ(devices, 2) << "split units are devices of their own at once";
}

TEST_F(JoinTest, CancellingThePowerOnPromptWritesNothing) {
  const std::vector<std::uint8_t> masterBefore = StoredRecord(*master_);
  const std::vector<std::uint8_t> slaveBefore = StoredRecord(*slave_);
  for (int answer : {kOK, kCancel}) Alert::PushAnswer(answer);
  bool cancelled = false;
  EXPECT_TRUE(QRN55Tools::DoJoinUnits(cancelled, false));
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(StoredRecord(*master_), masterBefore);
  EXPECT_EQ(StoredRecord(*slave_), slaveBefore);

  Alert::PushAnswer(kCancel);
  EXPECT_FALSE(QRN55Tools::DoJoinUnits(cancelled, false)) << "abort before anything starts";
  EXPECT_TRUE(cancelled);
}

TEST_F(JoinTest, ThePromptRepeatsAfterFivePollsWithoutTheSlave) {
  PowerOnSlaveAfter(6.5);
  for (int answer : {kOK, kOK}) Alert::PushAnswer(answer);  // quiet: only the prompts ask
  bool cancelled = true;
  ASSERT_TRUE(QRN55Tools::DoJoinUnits(cancelled, true)) << Message();
  EXPECT_FALSE(cancelled);
  // Five one-second polls, the prompt again, two more polls.
  EXPECT_NEAR(Elapsed(), 7.0, 0.05);
  ExpectIdentity(*slave_, {Slave(2), Master(1), 2, 1}, "slave");
}

TEST_F(JoinTest, JoiningRefusesWhatItCannotJoin) {
  // A third device appears with the slave.
  QRN55SimUnit* third = Plug(SingleUnit("333333"), " T");
  third->Unplug();
  PowerOnSlaveAfter(1.5, third);
  Alert::PushAnswer(kOK);
  bool cancelled = false;
  EXPECT_FALSE(QRN55Tools::DoJoinUnits(cancelled, true));
  EXPECT_EQ(Message(), "Error: More than 2 devices found!");

  // Two devices from the start.
  beforeScan = nullptr;
  QRN55Interface::Close();
  EXPECT_FALSE(QRN55Tools::DoJoinUnits(cancelled, true));
  EXPECT_EQ(Message(), "Error: Remove all devices but the Master device!");

  // No device at all.
  master_->Unplug();
  slave_->Unplug();
  third->Unplug();
  QRN55Interface::Close();
  EXPECT_FALSE(QRN55Tools::DoJoinUnits(cancelled, true));
  EXPECT_EQ(Message(), "No Device. Please, check power and connections.");
}

TEST_F(JoinTest, AJoinThatFailsAfterTheSlaveWasWrittenSaysHowToRecover) {
  // A worn cell under the master's unit count: the master's record reads,
  // but cannot be rewritten.
  master_->InjectStuckEEPROMByte(QRN55Tools::DeviceInfoAddress + 100, 1);
  PowerOnSlaveAfter(0.5);
  Alert::PushAnswer(kOK);
  bool cancelled = true;
  EXPECT_FALSE(QRN55Tools::DoJoinUnits(cancelled, true));
  EXPECT_EQ(Message(), "Compare failed (EEPROM_compare).");
  ExpectIdentity(*slave_, {Slave(2), Master(1), 2, 1}, "slave");
  EXPECT_EQ(IdentityOf(*master_).unitCount, 1);
  const std::vector<std::string> lines = ConsoleLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "The slave unit was joined, the master was not: split each unit on its own "
                      "to restore both."),
            lines.end());

  // The hint works: the slave alone is split back to a single unit.
  master_->ClearFaults();
  master_->Unplug();
  QRN55Interface::Close();
  ASSERT_TRUE(QRN55Tools::DoSplitUnits(true)) << Message();
  ExpectIdentity(*slave_, {Slave(0), Slave(0), 1, 0}, "slave");
}

TEST_F(JoinTest, SplittingADeviceWithoutItsSecondUnitRewritesTheFirst) {
  PowerOnSlaveAfter(0.5);
  Alert::PushAnswer(kOK);
  bool cancelled = true;
  ASSERT_TRUE(QRN55Tools::DoJoinUnits(cancelled, true)) << Message();
  beforeScan = nullptr;
  slave_->Unplug();
  const std::vector<std::uint8_t> slaveBefore = StoredRecord(*slave_);
  ASSERT_TRUE(QRN55Tools::SplitUnits()) << Message();
  ExpectIdentity(*master_, {Master(0), Master(0), 1, 0}, "master");
  EXPECT_EQ(StoredRecord(*slave_), slaveBefore);
}

TEST_F(QRN55ToolsTest, UnitsThatAreNotThereAreNotConnected) {
  QRN55SimUnitConfig config = SingleUnit("444444");
  config.record.unit_count = 2;  // a master whose slave is missing
  config.record.unit_serial = Serial("444444", 7, 1);
  config.record.device_serial = config.record.unit_serial;
  Plug(config, " X");
  ASSERT_EQ(QRN55Interface::OpenDriver(), 0);
  EXPECT_TRUE(QRN55Tools::UnitConnected(0));
  EXPECT_FALSE(QRN55Tools::UnitConnected(1));
  EXPECT_EQ(Message(), "Unit 2 is not ready.");
  EXPECT_FALSE(QRN55Tools::UnitConnected(2));
  EXPECT_EQ(Message(), "Unit 3 is not ready.");
  EXPECT_EQ(QRN55Tools::GetUnitCount(), 0) << "no device is open";
  EXPECT_EQ(Message(), "Driver not opened.");
}

}  // namespace
