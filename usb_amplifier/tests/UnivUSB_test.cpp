#include "usb_amplifier/UnivUSB.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <string>

#include "usb_amplifier/tests/SimTlv6_fixture.h"
#include "foundation/platform/Clock.h"
#include "usb_amplifier/Tlv6CommandProtocol.h"
#include "usb_amplifier/Tlv6_USB.h"

namespace {

HidPort::Report ReportOf(const std::string& text) {
  HidPort::Report report{};
  for (std::size_t i = 0; i < text.size() && i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(text[i]);
  return report;
}

std::string TextOf(const HidPort::Report& report) {
  std::string text;
  for (std::uint8_t b : report) {
    if (b == 0) break;
    text += static_cast<char>(b);
  }
  return text;
}

std::string Status(UnivUSB_Handle handle) {
  char text[256] = "";
  UnivUSB_GetStatus(handle, text);
  return text;
}

int ThreadCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/task"); dir != nullptr) {
    while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
  }
  return count;
}

struct Received {
  std::vector<HidPort::Report> replies;
  int detaches = 0;
  bool shutDownInDetach = false;
  UnivUSB_Handle handle = 0;
};

void OnReply(const HidPort::Report& reply, void* context) {
  static_cast<Received*>(context)->replies.push_back(reply);
}

void OnDetach(void* context) {
  auto& received = *static_cast<Received*>(context);
  ++received.detaches;
  if (received.shutDownInDetach) UnivUSB_Shutdown(received.handle);
}

// ---- The seam's contract, on every side that can run here ----------------

enum class Side { kSimulated, kHidraw };

class HidContract : public SimTlv6Test, public testing::WithParamInterface<Side> {
 protected:
  void SetUp() override {
    SimTlv6Test::SetUp();
    if (GetParam() == Side::kSimulated) {
      vendor_ = 0x16C0;
      Tlv6Sim::Config config = LinkConfig();
      config.vendorId = vendor_;
      AddDevice(config);
      return;
    }
    vendor_ = Tlv6_USB::VendorId();
    if (vendor_ == 0) GTEST_SKIP() << "hidraw: MERETH_TLV6_VENDOR_ID is not set";
    // A real device answers in real time.
    Platform::UseRealClock();
    UnivUSB_UsePort(HidPort::HidrawPort());
    const UnivUSB_Handle probe = UnivUSB_Initialize(vendor_, Tlv6_USB::kProductId, 1);
    if (probe == 0) {
      char ids[64];
      std::snprintf(ids, sizeof ids, "vendor 0x%04X product 0x%04X", vendor_, Tlv6_USB::kProductId);
      GTEST_SKIP() << "hidraw: no device with " << ids << " is attached";
    }
    UnivUSB_Shutdown(probe);
  }

  UnivUSB_Handle Open(int n) { return UnivUSB_Initialize(vendor_, Tlv6_USB::kProductId, n); }

  std::uint32_t vendor_ = 0;
};

TEST_P(HidContract, OpensTheFirstDeviceWithStatusOk) {
  const UnivUSB_Handle handle = Open(1);
  ASSERT_NE(handle, 0u);
  EXPECT_FALSE(UnivUSB_GetStatus(handle, {}));
  EXPECT_EQ(Status(handle), "OK");
  std::uint32_t version = 0xDEAD;
  UnivUSB_GetVersion(handle, version);
  EXPECT_NE(version, 0xDEADu);
  UnivUSB_Shutdown(handle);
}

TEST_P(HidContract, NPastTheCountOpensNothing) {
  int n = 1;
  for (UnivUSB_Handle h; (h = Open(n)) != 0; ++n) UnivUSB_Shutdown(h);
  EXPECT_GT(n, 1);
  EXPECT_EQ(Open(n), 0u);
  EXPECT_EQ(Open(n + 1), 0u);
  EXPECT_EQ(UnivUSB_OpenCount(), 0);
}

