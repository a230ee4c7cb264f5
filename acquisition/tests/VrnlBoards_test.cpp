// The amplifier's command ports and the command cache: what the cache holds
// on every board type, and what reaches the amplifier's lines of the
// simulated boards. (The QRN 2400 stand-in shows its outputs to its wiring
// only at input conversions, so its command port is checked through the
// cache alone.)
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/CommandPort_fixture.h"
#include "acquisition/tests/Measurement_fixture.h"

namespace {

using Samples = std::vector<std::uint16_t>;

constexpr std::uint16_t kRest = 0x4000;

bool IsZRV24() { return ZRV::GetBoardType() == ZRVBase::BoardZRV24; }

// The samples after the one the lines rested at when the recorder was
// cleared.
Samples Played(const Samples& samples) { return {samples.begin() + 1, samples.end()}; }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// ---- The cache, every board type ---------------------------------------------

class CommandCache : public CommandPortTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CommandPortTest::SetUp());
    VrnlBoards::SetProperties(true, false);
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, CommandCache,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28,
                                           ZRVBase::BoardQRN2400, ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(CommandCache, TwoCachedWordsShareTheirRestSamples) {
  ZRV::SetDigValue(0x0523);
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x1234, false);
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x0567, false);
  if (IsZRV24()) {
    // The user's lines rest at their state around the words, strobe set.
    EXPECT_EQ(QueuedSamples(), (Samples{0xC523, 0xD234, 0x9234, 0xD234, 0xC567, 0x8567, 0xC567, 0xC123,
                                 0x4523}));
    EXPECT_EQ(CacheRestWord(), 0xC123);
    EXPECT_EQ(ZRVBase::DigitalOutState, 0x4523);
  } else {
    EXPECT_EQ(QueuedSamples(), (Samples{0xD234, 0x9234, 0xD234, 0xC567, 0x8567, 0xC567, kRest}));
    EXPECT_EQ(CacheRestWord(), kRest);
  }
  VrnlBoards::FlushCache();
  EXPECT_TRUE(QueuedSamples().empty());
  EXPECT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
}

TEST_P(CommandCache, TheOlderPotentiostatPortSetsBit15OnTheZRV24Only) {
  ZRV::SetDigValue(0x0400);
  VrnlBoards::SendToPK200Port(ZRV::TlvOut, 0x0123);
  if (IsZRV24()) {
    // Never masked: the chip-select bit of the user's lines stands.
    EXPECT_EQ(QueuedSamples(), (Samples{0xC400, 0xC123, 0x8123, 0xC123, 0xC000, 0x4400}));
  } else {
    EXPECT_EQ(QueuedSamples(), (Samples{0x4123, 0x0123, 0x4123, kRest}));
  }
}

TEST_P(CommandCache, ProtocolLinesCountCommandsAndSamples) {
  VrnlBoards::SetProperties(true, true);
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x1234, false);
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x0567, false);
  VrnlBoards::FlushCache();
  const std::vector<std::string> lines = NotebookLines();
  ASSERT_GE(lines.size(), 4u);
  const std::vector<std::string> tracking(lines.end() - 4, lines.end() - 1);
  EXPECT_EQ(tracking, (std::vector<std::string>{"", "", "StartTracking "}));
  EXPECT_EQ(lines.back().rfind("CACHE: ", 0), 0u) << lines.back();
  EXPECT_TRUE(EndsWith(lines.back(), IsZRV24() ? "        2        9        9"
                                               : "        2        7        7"))
      << lines.back();
}

// ---- The lines of the boards whose outputs the recorder sees ---------------------

class CommandPort : public CommandCache {};

INSTANTIATE_TEST_SUITE_P(Boards, CommandPort,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28,
                                           ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(CommandPort, CachedWordsReachTheLinesAtTheFlush) {
  recorder_.Clear();
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x1234, false);
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x0567, false);
  EXPECT_TRUE(recorder_.Words().empty());
  VrnlBoards::FlushCache();
  EXPECT_EQ(recorder_.Words(), (Samples{0x1234, 0x0567}));
}

TEST_P(CommandPort, AWordForAnotherChannelPlaysTheQueuedOnesFirst) {
  recorder_.Clear();
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x1234, false);
  VrnlBoards::SendToTlv3Port(ZRV::DigitalOut, 0x0567, false);
  EXPECT_EQ(recorder_.Words(), (Samples{0x1234}));
  EXPECT_EQ(QueuedSamples().size(), IsZRV24() ? 6u : 4u);
  VrnlBoards::ClearCache();
}

TEST_P(CommandPort, ABurstLongerThanTheCacheFlushesItselfAndPlaysEveryWordOnce) {
  recorder_.Clear();
  Samples words;
  for (std::uint16_t word = 0; word < 1000; ++word) {
    words.push_back(word);
    VrnlBoards::SendToTlv3Port(ZRV::TlvOut, word, false);
    ASSERT_LT(QueuedSamples().size(), static_cast<std::size_t>(VrnlBoards::CacheSize));
  }
  VrnlBoards::FlushCache();
  EXPECT_EQ(recorder_.Words(), words);
  EXPECT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
}

