#include "calibration/Tlv6Setup.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/platform/Clock.h"
#include "foundation/tests/Setting_fixture.h"
#include "foundation/tests/TempDirectory_fixture.h"
#include "platform/Timers.h"
#include "usb_amplifier/Tlv6_USB.h"
#include "usb_amplifier/UnivUSB.h"

namespace {

class Tlv6SetupTest : public TempDirectoryTest {
 protected:
  void SetUp() override {
    TempDirectoryTest::SetUp();
    Platform::UseVirtualClock(1000.0);
    Timers::InitModule();
    Tlv6_USB::InitModule();
  }
  void TearDown() override {
    Tlv6_USB::Shutdown();
    UnivUSB_UsePort(HidPort::HidrawPort());
    Timers::InitModule();
    Platform::UseRealClock();
    TempDirectoryTest::TearDown();
  }
  // The simulated amplifier's config after the start-up choice with this
  // rack file, and what went to stderr.
  Tlv6Sim::Config ChooseWith(const std::string& rack, std::string& errors) {
    PutFile("rack.txt", rack);
    const Setting rackFile("MERETH_SIM_RACK", Path("rack.txt").c_str());
    testing::internal::CaptureStderr();
    Tlv6Setup::UseChosenPort(simulated_);
    errors = testing::internal::GetCapturedStderr();
    return simulated_.device(0).config();
  }

  const Setting port_{"MERETH_TLV6_PORT", "sim"};
  Tlv6Sim::Port simulated_;
};

TEST_F(Tlv6SetupTest, TheRackFileShapesTheSimulatedAmplifierTheLinkThenOpens) {
  std::string errors;
  const Tlv6Sim::Config config =
      ChooseWith("# bench rack\nqrn.boards = 2\ntlv6.serial = 805555\ntlv6.letter = E\n", errors);
  EXPECT_EQ(errors, "");
  EXPECT_EQ(simulated_.count(), 1);
  EXPECT_EQ(config.serial, "805555");
  EXPECT_EQ(config.letter, 'E');
  EXPECT_EQ(config.vendorId, Tlv6_USB::VendorId());
  EXPECT_EQ(config.productId, Tlv6_USB::kProductId);
  EXPECT_TRUE(Tlv6_USB::Initialize(0, 0, false)) << Tlv6_USB::ErrorText();
  EXPECT_EQ(simulated_.device(0).ReceivedTexts().front(), "get_revision");
}

TEST_F(Tlv6SetupTest, ABadTlv6LineIsReportedAndNoKeyIsTaken) {
  std::string errors;
  const Tlv6Sim::Config config = ChooseWith("tlv6.serial = 805555\ntlv6.letter = ?!\n", errors);
  EXPECT_EQ(errors, "MERETH_SIM_RACK: line 2: tlv6.letter = ?!\n");
  EXPECT_EQ(config.serial, Tlv6Sim::Config().serial);
  EXPECT_TRUE(Tlv6_USB::Initialize(0, 0, false)) << Tlv6_USB::ErrorText();
}

}  // namespace