TEST_P(HidContract, AStaleHandleIsAnsweredAndNeverUsed) {
  const UnivUSB_Handle handle = Open(1);
  ASSERT_NE(handle, 0u);
  UnivUSB_Shutdown(handle);
  EXPECT_TRUE(UnivUSB_GetStatus(handle, {}));
  EXPECT_EQ(Status(handle), "Invalid Device Handle");
  EXPECT_EQ(UnivUSB_Command(handle, ReportOf("get_revision")), 1);
  std::uint32_t version = 77;
  UnivUSB_GetVersion(handle, version);
  EXPECT_EQ(version, 77u);
  UnivUSB_Shutdown(handle);
  EXPECT_EQ(UnivUSB_OpenCount(), 0);
}

TEST_P(HidContract, ACommandIsAnsweredWithA64ByteReport) {
  const UnivUSB_Handle handle = Open(1);
  ASSERT_NE(handle, 0u);
  Received received;
  UnivUSB_RegisterReplyCallback(handle, OnReply, &received);
  EXPECT_EQ(UnivUSB_TestPort(handle, ReportOf("get_revision"), 5.0), 0);
  for (int tries = 0; tries < 100 && received.replies.empty(); ++tries) Pump(0.01);
  ASSERT_FALSE(received.replies.empty());
  EXPECT_EQ(received.replies.front().size(), 64u);
  EXPECT_EQ(TextOf(received.replies.front()).rfind("get_revision", 0), 0u);
  EXPECT_FALSE(UnivUSB_GetStatus(handle, {}));
  UnivUSB_Shutdown(handle);
}

TEST_P(HidContract, ShutdownClosesTheDeviceAndItOpensAgain) {
  const UnivUSB_Handle first = Open(1);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(UnivUSB_OpenCount(), 1);
  UnivUSB_Shutdown(first);
  EXPECT_EQ(UnivUSB_OpenCount(), 0);
  const UnivUSB_Handle again = Open(1);
  EXPECT_NE(again, 0u);
  EXPECT_NE(again, first) << "handles are never reused";
  UnivUSB_Shutdown(again);
}

INSTANTIATE_TEST_SUITE_P(Sides, HidContract, testing::Values(Side::kSimulated, Side::kHidraw),
                         [](const testing::TestParamInfo<Side>& info) {
                           return info.param == Side::kSimulated ? "Simulated" : "Hidraw";
                         });

TEST(HidPorts, IdsNoDeviceHasOpenNothingAndVendorZeroIsNeverAsked) {
  Tlv6Sim::Port simulated;
  simulated.Add(Tlv6Sim::Config{});
  for (HidPort::Port* port : {static_cast<HidPort::Port*>(&simulated), &HidPort::HidrawPort()}) {
    EXPECT_EQ(port->Open(0xFFFE, 0xFFFD, 1), nullptr);
    EXPECT_EQ(port->Open(0xFFFE, 0xFFFD, 0), nullptr);
  }
  EXPECT_EQ(HidPort::HidrawPort().Open(0, 0x1003, 1), nullptr) << "hidapi would read 0 as any vendor";
}

// ---- The layer over the simulated port -------------------------------------

using UnivUSBTest = SimTlv6Test;

TEST_F(UnivUSBTest, NEqualTwoOpensTheSecondMatchingDevice) {
  Tlv6Sim::Device& first = AddDevice();
  Tlv6Sim::Config other = LinkConfig();
  other.productId = 0x2000;
  AddDevice(other);
  Tlv6Sim::Device& second = AddDevice();
  const UnivUSB_Handle handle = UnivUSB_Initialize(LinkConfig().vendorId, Tlv6_USB::kProductId, 2);
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(UnivUSB_Command(handle, ReportOf("firmware_echo")), 0);
  EXPECT_TRUE(first.Received().empty());
  EXPECT_EQ(second.ReceivedTexts(), std::vector<std::string>{"firmware_echo"});
  EXPECT_EQ(UnivUSB_Initialize(LinkConfig().vendorId, Tlv6_USB::kProductId, 3), 0u);
  UnivUSB_Shutdown(handle);
}

