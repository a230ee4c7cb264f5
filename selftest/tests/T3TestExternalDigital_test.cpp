// The digital-I/O tests over small test wirings of a simulated ZRV-28: a
// loopback plug from the digital output to the input (a bit may be broken,
// bit 15 may latch the others, a trigger board may echo it on bit 14), and
// a resistor ladder from output bits 0-7 to ADC 0.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/ADMeasure.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Base.h"
#include "selftest/T3TestExternal.h"
#include "selftest/TestResultsBlock.h"
#include "sim/ZRVLibrary/ZRVSimWiring.h"

namespace {

class DigitalPlug final : public ZRVSimWiring {
 public:
  std::uint16_t broken = 0;  // bits that never reach the input
  bool latching = false;     // while output bit 15 is set the inputs hold
  bool echo15 = false;       // the trigger board: input bit 14 is output bit 15
  double ladderVolts = 10.0; // ADC 0 with no bit set; bit b takes (b + 2) / 20 of it

  void Sample(const ZRVSimOutputs& outputs, ZRVSimInputs& inputs) override {
    const std::uint16_t word = outputs.user_digital[0];
    if (!latching || (word & 0x8000) == 0) _held = word;
    std::uint16_t seen = static_cast<std::uint16_t>((latching ? _held : word) & ~broken);
    if (echo15) seen = static_cast<std::uint16_t>((seen & ~0x4000) | ((word & 0x8000) >> 1));
    inputs.user_digital[0] = seen;
    inputs.tlv_digital[0] = seen;
    double volts = ladderVolts;
    for (int b = 0; b < 8; ++b) {
      if ((word >> b) & 1) volts -= ladderVolts * (b + 2) / 20.0;
    }
    inputs.adc_volts[0] = volts;
  }

 private:
  std::uint16_t _held = 0;
};

class DigitalIOTest : public SimulatedBoardTest {
 protected:
  void UseWiring() override { SetWiring(&plug_, nullptr); }
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SimulatedBoardTest::SetUp());
    T3Base::InitModule();
    T3Base::ADBoard = Board();
    ADMeasure::TestWriteMode = 1;
    before_ = NotebookLines().size();
  }
  void TearDown() override {
    ADMeasure::TestWriteMode = 0;
    T3Base::InitModule();
    SimulatedBoardTest::TearDown();
  }
  std::string Written() const {
    std::string text;
    const std::vector<std::string> lines = NotebookLines();
    for (std::size_t k = before_; k < lines.size(); ++k) text += lines[k] + "\n";
    return text;
  }

  DigitalPlug plug_;
  TestResultsBlock::SelfTestResults results_{};
  std::size_t before_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Boards, DigitalIOTest, ::testing::Values(ZRVBase::BoardZRV28), BoardName);

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

TEST_P(DigitalIOTest, TheUserPortLoopedBack) {
  EXPECT_TRUE(T3TestExternal::DigitalIO(results_));
  EXPECT_TRUE(results_.DigitalIOCheck.Passed);
  EXPECT_TRUE(results_.DigitalIOCheck.Performed);
  EXPECT_TRUE(Has(Written(), "User digital port -> User digital port is OK. ")) << Written();
}

TEST_P(DigitalIOTest, ABrokenBitIsNamed) {
  plug_.broken = 0x0008;
  EXPECT_FALSE(T3TestExternal::DigitalIO(results_));
  EXPECT_FALSE(results_.DigitalIOCheck.Passed);
  EXPECT_TRUE(results_.DigitalIOCheck.Performed);
  const std::string text = Written();
  for (const char* line : {"Not all bits set:     54321_9876543210", "out-bit 3  not connected to its in-bit - ",
                           "User digital port is NOT ok. "}) {
    EXPECT_TRUE(Has(text, line)) << line << "\n" << text;
  }
}

TEST_P(DigitalIOTest, TheTriggerBoardLatchesOnBit15) {
  plug_.echo15 = true;
  plug_.latching = true;
  EXPECT_TRUE(T3TestExternal::TestKESP7());
  EXPECT_TRUE(Has(Written(), "KESP7 detected: OUT-bit 15 toggles IN-bit 14. ")) << Written();
  EXPECT_TRUE(Has(Written(), "digital I/O is OK - bit 15 is latching. ")) << Written();
  plug_.latching = false;
  EXPECT_FALSE(T3TestExternal::TestKESP7());
  EXPECT_TRUE(Has(Written(), "out-bit 0  should stay cleared but is set - ")) << Written();
  plug_.echo15 = false;
  EXPECT_FALSE(T3TestExternal::TestKESP7());
  EXPECT_TRUE(Has(Written(), "KESP7 NOT detected")) << Written();
}

TEST_P(DigitalIOTest, TheLadderShowsEveryBit) {
  T3TestExternal::DigitalIOAnalog(results_);
  EXPECT_TRUE(results_.DigitalIOCheck.Passed);
  EXPECT_TRUE(Has(Written(), "DigitalOut[0..7] to AD[0] is OK. ")) << Written();
}

// A ladder without supply reads 0 V with and without a bit: no bit can be
// told, each is reported not set.
TEST_P(DigitalIOTest, ADeadLadderSetsNoBit) {
  plug_.ladderVolts = 0.0;
  T3TestExternal::DigitalIOAnalog(results_);
  EXPECT_FALSE(results_.DigitalIOCheck.Passed);
  EXPECT_TRUE(results_.DigitalIOCheck.Performed);
  const std::string text = Written();
  EXPECT_TRUE(Has(text, "VoltNoBit =")) << text;
  for (const char* line : {"out-bit  0 not set ", "out-bit  7 not set "}) EXPECT_TRUE(Has(text, line)) << text;
}

}  // namespace
