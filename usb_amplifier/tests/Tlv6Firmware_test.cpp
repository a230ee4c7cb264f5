#include "usb_amplifier/Tlv6Firmware.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "amplifier/T3Base.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "dialogs/LoopDialog.h"
#include "foundation/platform/Clock.h"
#include "platform/Timers.h"
#include "usb_amplifier/Tlv6_USB.h"
#include "usb_amplifier/tests/SimTlv6_fixture.h"
#include "usb_amplifier/tests/Tlv6FirmwareImage_fixture.h"

namespace {

using Tlv6Sim::Fault;

int Count(const std::vector<std::string>& texts, const std::string& text) {
  return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

int Occurrences(const std::string& text, const std::string& pattern) {
  int n = 0;
  for (std::size_t at = 0; (at = text.find(pattern, at)) != std::string::npos; at += pattern.size()) ++n;
  return n;
}

// The main dialog's event filter, as the event loop runs it while a
// progress dialog is up: PeriodicTask on every event, and a Quit now and
// then, refused while an operation runs.
struct MainLoopProbe {
  int calls = 0;
  int waits = 0;
  int refusedQuits = 0;
  int allowedQuitsWhileRunning = 0;
  bool started = false;

  static void Fire(void* self) {
    auto& probe = *static_cast<MainLoopProbe*>(self);
    ++probe.calls;
    const double before = Platform::ElapsedSeconds();
    Tlv6Firmware::PeriodicTask();
    if (Platform::ElapsedSeconds() != before) ++probe.waits;
    if (Tlv6Firmware::Upload_Running()) {
      probe.started = true;
      ++probe.refusedQuits;
    }
  }
};

class Tlv6FirmwareTest : public SimTlv6Test {
 protected:
  Tlv6Sim::Device& Device(Fault fault = Fault::kNone, int block = 0) {
    Tlv6Sim::Config config = LinkConfig();
    config.fault = fault;
    config.faultBlock = block;
    return AddDevice(config);
  }

  // Writes the firmware file and lets the operator choose it for the upload.
  void ChooseFirmware(const std::vector<std::uint8_t>& data) {
    PutFile("new.TLV", FirmwareFile(data, 5).Bytes());
    FileSelect::PushChoice(Text(Path("new.TLV")));
  }

  // Runs an upload of the data; the alerts and dialogs it showed.
  std::string Upload(const std::vector<std::uint8_t>& data, bool autoRepeats = true) {
    ChooseFirmware(data);
    Stderr();
    Tlv6Firmware::Upload(autoRepeats, false);
    return Stderr();
  }

  static std::vector<std::uint8_t> Padded(std::vector<std::uint8_t> data) {
    data.resize((data.size() + 31) / 32 * 32, 0);
    return data;
  }
};

TEST_F(Tlv6FirmwareTest, A4KiBUploadSucceedsAndTheDeviceRunsTheImage) {
  Tlv6Sim::Device& device = Device();
  const std::vector<std::uint8_t> data = TestImage(4096 - 7);
  MainLoopProbe probe;
  Timers::Install(0.5, 0.5, MainLoopProbe::Fire, &probe);
  const double start = Platform::ElapsedSeconds();
  const std::string alerts = Upload(data);
  EXPECT_NE(alerts.find("Upload new firmware to TLV6"), std::string::npos);
  EXPECT_NE(alerts.find("Uploading firmware was successful."), std::string::npos) << alerts;
  EXPECT_EQ(device.Image(), Padded(data));
  EXPECT_EQ(device.RunningImage(), Padded(data));
  EXPECT_TRUE(device.PasswordCameFirst());
  const std::vector<std::string> sent = device.ReceivedTexts();
  EXPECT_EQ(Count(sent, "firmware_write"), 128);
  EXPECT_EQ(Count(sent, "firmware_update"), 2);
  EXPECT_EQ(Count(sent, "firmware_erase"), 2);
  EXPECT_EQ(Count(sent, "firmware_restart"), 1);
  EXPECT_FALSE(Tlv6Firmware::Upload_Running());
  EXPECT_TRUE(Tlv6_USB::IsConnected()) << "the link stays open";
  EXPECT_TRUE(probe.started);
  EXPECT_GT(probe.refusedQuits, 20) << "quitting was refused throughout the upload";
  EXPECT_EQ(probe.waits, 0) << "PeriodicTask never waits";
  EXPECT_LT(Platform::ElapsedSeconds() - start, 120.0);
  for (const std::string& record : Records()) {
    EXPECT_EQ(record.find(std::string(Tlv6CommandProtocol::kServicePassword)), std::string::npos);
  }
}

TEST_F(Tlv6FirmwareTest, ACrcThatAlwaysMismatchesRestartsTenTimesThenAsks) {
  struct Row {
    const char* name;
    std::vector<int> answers;
    int alerts;
    int firstBlocks;
  };
  for (const Row& row : {Row{"Cancel", {1}, 1, 11}, Row{"Retry, then Cancel", {3, 1}, 2, 12}}) {
    SCOPED_TRACE(row.name);
    Tlv6Sim::Device& device = Device(Fault::kWrongCrcAlways, 2);
    ASSERT_TRUE(Tlv6Firmware::ConnectToTlv6(false));
    for (int answer : row.answers) Alert::PushAnswer(answer);
    const std::string alerts = Upload(TestImage(200));
    EXPECT_EQ(Occurrences(alerts, "Sending Firmware aborted because of CRC-mismatch\n  [Cancel] [[Retry]]"),
              row.alerts)
        << alerts;
    EXPECT_EQ(Count(device.ReceivedTexts(), "firmware_erase"), 2 * row.firstBlocks);
    EXPECT_EQ(Count(device.ReceivedTexts(), "firmware_write"), 3 * row.firstBlocks);
    EXPECT_EQ(alerts.find("successful"), std::string::npos);
    EXPECT_FALSE(Tlv6Firmware::Upload_Running());
    Tlv6Firmware::Shutdown();
    device.Remove();
  }
}

TEST_F(Tlv6FirmwareTest, AWrongCrcOnceCostsOneRestart) {
  Tlv6Sim::Device& device = Device(Fault::kWrongCrcOnce, 3);
  const std::vector<std::uint8_t> data = TestImage(300);
  const std::string alerts = Upload(data);
  EXPECT_NE(alerts.find("Uploading firmware was successful."), std::string::npos) << alerts;
  EXPECT_EQ(Count(device.ReceivedTexts(), "firmware_erase"), 4);
  EXPECT_EQ(device.RunningImage(), Padded(data));
}

TEST_F(Tlv6FirmwareTest, BadBlockRepliesEndAnUploadWithoutRepeats) {
  struct Row {
    Fault fault;
    const char* reason;
    const char* consoleLine;
  };
  const std::vector<Row> rows = {
      {Fault::kUnreadableCrc, "decoding of CRC", " ## CRC decoding error: \"firmware_write ?????\", expected "},
      {Fault::kSixDigitCrc, "decoding of CRC", " ## CRC decoding error: \"firmware_write 0"},
      {Fault::kWordWithLetters, "time-out", "Sending Firmware aborted because of time-out"},
      {Fault::kDroppedReply, "time-out", "Sending Firmware aborted because of time-out"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Tlv6Sim::FaultName(row.fault));
    Tlv6Sim::Device& device = Device(row.fault, 1);
    ASSERT_TRUE(Tlv6Firmware::ConnectToTlv6(false));
    Alert::PushAnswer(1);
    const std::size_t linesBefore = RecordsWith(row.consoleLine).size();
    const std::string alerts = Upload(TestImage(128), false);
    EXPECT_NE(alerts.find(std::string("Sending Firmware aborted because of ") + row.reason + "\n  [Cancel] [[Retry]] -> Cancel"),
              std::string::npos)
        << alerts;
    EXPECT_EQ(RecordsWith(row.consoleLine).size(), linesBefore + 1);
    EXPECT_EQ(Count(device.ReceivedTexts(), "firmware_write"), 2);
    Tlv6Firmware::Shutdown();
    device.Remove();
  }
}

TEST_F(Tlv6FirmwareTest, AFirstResetThatTimesOutEndsWithoutARetryOffer) {
  Tlv6Sim::Device& device = Device(Fault::kResetUnanswered);
  const std::string alerts = Upload(TestImage(64));
  EXPECT_NE(alerts.find("Sending Firmware aborted because of time-out\n  [[OK]]"), std::string::npos) << alerts;
  EXPECT_EQ(alerts.find("Retry"), std::string::npos);
  EXPECT_EQ(Count(device.ReceivedTexts(), "firmware_erase"), 0);
  EXPECT_GT(Count(device.ReceivedTexts(), "firmware_reset"), 5) << "kept alive meanwhile";
}

TEST_F(Tlv6FirmwareTest, SilenceAtTheStartEndsAfterAboutAMinute) {
  Tlv6Sim::Device& device = Device(Fault::kSilent);
  ChooseFirmware(TestImage(64));
  Stderr();
  const double start = Platform::ElapsedSeconds();
  Tlv6Firmware::Upload(true, false);
  const std::string alerts = Stderr();
  EXPECT_NEAR(Platform::ElapsedSeconds() - start, 60.0, 1.0);
  EXPECT_NE(alerts.find("The TLV6 did not respond! Firmware upload cannot be started."), std::string::npos);
  EXPECT_EQ(Count(device.ReceivedTexts(), "get_serialno"), 6);
  EXPECT_EQ(Count(device.ReceivedTexts(), "set_pwd quartzmeadowlinen"), 0);
}

TEST_F(Tlv6FirmwareTest, SilenceAfterTheRestartIsReported) {
  Tlv6Sim::Device& device = Device(Fault::kSilentAfterRestart);
  const std::string alerts = Upload(TestImage(96));
  EXPECT_NE(alerts.find("The TLV6 did not respond after the firmware restart!"), std::string::npos) << alerts;
  EXPECT_EQ(alerts.find("successful"), std::string::npos);
  EXPECT_EQ(Count(device.ReceivedTexts(), "get_serialno"), 1 + 5);
}

TEST_F(Tlv6FirmwareTest, ARemovalAtBlockFiveEndsTheUploadAfterItsAlert) {
  Tlv6Sim::Device& device = Device(Fault::kRemovalAtBlock, 5);
  const std::string alerts = Upload(TestImage(1024));
  EXPECT_NE(alerts.find(" ## The TLV6 was detached from the USB bus! ## \n  [[OK]]"), std::string::npos)
      << alerts;
  EXPECT_EQ(RecordsWith("The TLV6 was detached").size(), 1u);
  EXPECT_EQ(device.Image().size(), 5u * 32);
  EXPECT_FALSE(Tlv6_USB::IsOpen());
  EXPECT_FALSE(Tlv6Firmware::Upload_Running());
}

TEST_F(Tlv6FirmwareTest, AnInputOverflowIsReportedAndTheUploadGoesOn) {
  Tlv6Sim::Device& device = Device(Fault::kUnsolicitedReplies);
  const std::vector<std::uint8_t> data = TestImage(256);
  const std::string alerts = Upload(data);
  EXPECT_EQ(RecordsWith(" ## TLV6 input buffer overflow! ## ").size(), 1u);
  EXPECT_NE(alerts.find("Uploading firmware was successful."), std::string::npos) << alerts;
  EXPECT_EQ(device.RunningImage(), Padded(data));
}

TEST_F(Tlv6FirmwareTest, AnAbortAfterStartShutsTheLink) {
  Device();
  LoopDialog::PushAbort();
  Alert::PushAnswer(1);
  const std::string alerts = Upload(TestImage(64));
  EXPECT_NE(alerts.find("Abort uploading new firmware? TLV6 will remain inoperational."), std::string::npos);
  EXPECT_NE(alerts.find("The upload process has been aborted"), std::string::npos) << alerts;
  EXPECT_FALSE(Tlv6_USB::IsOpen());
  EXPECT_FALSE(Tlv6Firmware::Upload_Running());
}

TEST_F(Tlv6FirmwareTest, AnAbsentAmplifierIsAskedAboutAndCancelled) {
  Device(Fault::kAbsent);
  Alert::PushAnswer(3);
  Alert::PushAnswer(1);
  Stderr();
  Tlv6Firmware::Upload(true, false);
  const std::string alerts = Stderr();
  EXPECT_EQ(Occurrences(alerts, "TLV6: USB communication failed!  Please, check power and connections."), 2);
  EXPECT_EQ(alerts.find("Upload new firmware"), std::string::npos);
}

TEST_F(Tlv6FirmwareTest, StartIsRefusedWhileAReplyIsAwaited) {
  Tlv6Sim::Device& device = Device(Fault::kSilent);
  ASSERT_TRUE(Tlv6Firmware::ConnectToTlv6(false));
  Tlv6Firmware::SendCommand(Tlv6CommandProtocol::kGetSerialNo, true);
  EXPECT_TRUE(Tlv6Firmware::Upload_Running()) << "a reply is awaited outside any operation";
  Tlv6Firmware::SetSerialNumber(true, false);
  EXPECT_EQ(RecordsWith(" ## Is waiting for command \"get_serialno\" ## ").size(), 1u);
  EXPECT_EQ(Count(device.ReceivedTexts(), "set_pwd quartzmeadowlinen"), 0);
  EXPECT_FALSE(Tlv6Firmware::Upload_Running());
}

// ---- Serial number ----------------------------------------------------------

class SerialNumberTest : public Tlv6FirmwareTest {
 protected:
  void SetUp() override {
    Tlv6FirmwareTest::SetUp();
    ShowDialogs();
  }
  Tlv6Sim::Device& DeviceWith(const std::string& serial, char letter, Fault fault = Fault::kNone) {
    Tlv6Sim::Config config = LinkConfig();
    config.serial = serial;
    config.letter = letter;
    config.fault = fault;
    return AddDevice(config);
  }
  // What was sent after the password.
  static std::vector<std::string> AfterPassword(const Tlv6Sim::Device& device) {
    const std::vector<std::string> all = device.ReceivedTexts();
    auto at = std::find(all.begin(), all.end(), "set_pwd quartzmeadowlinen");
    if (at == all.end()) return {};
    std::vector<std::string> after;
    for (++at; at != all.end(); ++at) {
      if (*at != "firmware_echo") after.push_back(*at);
    }
    return after;
  }
};

TEST_F(SerialNumberTest, AnInvalidNumberIsReplacedAndTheLetterBecomesC) {
  Tlv6Sim::Device& device = DeviceWith("701234", 'D');
  Enter({"801234"});
  Tlv6Firmware::SetSerialNumber(true, false);
  EXPECT_EQ(AfterPassword(device),
            (std::vector<std::string>{"set_remote on", "set_serialno 801234C", "set_remote off"}));
  EXPECT_EQ(device.Serial(), "801234");
  EXPECT_EQ(device.Letter(), 'C');
  EXPECT_EQ(RecordsWith(" => SerialNumber: \"701234\", version: \"D\"").size(), 1u);
  EXPECT_STREQ(T3Base::SerialNumber, "701234");
  EXPECT_EQ(T3Base::BoardVersion, 'D');
  EXPECT_FALSE(Tlv6Firmware::Upload_Running());
}

TEST_F(SerialNumberTest, AValidNumberIsNotOverwritten) {
  Tlv6Sim::Device& device = DeviceWith("805678", 'E');
  const std::string alerts = [&] {
    Stderr();
    Tlv6Firmware::SetSerialNumber(true, false);
    return Stderr();
  }();
  EXPECT_NE(alerts.find("The serial number is valid and cannot be overwritten!"), std::string::npos);
  EXPECT_EQ(AfterPassword(device), (std::vector<std::string>{"set_remote on", "set_remote off"}));
  EXPECT_EQ(device.Serial(), "805678");
}

TEST_F(SerialNumberTest, EntriesAreCheckedUntilOneIsSound) {
  struct Row {
    std::vector<std::string> entries;
    const char* alert;
  };
  const std::vector<Row> rows = {
      {{"80123", "E"}, "Serial number must be 6 characters!"},
      {{"701234", "E"}, "Serial number must begin with \"80\" !"},
      {{"80a234", "E"}, "Serial number must be 6 digits!"},
      {{"801234", "B"}, "Version must be >= C and <= Z !"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.alert);
    Tlv6Sim::Device& device = DeviceWith("801111", 'D');
    Enter({row.entries[0], row.entries[1]});
    PressReturn();
    Enter({"  809999 ", " F"});
    Stderr();
    Tlv6Firmware::SetSerialNumber(false, false);
    EXPECT_NE(Stderr().find(row.alert), std::string::npos);
    EXPECT_EQ(AfterPassword(device),
              (std::vector<std::string>{"set_remote on", "set_serialno 809999F", "set_remote off"}));
    Tlv6Firmware::Shutdown();
    device.Remove();
  }
}

TEST_F(SerialNumberTest, ACancelledEntrySendsOnlySetRemoteOff) {
  Tlv6Sim::Device& device = DeviceWith("701234", 'D');
  CancelEntry();
  Tlv6Firmware::SetSerialNumber(true, false);
  EXPECT_EQ(AfterPassword(device), (std::vector<std::string>{"set_remote on", "set_remote off"}));
}

TEST_F(SerialNumberTest, UnreadableStoredNumbersAreInvalid) {
  for (const Fault fault : {Fault::kInvalidStoredSerial, Fault::kShortReports}) {
    SCOPED_TRACE(Tlv6Sim::FaultName(fault));
    Tlv6Sim::Device& device = DeviceWith("801234", 'D', fault);
    Enter({"802468"});
    Tlv6Firmware::SetSerialNumber(true, false);
    EXPECT_EQ(AfterPassword(device),
              (std::vector<std::string>{"set_remote on", "set_serialno 802468C", "set_remote off"}));
    EXPECT_EQ(T3Base::BoardVersion, 'C');
    Tlv6Firmware::Shutdown();
    device.Remove();
  }
}

TEST_F(SerialNumberTest, AFailureAfterSetRemoteOnStillSendsSetRemoteOff) {
  Tlv6Sim::Device& device = DeviceWith("701234", 'D', Fault::kDroppedReply);
  Enter({"801234"});
  Stderr();
  Tlv6Firmware::SetSerialNumber(true, false);
  const std::string alerts = Stderr();
  EXPECT_NE(alerts.find("Sending serial number aborted because of time-out"), std::string::npos) << alerts;
  Pump(0.5);
  Tlv6Firmware::PeriodicTask();
  Pump(0.5);
  const std::vector<std::string> after = AfterPassword(device);
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back(), "set_remote off");
}

}  // namespace
