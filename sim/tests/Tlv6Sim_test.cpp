#include "sim/usb_amplifier/Tlv6Sim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/platform/Clock.h"

namespace {

struct Collected {
  std::vector<std::string> replies;
};

void Collect(const HidPort::Report& report, void* context) {
  std::string text;
  for (std::uint8_t b : report) {
    if (b == 0) break;
    text += static_cast<char>(b);
  }
  static_cast<Collected*>(context)->replies.push_back(text);
}

class Tlv6SimTest : public testing::Test {
 protected:
  void SetUp() override { Platform::UseVirtualClock(50.0); }
  void TearDown() override { Platform::UseRealClock(); }

  void Open(const Tlv6Sim::Config& config = {}) {
    device_ = &port_.Add(config);
    handle_ = port_.Open(config.vendorId, config.productId, 1);
    ASSERT_NE(handle_, nullptr);
  }
  // Sends the text (and, for blocks, the 32 data bytes) and collects what
  // comes back within the seconds.
  std::vector<std::string> Say(const std::string& text, double seconds = 0.01,
                               const std::vector<std::uint8_t>& data = {}) {
    HidPort::Report report{};
    std::copy(text.begin(), text.end(), report.begin());
    std::copy(data.begin(), data.end(), report.begin() + 32);
    EXPECT_EQ(handle_->Send(report, 5.0), HidPort::SendResult::kSent);
    Platform::Advance(seconds);
    Collected collected;
    handle_->Drain(Collect, &collected);
    return collected.replies;
  }
  void UnlockLoader() {
    Say("set_pwd quartzmeadowlinen");
    Say("firmware_update");
    Say("firmware_update");
  }

  Tlv6Sim::Port port_;
  Tlv6Sim::Device* device_ = nullptr;
  std::unique_ptr<HidPort::Device> handle_;
};

TEST_F(Tlv6SimTest, BlocksAreAnsweredWithTheCrc16ArcOfTheirBytes) {
  Open();
  UnlockLoader();
  Say("firmware_erase");
  Say("firmware_erase");
  EXPECT_TRUE(Say("firmware_reset", 1.0).empty()) << "silent while erasing";
  Platform::Advance(4.0);
  // A CRC-16/ARC starts from 0 and zeros keep it 0, so a block whose last
  // byte is 0x01 gives the reflected table's entry 1, 0xC0C1.
  const std::vector<std::uint8_t> zeros(32, 0);
  EXPECT_EQ(Say("firmware_write", 0.01, zeros), std::vector<std::string>{"firmware_write 0"});
  std::vector<std::uint8_t> last(32, 0);
  last[31] = 0x01;
  EXPECT_EQ(Say("firmware_write", 0.01, last), std::vector<std::string>{"firmware_write 49345"});
  EXPECT_EQ(device_->Image().size(), 64u);
  Say("firmware_restart");
  EXPECT_TRUE(Say("get_serialno", 5.0).empty()) << "silent while restarting";
  Platform::Advance(1.0);
  EXPECT_EQ(Say("get_serialno"), std::vector<std::string>{"get_serialno 801234D"});
  EXPECT_EQ(device_->RunningImage().size(), 64u);
}

TEST_F(Tlv6SimTest, TheLoaderOpensOnlyAfterThePasswordAndTwoUpdates) {
  Open();
  Say("firmware_update");
  Say("firmware_update");
  Say("firmware_erase");
  Say("firmware_erase");
  EXPECT_EQ(Say("firmware_reset"), std::vector<std::string>{"firmware_reset"}) << "not erasing";
  EXPECT_FALSE(device_->PasswordCameFirst());
  Say("set_pwd wrong");
  Say("firmware_update");
  Say("firmware_update");
  Say("firmware_erase");
  Say("firmware_erase");
  EXPECT_EQ(Say("firmware_reset").size(), 1u) << "a wrong password opens nothing";
}

TEST_F(Tlv6SimTest, ASerialNumberIsStoredOnlyAfterPasswordAndRemoteOn) {
  Open();
  EXPECT_EQ(Say("set_serialno 809999E"), std::vector<std::string>{"set_serialno 801234D"});
  Say("set_pwd quartzmeadowlinen");
  EXPECT_EQ(Say("set_serialno 809999E"), std::vector<std::string>{"set_serialno 801234D"});
  EXPECT_EQ(Say("set_remote on"), std::vector<std::string>{"set_remote on"});
  EXPECT_EQ(Say("set_serialno 809999E"), std::vector<std::string>{"set_serialno 809999E"});
  EXPECT_EQ(device_->Serial(), "809999");
  EXPECT_EQ(device_->Letter(), 'E');
}

TEST_F(Tlv6SimTest, ThePowerUpTimeAndLatencyRunOnTheProgramClock) {
  Tlv6Sim::Config config;
  config.powerUpTime = 2.0;
  config.latency = 0.5;
  Open(config);
  EXPECT_TRUE(Say("get_serialno", 1.0).empty());
  Platform::Advance(1.0);
  EXPECT_TRUE(Say("get_serialno", 0.4).empty());
  Platform::Advance(0.1);
  Collected collected;
  handle_->Drain(Collect, &collected);
  EXPECT_EQ(collected.replies, std::vector<std::string>{"get_serialno 801234D"});
}

TEST(Tlv6SimConfig, RackKeysAreStrict) {
  Tlv6Sim::Config config;
  EXPECT_TRUE(Tlv6Sim::SetKey(config, "tlv6.vendor_id", "0x16C0"));
  EXPECT_EQ(config.vendorId, 0x16C0u);
  EXPECT_TRUE(Tlv6Sim::SetKey(config, "tlv6.serial", "701234"));
  EXPECT_TRUE(Tlv6Sim::SetKey(config, "tlv6.letter", "F"));
  EXPECT_TRUE(Tlv6Sim::SetKey(config, "tlv6.erase_time", "2.5"));
  EXPECT_TRUE(Tlv6Sim::SetKey(config, "tlv6.fault", "removal_at_block"));
  EXPECT_TRUE(Tlv6Sim::SetKey(config, "tlv6.fault_block", "5"));
  EXPECT_EQ(config.fault, Tlv6Sim::Fault::kRemovalAtBlock);
  for (const auto& [key, value] : std::vector<std::pair<const char*, const char*>>{
           {"tlv6.vendor_id", "0x10000"},
           {"tlv6.serial", "12345"},
           {"tlv6.letter", "CD"},
           {"tlv6.latency", "-1"},
           {"tlv6.latency", "fast"},
           {"tlv6.fault", "gremlins"},
           {"tlv6.fault_block", "-2"},
           {"tlv6.colour", "red"}}) {
    SCOPED_TRACE(key);
    const Tlv6Sim::Config before = config;
    EXPECT_FALSE(Tlv6Sim::SetKey(config, key, value));
    EXPECT_EQ(config.serial, before.serial);
    EXPECT_EQ(config.latency, before.latency);
  }

}

}  // namespace
