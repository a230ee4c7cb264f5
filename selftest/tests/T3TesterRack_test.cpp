// The multiplexer test end to end on the simulated racks: tester mode, the
// range file read, the report file and the notebook, the corrections of a
// measurement through the multiplexer, a faulty channel 13, an abort from
// the console and the live view in the test window.

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "SelftestRack_fixture.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "foundation/TermIO.h"
#include "platform/headless/Headless.h"
#include "selftest/Protocol.h"
#include "selftest/T3Generator.h"
#include "selftest/T3Protocol.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/T3Tester.h"
#include "selftest/TestBase.h"
#include "platform/Port.h"
#include "platform/Surface.h"
#include "shell/Graphics.h"

namespace {

using namespace TestResultsBlock;
using T3Tester::TransferValues;

constexpr double kUnmeasured = -12345.0;

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string Notebook() {
  TermIO::Flush();
  std::string text;
  for (const std::string& line : NotebookLines()) text += line + "\n";
  return text;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The pixels inside the pane that are not white.
int InkedPixels(Graphics::GraphicsWindow pane) {
  const Port::GrafPort& port = *pane->port;
  int inked = 0;
  for (int v = pane->top + 1; v < pane->bottom - 1; ++v) {
    for (int h = pane->left + 1; h < pane->right - 1; ++h) {
      if (port.pixels->At(h + port.origin.h, v + port.origin.v) != Surface::kRgbMask) ++inked;
    }
  }
  return inked;
}

void OperateTheLiveView(void*) {
  int h = 0;
  int v = 0;
  ASSERT_TRUE(TestPlotDialog::ItemCenter(T3TestGraphics::GraphDialog, T3TestGraphics::GeneratorItem, h, v));
  ASSERT_TRUE(Headless::RunScript("click " + std::to_string(h) + " " + std::to_string(v) +
                                  "\nwait 0.2\nkey c\nwait 1\nkey c\nwait 1\nkey c\nwait 1\nkey c\n"));
}

class MuxRack : public SelftestRack {
 protected:
  void Configure(AmplifierRackConfig& config) override {
    config.noise = true;
    config.seed = 42;
  }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SelftestRack::SetUp());
    ASSERT_NO_FATAL_FAILURE(StartBoard(0));
    T3Tester::SetStart(save_);
    char name[256] = "";
    T3Tester::MakeRangesName("Selftest_", name);
    PutFile(name, ReadWhole(std::string(SELFTEST_TEST_DATA_DIR) + "/Selftest_mux.TLV"));
    T3Protocol::FillInfo(results_);
    ASSERT_TRUE(T3Protocol::ReadProtocol(name, mux_, results_, hf_));
    Protocol::TestErrors = 0;
  }

  void TearDown() override {
    T3Tester::SetEnd(save_);
    SelftestRack::TearDown();
  }

  std::int32_t TestDac() const { return T3Types::State.ExtStimDac; }
  std::int32_t MuxAdc() const { return T3Types::State.MuxAdc; }

  // The multiplexer's channel 13 measured and corrected as a block measures
  // a path through the multiplexer.
  TransferValues ThroughMux13() {
    TransferValues through{};
    for (Protocol::MeasuredValue* v : {&through.Gain, &through.Offset, &through.Noise}) {
      v->Lower = Protocol::kNoLower;
      v->Upper = Protocol::kNoUpper;
    }
    T3Panel::SetMux(13);
    T3Panel::SetMuxGain(false);
    T3Tester::GetAndWrite(TestDac(), MuxAdc(), through, true, true);
    return through;
  }

  T3Tester::TesterModeSave save_;
  MuxTestResults mux_{};
  SelfTestResults results_{};
  HFRangeResult hf_[kHFRanges]{};
};

INSTANTIATE_TEST_SUITE_P(Boards, MuxRack, ::testing::Values(ZRVBase::BoardQRN55, ZRVBase::BoardQRN2400), BoardName);

TEST_P(MuxRack, TheReportHoldsTheMultiplexerWithinItsLimits) {
  Protocol::Buffering = true;
  ASSERT_TRUE(Protocol::OpenOutFile("Report.txt"));
  ASSERT_TRUE(T3Tester::Mux(mux_.Transfer, true));
  EXPECT_EQ(Protocol::TestErrors, 0);
  ASSERT_TRUE(T3Tester::CheckMux());
  EXPECT_EQ(Protocol::TestErrors, 0);
  const TransferValues through = ThroughMux13();
  Protocol::WriteErrorNumber();
  Protocol::CloseOutFile();
  Protocol::Buffering = false;
  EXPECT_EQ(Protocol::TestErrors, 0);

  EXPECT_NEAR(T3Tester::MuxTransfer[2].Gain.Value, 1.0, 0.01);
  EXPECT_NEAR(T3Tester::MuxTransfer[0].Gain.Value, 0.0, 0.001);
  EXPECT_NEAR(through.Gain.Value, 1.0, 0.002);
  EXPECT_NEAR(through.Offset.Value, 0.0, 0.0005);
  const std::string report = FileContent("Report.txt");
  const std::string notebook = Notebook();
  for (const std::string& text : {report, notebook}) {
    EXPECT_EQ(Count(text, "MuxTransfer"), 1u) << text;
    EXPECT_EQ(Count(text, "Gain"), 5u) << text;
    EXPECT_EQ(Count(text, "FAILED"), 0u) << text;
    EXPECT_NE(text.find("No error conditions found."), std::string::npos) << text;
  }
}