TEST_F(UnivUSBTest, TheFirstSendErrorStaysUntilFlush) {
  Tlv6Sim::Config stuck = LinkConfig();
  stuck.fault = Tlv6Sim::Fault::kSendNeverCompletes;
  Tlv6Sim::Device& device = AddDevice(stuck);
  const UnivUSB_Handle handle = UnivUSB_Initialize(stuck.vendorId, stuck.productId, 1);
  ASSERT_NE(handle, 0u);
  const double start = Platform::ElapsedSeconds();
  EXPECT_EQ(UnivUSB_Command(handle, ReportOf("get_serialno")), 1);
  EXPECT_DOUBLE_EQ(Platform::ElapsedSeconds() - start, UnivUSB_SendTimeout) << "a send never hangs";
  EXPECT_EQ(Status(handle), "Command failed");
  device.Remove();
  EXPECT_EQ(UnivUSB_Command(handle, ReportOf("get_serialno")), 1);
  EXPECT_EQ(Status(handle), "Command failed") << "the second error is dropped";
  UnivUSB_Flush(handle);
  EXPECT_FALSE(UnivUSB_GetStatus(handle, {}));
  EXPECT_EQ(UnivUSB_Command(handle, ReportOf("get_serialno")), 1);
  EXPECT_EQ(Status(handle), "No Connection to Device");
  UnivUSB_Shutdown(handle);
}

TEST_F(UnivUSBTest, APortTestThatNeverSendsGivesOneAfterItsTimeoutWithoutAThread) {
  Tlv6Sim::Config stuck = LinkConfig();
  stuck.fault = Tlv6Sim::Fault::kSendNeverCompletes;
  AddDevice(stuck);
  const UnivUSB_Handle handle = UnivUSB_Initialize(stuck.vendorId, stuck.productId, 1);
  ASSERT_NE(handle, 0u);
  const int threads = ThreadCount();
  const double start = Platform::ElapsedSeconds();
  EXPECT_EQ(UnivUSB_TestPort(handle, ReportOf("get_revision"), 5.0), 1);
  EXPECT_DOUBLE_EQ(Platform::ElapsedSeconds() - start, 5.0);
  EXPECT_EQ(ThreadCount(), threads);
  UnivUSB_Shutdown(handle);
}

TEST_F(UnivUSBTest, ARemovedDeviceIsAnnouncedOnceAndShutDownOnce) {
  for (const bool closesItself : {false, true}) {
    SCOPED_TRACE(closesItself ? "the detach callback shuts the device down" : "the layer does");
    Tlv6Sim::Device& device = AddDevice();
    const UnivUSB_Handle handle = UnivUSB_Initialize(LinkConfig().vendorId, Tlv6_USB::kProductId, 1);
    ASSERT_NE(handle, 0u);
    Received received;
    received.handle = handle;
    received.shutDownInDetach = closesItself;
    UnivUSB_RegisterDetachNotification(handle, OnDetach, &received);
    device.Remove();
    Pump(0.1);
    Pump(0.1);
    EXPECT_EQ(received.detaches, 1);
    EXPECT_EQ(UnivUSB_OpenCount(), 0);
    EXPECT_EQ(Status(handle), "Invalid Device Handle");
  }
}

TEST_F(UnivUSBTest, RepliesArriveOnlyWhileEventsArePumped) {
  AddDevice();
  const UnivUSB_Handle handle = UnivUSB_Initialize(LinkConfig().vendorId, Tlv6_USB::kProductId, 1);
  Received received;
  UnivUSB_RegisterReplyCallback(handle, OnReply, &received);
  UnivUSB_Command(handle, ReportOf("get_serialno"));
  UnivUSB_Command(handle, ReportOf("firmware_echo"));
  Platform::Advance(1.0);
  EXPECT_TRUE(received.replies.empty());
  Pump(1.0 / 60);
  ASSERT_EQ(received.replies.size(), 2u);
  EXPECT_EQ(TextOf(received.replies[0]), "get_serialno 801234D");
  EXPECT_EQ(TextOf(received.replies[1]), "firmware_echo");
  HidPort::Report input{};
  UnivUSB_Reply(handle, input);
  EXPECT_EQ(TextOf(input), "firmware_echo");
  UnivUSB_Shutdown(handle);
}

}  // namespace
