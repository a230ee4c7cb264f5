#include "Selftest_fixture.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "dialogs/Alert.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "selftest/Protocol.h"
#include "selftest/T3Tester.h"
#include "selftest/TestResultsBlock.h"
#include "shell/MacEnv.h"

namespace {

std::span<const char> Version23() { return "2.3"; }

// 2026-03-04 05:06:07.890 UTC, in seconds from 1990-01-01.
constexpr RealTime::TimeSeconds kFrozenTime = 1141448767.890;

}  // namespace

void SelftestTest::SetUp() {
  ConsoleTest::SetUp();
  if (const char* tz = std::getenv("TZ")) {
    hadTz_ = true;
    savedTz_ = tz;
  }
  setenv("TZ", "UTC0", 1);
  tzset();
  Platform::UseVirtualClock(0.0);
  RealTime::InitModule();
  RealTime::Resync(kFrozenTime - RealTime::GetTime());
  Alert::ClearAnswers();
  ZRV::SetBoardType(ZRVBase::BoardQRN55);
  T3Base::InitModule();
  T3Types::State = {};
  T3Base::ADBoard = ZRVBase::BoardQRN55;
  T3Base::BoardVersion = 'R';
  T3Base::HardwareVersion = 0;
  T3MakeAuto::Nominal = {};
  ADMeasure::TestWriteMode = 1;
  Strings::Assign(MacEnv::Version, "Mereth 2.3 of the test suite");
  T3Tester::SetSoftwareVersionSource(Version23);
  T3Tester::InitAllModules();
}

void SelftestTest::TearDown() {
  Protocol::InitModule();
  T3Tester::SetSoftwareVersionSource(nullptr);
  ADMeasure::TestWriteMode = 0;
  Alert::ClearAnswers();
  if (hadTz_) {
    setenv("TZ", savedTz_.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  Platform::UseRealClock();
  RealTime::InitModule();
  ConsoleTest::TearDown();
}

std::string SelftestTest::Notebook() const {
  TermIO::Flush();
  std::string text;
  for (const std::string& record : Records()) text += record + "\n";
  return text;
}

std::string SelftestTest::DataFile(const std::string& name) {
  return std::string(SELFTEST_TEST_DATA_DIR) + "/" + name;
}

std::string SelftestTest::ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}