TEST_P(CommandPort, CachingOffPlaysEachWordAsItsOwnStimulus) {
  VrnlBoards::SetProperties(false, true);
  recorder_.Clear();
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x1234, false);
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x0567, false);
  if (IsZRV24()) {
    EXPECT_EQ(Played(recorder_.TlvSamples()),
              (Samples{0xC000, 0xD234, 0x9234, 0xD234, 0xC000, 0x4000, 0xC000, 0xC567, 0x8567,
                       0xC567, 0xC000, 0x4000}));
  } else {
    EXPECT_EQ(Played(recorder_.TlvSamples()),
              (Samples{0xD234, 0x9234, 0xD234, kRest, 0xC567, 0x8567, 0xC567, kRest}));
  }
  // The counters still advance: a flush writes the protocol line and plays
  // nothing more.
  EXPECT_FALSE(QueuedSamples().empty());
  const std::size_t samples = recorder_.TlvSamples().size();
  VrnlBoards::FlushCache();
  EXPECT_EQ(recorder_.TlvSamples().size(), samples);
  const std::vector<std::string> lines = NotebookLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("cache: ", 0), 0u) << lines.back();
  EXPECT_TRUE(QueuedSamples().empty());
}

TEST_P(CommandPort, TurningCachingOffPlaysWhatIsQueued) {
  recorder_.Clear();
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x1234, false);
  VrnlBoards::SetProperties(false, false);
  EXPECT_EQ(recorder_.Words(), (Samples{0x1234}));
  EXPECT_TRUE(QueuedSamples().empty());
}

TEST_P(CommandPort, TheOlderPortPlaysAtOnceAfterTheQueuedWords) {
  recorder_.Clear();
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x1234, false);
  VrnlBoards::SendToTlv2Port(ZRV::DigitalOut, 0x8123);
  EXPECT_EQ(recorder_.Words(), (Samples{0x1234}));
  EXPECT_TRUE(QueuedSamples().empty());
  const Samples user = recorder_.UserSamples();
  ASSERT_GE(user.size(), 4u);
  EXPECT_EQ(Samples(user.end() - 4, user.end()), (Samples{0x4123, 0x0123, 0x4123, 0x4000}));
  EXPECT_EQ(ZRVBase::DigitalOutState, 0x4000);
}

TEST_P(CommandPort, TheExtensionBoardGetsOneBitOfLatch45AtATime) {
  recorder_.Clear();
  VrnlBoards::InitQRNExtBoard(ZRV::TlvOut);
  VrnlBoards::FlushCache();
  EXPECT_EQ(recorder_.Words(), (Samples{0x2D10, 0x2D20, 0x2D40, 0x2D80}));
}

TEST_P(CommandPort, NoTriggerBoardOnTheLoopback) {
  EXPECT_FALSE(VrnlBoards::KESP7Present());
  EXPECT_FALSE(VrnlBoards::KESP7Initialize());
  EXPECT_EQ(ZRVBase::DigitalOutState & 0x8000, 0);
}

// ---- The ZRV-24's chip-select mask ---------------------------------------------

class ChipSelectMask : public CommandCache {};

INSTANTIATE_TEST_SUITE_P(Boards, ChipSelectMask, ::testing::Values(ZRVBase::BoardZRV24), BoardName);

TEST_P(ChipSelectMask, TheRestSamplesAroundAWordClearBit10WhenAsked) {
  struct Case {
    bool mask;
    Samples played;
  };
  // Address 4 sets bit 10 in the word itself: it stands either way.
  const Case cases[] = {
      {true, {0xC000, 0xC421, 0x8421, 0xC421, 0xC000, 0x4000}},
      {false, {0xC400, 0xC421, 0x8421, 0xC421, 0xC000, 0x4400}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    ZRV::SetDigValue(0x0400);
    recorder_.Clear();
    VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x0421, c.mask);
    VrnlBoards::FlushCache();
    EXPECT_EQ(Played(recorder_.TlvSamples()), c.played);
    EXPECT_EQ(recorder_.Words(), (Samples{0x0421}));
  }
}

// ---- Closed interface ------------------------------------------------------------

class ClosedCommandPort : public ClosedLayerTest {};

TEST_F(ClosedCommandPort, WordsAreDroppedAndTheOlderPortOnlyKeepsTheOutputState) {
  VrnlBoards::SetProperties(true, false);
  VrnlBoards::SendToTlv3Port(ZRV::TlvOut, 0x1234, false);
  EXPECT_TRUE(QueuedSamples().empty());
  ZRVBase::DigitalOutState = 0x8012;
  VrnlBoards::SendToTlv2Port(ZRV::DigitalOut, 0x0123);
  EXPECT_EQ(ZRVBase::DigitalOutState, 0x4012);
}

TEST_F(ClosedCommandPort, TheTriggerBoardIsThereOnlyBySwitch) {
  ZRVBase::DigitalOutState = 0x8123;
  EXPECT_FALSE(VrnlBoards::KESP7Present());
  EXPECT_FALSE(VrnlBoards::KESP7Initialize());
  EXPECT_EQ(ZRVBase::DigitalOutState, 0x8123);
  PutSwitch("KESP7.On");
  EXPECT_TRUE(VrnlBoards::KESP7Present());
  EXPECT_TRUE(VrnlBoards::KESP7Initialize());
  EXPECT_EQ(ZRVBase::DigitalOutState, 0x8123);
}

}  // namespace
