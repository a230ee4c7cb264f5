#include "usb_amplifier/Tlv6_USB.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/platform/Clock.h"
#include "usb_amplifier/UnivUSB.h"
#include "usb_amplifier/tests/SimTlv6_fixture.h"

namespace {

using Tlv6CommandProtocol::Block;
using Tlv6CommandProtocol::MakeBlock;

struct Step {
  bool detached = false;
  bool overflow = false;
  bool idleQueued = false;
  std::string reply;
};

class Tlv6LinkTest : public SimTlv6Test {
 protected:
  Step Once(const Block& idle = Block{}) {
    Step step;
    Block reply{};
    Tlv6_USB::PeriodicTask(step.detached, step.overflow, idle, step.idleQueued, reply);
    step.reply = Tlv6CommandProtocol::Text(reply);
    return step;
  }
  // Steps a tick apart until the output FIFO has gone out (at most the
  // seconds), replies collected.
  std::vector<std::string> Run(double seconds) {
    std::vector<std::string> replies;
    for (double t = 0; t < seconds; t += 1.0 / 60) {
      Pump(1.0 / 60);
      for (Step s = Once(); !s.reply.empty(); s = Once()) replies.push_back(s.reply);
    }
    return replies;
  }
  // The texts the device received after the port test.
  static std::vector<std::string> Sent(const Tlv6Sim::Device& device) {
    std::vector<std::string> texts = device.ReceivedTexts();
    if (!texts.empty() && texts.front() == "get_revision") texts.erase(texts.begin());
    return texts;
  }
};

TEST_F(Tlv6LinkTest, InitializeFailsWithItsReason) {
  EXPECT_FALSE(Tlv6_USB::Initialize(0.01, 0, false));
  EXPECT_STREQ(Tlv6_USB::ErrorText(), "TLV6: USB port initialization failed.");

  Tlv6Sim::Config stuck = LinkConfig();
  stuck.fault = Tlv6Sim::Fault::kSendNeverCompletes;
  AddDevice(stuck);
  const double start = Platform::ElapsedSeconds();
  EXPECT_FALSE(Tlv6_USB::Initialize(0.01, 0, false));
  EXPECT_DOUBLE_EQ(Platform::ElapsedSeconds() - start, 5.0);
  EXPECT_STREQ(Tlv6_USB::ErrorText(), "TLV6: USB port not responding.");
  EXPECT_FALSE(Tlv6_USB::IsOpen());
  EXPECT_EQ(UnivUSB_OpenCount(), 0);
}

TEST_F(Tlv6LinkTest, InitializeWhileOpenKeepsQueueAndDelay) {
  Tlv6Sim::Device& device = AddDevice();
  ASSERT_TRUE(Tlv6_USB::Initialize(0.5, 0, false));
  EXPECT_TRUE(Tlv6_USB::IsConnected());
  Tlv6_USB::AppendToOutputFifo(MakeBlock("firmware_echo"));
  Tlv6_USB::AppendToOutputFifo(MakeBlock("firmware_reset"));
  EXPECT_TRUE(Tlv6_USB::Initialize(0.01, 0, false));
  Once();
  Platform::Advance(0.4);
  Once();
  EXPECT_EQ(Sent(device), std::vector<std::string>{"firmware_echo"}) << "the delay stayed 0.5 s";
  Platform::Advance(0.1);
  Once();
  EXPECT_EQ(Sent(device), (std::vector<std::string>{"firmware_echo", "firmware_reset"}));
}

TEST_F(Tlv6LinkTest, ANonPositiveDelayMeansFiftyMilliseconds) {
  for (const double delay : {0.0, -1.0}) {
    Tlv6Sim::Device& device = AddDevice();
    ASSERT_TRUE(Tlv6_USB::Initialize(delay, port_.count() - 1, false));
    Tlv6_USB::AppendToOutputFifo(MakeBlock("firmware_echo"));
    Tlv6_USB::AppendToOutputFifo(MakeBlock("firmware_reset"));
    Once();
    Platform::Advance(0.049);
    Once();
    EXPECT_EQ(Sent(device).size(), 1u);
    Platform::Advance(0.001);
    Once();
    EXPECT_EQ(Sent(device).size(), 2u);
    Tlv6_USB::Shutdown();
  }
}

TEST_F(Tlv6LinkTest, QueueRules) {
  struct Row {
    const char* name;
    std::vector<std::string> appended;
    std::vector<std::string> sent;
  };
  const std::vector<Row> rows = {
      {"a repeated keep-alive is sent once", {"firmware_echo", "firmware_echo"}, {"firmware_echo"}},
      {"a newer set_remote replaces the queued one",
       {"set_remote on", "set_remote off"},
       {"set_remote off"}},
      {"commands pass queued queries",
       {"get_serialno", "firmware_reset"},
       {"firmware_reset", "get_serialno"}},
      {"queries keep their order", {"get_serialno", "get_revision"}, {"get_serialno", "get_revision"}},
      {"different commands both go", {"firmware_echo", "firmware_reset"}, {"firmware_echo", "firmware_reset"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Tlv6Sim::Device& device = AddDevice();
    ASSERT_TRUE(Tlv6_USB::Initialize(0.01, port_.count() - 1, false));
    for (const std::string& text : row.appended) Tlv6_USB::AppendToOutputFifo(MakeBlock(text));
    Run(0.5);
    EXPECT_EQ(Sent(device), row.sent);
    Tlv6_USB::Shutdown();
  }
}

TEST_F(Tlv6LinkTest, EqualFirmwareBlocksAreNeverMerged) {
  Tlv6Sim::Device& device = AddDevice();
  ASSERT_TRUE(Tlv6_USB::Initialize(0.01, 0, false));
  const std::array<std::uint8_t, 32> bytes{};
  Tlv6_USB::AppendToOutputFifo(Tlv6CommandProtocol::MakeFirmwareWrite(bytes));
  Tlv6_USB::AppendToOutputFifo(Tlv6CommandProtocol::MakeFirmwareWrite(bytes));
  Tlv6_USB::PrependToOutputFifo(Tlv6CommandProtocol::MakeFirmwareWrite(bytes));
  Run(0.5);
  EXPECT_EQ(Sent(device), std::vector<std::string>(3, "firmware_write"));
}

TEST_F(Tlv6LinkTest, PrependGoesFirstUnlessItIsTheHead) {
  Tlv6Sim::Device& device = AddDevice();
  ASSERT_TRUE(Tlv6_USB::Initialize(0.01, 0, false));
  Tlv6_USB::AppendToOutputFifo(MakeBlock("get_serialno"));
  Tlv6_USB::PrependToOutputFifo(MakeBlock("firmware_echo"));
  Tlv6_USB::PrependToOutputFifo(MakeBlock("firmware_echo"));
  Run(0.5);
  EXPECT_EQ(Sent(device), (std::vector<std::string>{"firmware_echo", "get_serialno"}));
}

TEST_F(Tlv6LinkTest, TheFiftyFirstCommandIsDroppedWithAnAlertLine) {
  Tlv6Sim::Device& device = AddDevice();
  ASSERT_TRUE(Tlv6_USB::Initialize(0.01, 0, false));
  for (int i = 0; i < 51; ++i) {
    Tlv6_USB::AppendToOutputFifo(MakeBlock(i % 2 == 0 ? "firmware_echo" : "firmware_reset"));
  }
  EXPECT_EQ(RecordsWith(" ## TLV6 output buffer overflow! ## ").size(), 1u);
  Run(2.0);
  EXPECT_EQ(Sent(device).size(), 50u);
}

TEST_F(Tlv6LinkTest, TheFiftyFirstReplyIsDroppedAndReportedOnce) {
  Tlv6Sim::Config chatty = LinkConfig();
  chatty.fault = Tlv6Sim::Fault::kUnsolicitedReplies;
  AddDevice(chatty);
  ASSERT_TRUE(Tlv6_USB::Initialize(0.01, 0, false));
  Pump(0.1);
  int replies = 0;
  int overflows = 0;
  for (int i = 0; i < 60; ++i) {
    const Step step = Once();
    replies += !step.reply.empty();
    overflows += step.overflow;
  }
  EXPECT_EQ(replies, 50);
  EXPECT_EQ(overflows, 1);
}

TEST_F(Tlv6LinkTest, EmptyReportsCountButNeverQueue) {
  Tlv6Sim::Config config = LinkConfig();
  config.fault = Tlv6Sim::Fault::kEmptyReports;
  AddDevice(config);
  ASSERT_TRUE(Tlv6_USB::Initialize(0.01, 0, true));
  Tlv6_USB::AppendToOutputFifo(MakeBlock("get_serialno"));
  const std::vector<std::string> replies = Run(0.2);
  EXPECT_EQ(replies, (std::vector<std::string>{"get_revision 1", "get_serialno 801234D"}));
  const std::vector<std::string> received = RecordsWith("received: ");
  ASSERT_EQ(received.size(), 4u);
  EXPECT_NE(received[3].find("     4 - "), std::string::npos) << received[3];
}

TEST_F(Tlv6LinkTest, TheTraceMasksThePassword) {
  AddDevice();
  ASSERT_TRUE(Tlv6_USB::Initialize(0.01, 0, true));
  Tlv6_USB::AppendToOutputFifo(Tlv6CommandProtocol::kSetPassword);
  Run(0.1);
  const std::vector<std::string> sending = RecordsWith("sending:  ");
  ASSERT_EQ(sending.size(), 1u);
  EXPECT_NE(sending[0].find("\"set_pwd ********\""), std::string::npos) << sending[0];
  for (const std::string& record : Records()) {
    EXPECT_EQ(record.find(std::string(Tlv6CommandProtocol::kServicePassword)), std::string::npos);
  }
}

TEST_F(Tlv6LinkTest, ADetachIsReportedOnceAndTheQueueStays) {
  Tlv6Sim::Device& device = AddDevice();
  ASSERT_TRUE(Tlv6_USB::Initialize(0.01, 0, false));
  device.Remove();
  Tlv6_USB::AppendToOutputFifo(MakeBlock("firmware_echo"));
  Pump(0.1);
  EXPECT_FALSE(Tlv6_USB::IsOpen());
  EXPECT_FALSE(Tlv6_USB::IsConnected());
  EXPECT_TRUE(Once().detached);
  EXPECT_FALSE(Once().detached);
  EXPECT_EQ(UnivUSB_OpenCount(), 0);
}

TEST_F(Tlv6LinkTest, FlushEmptiesQueuesButKeepsTheLink) {
  Tlv6Sim::Device& device = AddDevice();
  ASSERT_TRUE(Tlv6_USB::Initialize(0.01, 0, false));
  Tlv6_USB::AppendToOutputFifo(MakeBlock("firmware_echo"));
  Pump(0.1);
  Tlv6_USB::Flush();
  EXPECT_TRUE(Tlv6_USB::IsConnected());
  EXPECT_TRUE(Run(0.2).empty()) << "the port test's reply went with the input FIFO";
  EXPECT_TRUE(Sent(device).empty());
}

TEST_F(Tlv6LinkTest, SetSendDelayMovesThePendingSend) {
  Tlv6Sim::Device& device = AddDevice();
  ASSERT_TRUE(Tlv6_USB::Initialize(1.0, 0, false));
  Tlv6_USB::AppendToOutputFifo(MakeBlock("firmware_echo"));
  Tlv6_USB::AppendToOutputFifo(MakeBlock("firmware_reset"));
  Once();
  Tlv6_USB::SetSendDelay(0.25);
  Platform::Advance(0.25);
  Once();
  EXPECT_EQ(Sent(device).size(), 2u);
}

TEST_F(Tlv6LinkTest, AnIdleCommandGoesOnlyIntoAnEmptyQueue) {
  Tlv6Sim::Device& device = AddDevice();
  ASSERT_TRUE(Tlv6_USB::Initialize(0.01, 0, false));
  EXPECT_TRUE(Once(MakeBlock("firmware_echo")).idleQueued);
  Tlv6_USB::AppendToOutputFifo(MakeBlock("firmware_reset"));
  Platform::Advance(0.01);
  EXPECT_FALSE(Once(MakeBlock("firmware_echo")).idleQueued);
  EXPECT_EQ(Sent(device), (std::vector<std::string>{"firmware_echo", "firmware_reset"}));
}

}  // namespace
