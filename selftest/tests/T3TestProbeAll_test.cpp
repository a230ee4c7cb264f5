// The probe test sequence on a simulated board with an operator at the
// bench: nominal probes within the range file's limits, and each fault of
// the bench in the lines it belongs to.

#include <string>
#include <string_view>
#include <vector>

#include "ProbeRack_fixture.h"
#include "selftest/T3TestProbe.h"
#include "selftest/TestBase.h"

namespace {

using Names = std::vector<std::string>;

bool Has(const std::string& text, std::string_view what) { return text.find(what) != std::string::npos; }

const std::string kTenMOhm = "Please connect the RV4 Model Circuit and set the switch to the 10 MOhm position";
const std::string kShield = "Please remove anything from the probe and shield the probe input";
const std::string kTrim =
    "Please connect: \r- The RV4 model circuit to the external probe.\r- The special BNC cable from DA-0 to the red "
    "probe input.\r- The cable of the model cell to the red probe input.\r\rSet the probe switch to the 10 MOhm "
    "position.";
const std::string kAllRanges = "High range.  gain =      40      80     160     320     640\nGo" +
                               std::string(50, '.') + "done.";

// The sequence with the input test and the 10 MOhm request, the limits of a
// range file, the probe's noise on.
class ProbeSequence : public ProbeRack {
 protected:
  BlockRun RunAll(const std::string& rangeFile, bool tlv1Expected) {
    EXPECT_NO_FATAL_FAILURE(ReadRanges(rangeFile));
    return Run([&] { return T3TestProbe::All(results_.Probe, tlv1Expected, true, true, false); });
  }
  void SetUp() override {
    bench_.probe.noise = true;
    ASSERT_NO_FATAL_FAILURE(ProbeRack::SetUp());
  }
};

class ProbeSequenceOnR : public ProbeSequence {
 public:
  ProbeSequenceOnR() { letter_ = 'R'; }
};

class Tlv1BehindASelector : public ProbeSequence {
 public:
  Tlv1BehindASelector() {
    letter_ = 'R';
    position_ = 2;
    bench_.probe = ProbeHead::Tlv1();
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, ProbeSequence, ::testing::Values(ZRVBase::BoardQRN55), BoardName);
INSTANTIATE_TEST_SUITE_P(Boards, ProbeSequenceOnR, ::testing::Values(ZRVBase::BoardQRN55), BoardName);
INSTANTIATE_TEST_SUITE_P(Boards, Tlv1BehindASelector, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(ProbeSequence, ANominalProbeOnAYBoardPassesWithTheTrim) {
  const BlockRun run = RunAll("Selftest_probe.TLV", false);
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedValues(), Names{});
  EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
  EXPECT_EQ(messages_, Names({kTenMOhm + ".", kShield + ":", kTrim, kShield + "."}));
  EXPECT_TRUE(Has(run.notebook, kAllRanges)) << run.notebook;
  EXPECT_TRUE(Has(run.notebook, "Low range.  ")) << run.notebook;
  EXPECT_TRUE(Has(run.report, "RefGainTrimDac")) << run.report;
  EXPECT_FALSE(results_.Probe.IsTlv1Probe);
}

TEST_P(ProbeSequenceOnR, ANominalProbeOnAnRBoardPassesWithoutTheTrim) {
  const BlockRun run = RunAll("Selftest_probe.TLV", false);
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedValues(), Names{});
  EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
  EXPECT_EQ(messages_, Names({kTenMOhm + ".", kShield + ":"}));
  EXPECT_FALSE(Has(run.report, "RefGainTrim"));
}

TEST_P(Tlv1BehindASelector, AnExpectedTlv1ProbeStartsAtTheMediumRange) {
  const BlockRun run = RunAll("Selftest_tlv1.TLV", true);
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedValues(), Names{});
  EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
  EXPECT_EQ(messages_, Names({kTenMOhm + " (2. probe).", kShield + " (2. probe):"}));
  const T3TestProbe::ProbeTestResults& p = results_.Probe;
  EXPECT_TRUE(p.IsTlv1Probe);
  EXPECT_NEAR(p.Input10M.Gain.Value, 50.0, 1.0);
  EXPECT_EQ(p.Offsets[0].Value, 0.0);
  EXPECT_TRUE(Has(run.notebook, "Medium range.  ")) << run.notebook;
  EXPECT_FALSE(Has(run.notebook, "Low range.")) << run.notebook;
  EXPECT_FALSE(Has(run.notebook, "Error in VpOffset adjustment")) << run.notebook;
}

}  // namespace
