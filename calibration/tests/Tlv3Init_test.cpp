#include "calibration/Tlv3Init.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "calibration/tests/Mereth_fixture.h"
#include "foundation/GLP.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "shell/tests/Session_fixture.h"

namespace {

// The console and the alerts, headless, in a folder of the test's own.
class Tlv3InitTest : public TempDirectoryTest {
 protected:
  class Console : public ConsoleSessionTest {
   public:
    void TestBody() override {}
    using ConsoleSessionTest::SetUp;
    using ConsoleSessionTest::TearDown;
    using ConsoleSessionTest::LastLine;
  };
  void SetUp() override {
    TempDirectoryTest::SetUp();
    console_.SetUp();
    RealTime::InitModule();
    GLP::InitModule();
  }
  void TearDown() override {
    GLP::InitModule();
    console_.TearDown();
    TempDirectoryTest::TearDown();
  }
  Console console_;
};

TEST_F(Tlv3InitTest, LoadFileTakesUpToTheBufferAndRefusesOneByteMore) {
  const struct {
    std::size_t size;
    std::int32_t result;
    std::int32_t length;
  } cases[] = {{0, 0, 0}, {10, 0, 10}, {10240, 0, 10240}, {10241, Tlv3Init::kWrongFileLength, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    PutFile("SCALE-1.TLV", std::string(c.size, 'x'));
    char name[Tlv3Init::kNameSize] = "SCALE-1.TLV";
    std::byte* buffer = nullptr;
    std::int32_t length = -1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Tlv3Init::LoadFile(name, buffer, length), c.result);
    const std::string alerts = testing::internal::GetCapturedStderr();
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(buffer, reinterpret_cast<std::byte*>(T3Init::FileBuffer.data()));
    if (c.result == 0) {
      EXPECT_EQ(std::string(name), Path("SCALE-1.TLV"));
      EXPECT_EQ(alerts, "");
    } else {
      EXPECT_STREQ(name, "SCALE-1.TLV");
      EXPECT_NE(alerts.find("This is not a SCALE file (file too long): SCALE-1.TLV"), std::string::npos) << alerts;
    }
  }
}

TEST_F(Tlv3InitTest, AMissingFileFailsSilently) {
  char name[Tlv3Init::kNameSize] = "SCALE-2.TLV";
  std::byte* buffer = nullptr;
  std::int32_t length = 0;
  testing::internal::CaptureStderr();
  EXPECT_NE(Tlv3Init::LoadFile(name, buffer, length), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(Tlv3InitTest, CalibrationDatesUnderTheExpiryRule) {
  const struct {
    const char* date;
    bool check;
    bool enforce;
    double expiry;
    bool current;
    const char* line;
  } cases[] = {
      {"", false, false, 0, false, " unavailable - should be recalibrated."},
      {"", true, true, 365, false, " unavailable - should be recalibrated."},
      {"01-Jan-2000", false, false, 365, true, ": 01-Jan-2000"},
      {"01-Jan-2000", true, true, 365, true, ": 01-Jan-2000"},
      {"01-Jan-2000", true, false, 0, true, ": 01-Jan-2000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.date) + (c.check ? " check" : "") + (c.enforce ? " enforce" : ""));
    GLP::Check = c.check;
    GLP::Enforce = c.enforce;
    GLP::CalibExpiry = c.expiry;
    EXPECT_EQ(Tlv3Init::WriteCalibrationDate(std::string_view(c.date)), c.current);
    TermIO::WriteLn();
    EXPECT_EQ(console_.LastLine(), c.line);
  }
}

TEST_F(Tlv3InitTest, AnExpiredDateSaysHowOld) {
  GLP::Check = true;
  GLP::CalibExpiry = 30;
  char date[16] = {};
  RealTime::ToAltDate(RealTime::GetTime() - 40.2 * 86400, date, false, false);
  EXPECT_FALSE(Tlv3Init::WriteCalibrationDate(date));
  TermIO::WriteLn();
  const std::string line = console_.LastLine();
  EXPECT_EQ(line.substr(0, 2 + Strings::Length(date)), std::string(": ") + date);
  EXPECT_NE(line.find(", too old - is 4"), std::string::npos) << line;
  EXPECT_NE(line.find(" days old, max. is 30 days."), std::string::npos) << line;
}

}  // namespace

namespace {

TEST(Tlv3InitRetry, TheSecondButtonByCondition) {
  const struct {
    bool enforce;
    bool tester;
    bool offerExit;
    bool mismatch;
    bool fileError;
    T3Types::AmplifierKind kind;
    const char* interfaceSecond;
    int interfaceDefault;
    const char* startupSecond;
    int startupDefault;
  } cases[] = {
      {true, true, false, true, true, T3Types::KindTlv3, "", 0, "Continue", 0},
      {true, false, true, false, false, T3Types::KindTlv3, "", 0, "", 0},
      {false, true, false, true, false, T3Types::KindTlv4USB, "Use Last Found", 3, "Use Last Found", 3},
      {false, true, false, false, true, T3Types::KindTlv4USB, "", 3, "Cancel", 3},
      {false, true, false, false, false, T3Types::KindTlv3, "Cancel", 3, "Cancel", 3},
      {false, false, false, false, true, T3Types::KindTlv3, "\"Demo\" Mode", 3, "Continue", 3},
      {false, false, true, false, false, T3Types::KindTlv1, "\"Demo\" Mode", 3, "\"Demo\" Mode", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "enforce " << c.enforce << " tester " << c.tester << " exit " << c.offerExit
                                    << " mismatch " << c.mismatch << " file " << c.fileError);
    GLP::Enforce = c.enforce;
    T3Base::TesterMode = c.tester;
    const Tlv3Init::RetryChoice interface = Tlv3Init::InterfaceRetry(c.kind, c.mismatch);
    EXPECT_EQ(interface.second, c.interfaceSecond);
    EXPECT_EQ(interface.defaultButton, c.interfaceDefault);
    const Tlv3Init::RetryChoice startup = Tlv3Init::StartupRetry(c.offerExit, c.mismatch, c.fileError);
    EXPECT_EQ(startup.second, c.startupSecond);
    EXPECT_EQ(startup.defaultButton, c.startupDefault);
  }
  GLP::InitModule();
  T3Base::TesterMode = false;
}

}  // namespace