TEST_P(MuxRack, SetEndRestoresTheFlagsAfterARun) {
  T3Base::TesterMode = true;
  ASSERT_TRUE(T3Tester::CheckMux());
  T3Tester::SetEnd(save_);
  EXPECT_FALSE(T3Base::TesterMode);
  EXPECT_TRUE(T3Base::TimedRangeSwitch);
  T3Tester::SetStart(save_);
}

// A "q" on the console after the first measurement: Mux stops there, and
// every later check stops after its first measurement.
TEST_P(MuxRack, AnAbortFromTheConsoleStopsAfterTheFirstMeasurement) {
  ASSERT_NO_FATAL_FAILURE(StartUi());
  for (TransferValues& v : mux_.Transfer) v.Gain.Value = kUnmeasured;
  ASSERT_TRUE(Headless::RunScript("key q\n"));
  EXPECT_FALSE(T3Tester::Mux(mux_.Transfer, true));
  EXPECT_TRUE(TestBase::Aborted);
  EXPECT_NE(mux_.Transfer[0].Gain.Value, kUnmeasured);
  EXPECT_EQ(mux_.Transfer[1].Gain.Value, kUnmeasured);
  for (TransferValues& v : T3Tester::MuxTransfer) v.Gain.Value = kUnmeasured;
  EXPECT_FALSE(T3Tester::CheckMux());
  EXPECT_NE(T3Tester::MuxTransfer[0].Gain.Value, kUnmeasured);
  EXPECT_EQ(T3Tester::MuxTransfer[1].Gain.Value, kUnmeasured);
}

// Pausing with data plotting in the open window: Generator shows the
// trace, "C" continues each step.
TEST_P(MuxRack, TheLiveViewShowsTheGeneratorUntilContinue) {
  ASSERT_NO_FATAL_FAILURE(StartUi());
  T3TestGraphics::Initialize(true, false, false, true);
  ASSERT_NE(T3TestGraphics::DataWindow, nullptr);
  TestBase::Pausing = true;
  TestBase::DataPlotting = true;
  // The operator's input starts when the first step point polls: a click
  // on Generator, then Continue at each of the four steps.
  Headless::Call(OperateTheLiveView, nullptr);
  EXPECT_TRUE(T3Tester::Mux(mux_.Transfer, false));
  EXPECT_EQ(Headless::PendingSteps(), 0u);
  EXPECT_EQ(T3Generator::GeneratorDac, TestDac());
  EXPECT_GT(InkedPixels(T3TestGraphics::DataWindow), 100);
  EXPECT_FALSE(T3TestGraphics::GraphDialog.items[T3TestGraphics::ContinueItem].shown);
}

// The whole multiplexer at 0.8 with an offset of its own: the corrections
// take both out of a measurement through it.
class ScaledMuxRack : public MuxRack {
 protected:
  void Configure(AmplifierRackConfig& config) override {
    MuxRack::Configure(config);
    config.boards[0].mux_gain = 0.8;
    config.boards[0].analog.mux_offset_volts = 0.04;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, ScaledMuxRack, ::testing::Values(ZRVBase::BoardQRN55, ZRVBase::BoardQRN2400),
                         BoardName);

TEST_P(ScaledMuxRack, TheCorrectedTransferIsTheTrueOne) {
  ASSERT_TRUE(T3Tester::CheckMux());
  EXPECT_NEAR(T3Tester::MuxTransfer[2].Gain.Value, 0.8, 0.01);
  const TransferValues through = ThroughMux13();
  EXPECT_NEAR(through.Gain.Value, 1.0, 0.002);
  EXPECT_NEAR(through.Offset.Value, 0.0, 0.0005);
}

// Channel 13 alone out of its window: the test terminal says so and both
// the test and the check fail.
template <int kTenthsOfGain>
class Mux13Rack : public MuxRack {
 protected:
  void Configure(AmplifierRackConfig& config) override {
    MuxRack::Configure(config);
    config.boards[0].mux_channels[13].gain = kTenthsOfGain / 10.0;
  }

  void ExpectRefused() {
    // The count of earlier failures stays; the test adds its own.
    Protocol::TestErrors = 1;
    EXPECT_FALSE(T3Tester::Mux(mux_.Transfer, true));
    EXPECT_GE(Protocol::TestErrors, 2);
    EXPECT_NE(Notebook().find("StimDac to Mux: Gain should be 1.0; is "), std::string::npos) << Notebook();
    EXPECT_FALSE(T3Tester::CheckMux());
    EXPECT_FALSE(TestBase::Aborted);
  }
};

using Mux13Low = Mux13Rack<6>;
using Mux13Dead = Mux13Rack<0>;
INSTANTIATE_TEST_SUITE_P(Boards, Mux13Low, ::testing::Values(ZRVBase::BoardQRN55, ZRVBase::BoardQRN2400), BoardName);
INSTANTIATE_TEST_SUITE_P(Boards, Mux13Dead, ::testing::Values(ZRVBase::BoardQRN55, ZRVBase::BoardQRN2400),
                         BoardName);

TEST_P(Mux13Low, TheMultiplexerCheckRefusesIt) { ExpectRefused(); }
TEST_P(Mux13Dead, TheMultiplexerCheckRefusesIt) { ExpectRefused(); }

}  // namespace
