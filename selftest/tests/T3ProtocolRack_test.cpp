// The range file and the result file on the simulated amplifier rack: the
// interface open on the virtual clock, the board's section of the range
// file reaching the measurements, the report of the block as a file.

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <memory>

#include "Golden_fixture.h"
#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "selftest/Protocol.h"
#include "selftest/T3Protocol.h"
#include "selftest/T3Tester.h"
#include "shell/MacEnv.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

using namespace TestResultsBlock;

std::span<const char> Version23() { return "2.3"; }

class RackRangeFile : public SimulatedBoardTest {
 protected:
  void UseWiring() override {
    AmplifierRackConfig config;
    config.interface = static_cast<RackInterface>(Board());
    rack_ = std::make_unique<AmplifierRackWiring>(config);
    SetWiring(rack_.get(), rack_->Unit(0));
  }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SimulatedBoardTest::SetUp());
    setenv("TZ", "UTC0", 1);
    tzset();
    RealTime::Resync(1141448767.890 - RealTime::GetTime());
    T3Base::InitModule();
    T3Types::State = {};
    T3Base::ADBoard = Board();
    T3Base::BoardVersion = 'R';
    T3Base::AmplKind = Board() == ZRVBase::BoardQRN55 ? T3Types::KindTlv4USB : T3Types::KindTlv4Plus;
    T3Base::GetName(T3Base::AmplKind, T3Base::Title);
    Strings::Assign(T3Base::SerialNumber, "510077");
    Strings::Assign(MacEnv::Version, "Mereth 2.3 on the simulated rack");
    T3Tester::SetSoftwareVersionSource(Version23);
    T3Tester::InitAllModules();
    Protocol::ShowLimits = false;
    ADMeasure::TestWriteMode = 1;
  }

  void TearDown() override {
    ADMeasure::TestWriteMode = 0;
    Protocol::InitModule();
    T3Tester::SetSoftwareVersionSource(nullptr);
    unsetenv("TZ");
    tzset();
    SimulatedBoardTest::TearDown();
  }

  std::unique_ptr<AmplifierRackWiring> rack_;
};

INSTANTIATE_TEST_SUITE_P(Boards, RackRangeFile,
                         ::testing::Values(ZRVBase::BoardZRV28, ZRVBase::BoardQRN55), BoardName);

TEST_P(RackRangeFile, TheVersionsRangeFileIsReadAndTheResultsWritten) {
  char name[256] = "";
  T3Tester::MakeRangesName("Selftest_", name);
  ASSERT_STREQ(name, "Selftest_2x3.TLV");
  std::ifstream fixture(std::string(SELFTEST_TEST_DATA_DIR) + "/Selftest_plain.TLV");
  std::stringstream content;
  content << fixture.rdbuf();
  PutFile(name, content.str());
  ASSERT_EQ(ZRV::GetBoardType(), Board());

  MuxTestResults mux{};
  SelfTestResults results{};
  HFRangeResult hf[kHFRanges]{};
  T3Protocol::FillInfo(results);
  ASSERT_TRUE(T3Protocol::ReadProtocol(name, mux, results, hf));
  std::string notebook;
  for (const std::string& line : NotebookLines()) notebook += line + "\n";
  EXPECT_NE(notebook.find("Reading 'Selftest_2x3.TLV'... successful."), std::string::npos)
      << notebook;
  const double delay = Board() == ZRVBase::BoardZRV28 ? 2.5e-6 : 4.5e-6;
  EXPECT_DOUBLE_EQ(ADMeasure::DacToAdcDelay, delay);
  EXPECT_DOUBLE_EQ(ADMeasure::OutputFilterTau, delay + 0.25e-6);

  mux.Transfer[2].Gain.Value = 1.0;
  results.StimulusPath.GLeakFeedThru.Value = 0.005;
  ASSERT_TRUE(T3Protocol::WriteProtocol("Selftest.txt", mux, results, false, true, false, false,
                                        false, 0));
  EXPECT_TRUE(MatchesGolden(FileContent("Selftest.txt"),
                            Board() == ZRVBase::BoardZRV28 ? "rack_zrv28.txt" : "rack_qrn55.txt"));
}

}  // namespace
