// Default scale and C-fast names, and the loading of both records through
// loaders that read a temporary folder, with the interface closed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "amplifier/tests/EEPROMRack_fixture.h"
#include "amplifier/tests/ScaleLoaders_fixture.h"
#include "foundation/Buffer.h"
#include "foundation/GLP.h"
#include "foundation/Strings.h"
#include "foundation/tests/TempDirectory_fixture.h"

namespace {

class T3InitFilesTest : public TempDirectoryTest {
 protected:
  void SetUp() override {
    TempDirectoryTest::SetUp();
    Buffer::InitModule();
    GLP::InitModule();
    T3Select::InitModule();
    StartAmplifierCore('R');
    Strings::Assign(T3Base::SerialNumber, "123456");
    Strings::Clear(T3Init::ScaleFileName);
    Strings::Clear(T3Init::CFastFileName);
    T3Init::ScaleFileLoaded = false;
    T3Init::CFastFileLoaded = false;
    scaleLoader = {};
    cFastLoader = {};
  }
  void TearDown() override {
    T3Select::Shutdown();
    Buffer::Shutdown();
    StartAmplifierCore('R');
    TempDirectoryTest::TearDown();
  }

  struct Outcome {
    std::int32_t first = -1;
    std::int32_t last = -1;
    std::string message;
  };
  static Outcome LoadRecords(T3Init::FileLoaderProc scale = LoadScale,
                             T3Init::FileLoaderProc cFast = LoadCFast) {
    char message[256] = "untouched";
    Outcome outcome;
    outcome.first = 0;
    outcome.last = 0;
    T3Init::DoLoadScaleFiles(message, outcome.first, outcome.last, scale, cFast);
    outcome.message = message;
    return outcome;
  }
};

struct NameCase {
  const char* serial;
  std::int32_t rackBoards;
  std::uint8_t board;
  std::uint8_t selector;
  bool extendedRange;
  bool shortForm;
  const char* given;
  const char* scaleName;
  const char* cFastName;
};

TEST_F(T3InitFilesTest, DefaultNamesFollowSerialRangeBoardAndSelector) {
  const NameCase cases[] = {
      {"123456", 1, 0, 0, false, false, "", "SCALE-123456.TLV", "CFAST-123456.TLV"},
      {"123456", 1, 0, 0, false, true, "", "SC123456.TLV", "CF123456.TLV"},
      {"123456", 1, 0, 0, true, false, "", "SCALE-123456_Ext.TLV", "CFAST-123456.TLV"},
      {"123456", 1, 0, 0, true, true, "", "SC123456_Ext.TLV", "CF123456.TLV"},
      {"123456", 3, 1, 3, false, false, "", "SCALE-123456.TL2_3", "CFAST-123456.TL2_3"},
      {"123456", 3, 0, 2, false, false, "", "SCALE-123456.TLV_2", "CFAST-123456.TLV_2"},
      {"123456", 1, 0, 0, false, false, "Scales:SCALE-1.TLV", "Scales:SCALE-123456.TLV",
       "Scales:CFAST-123456.TLV"},
      {"123456", 1, 0, 0, false, true, "a/b\\SC.TLV", "a/b\\SC123456.TLV", "a/b\\CF123456.TLV"},
      {"", 1, 0, 0, false, false, "", "SCALE.TLV", "CFAST.TLV"},
      {"", 1, 0, 0, false, true, "", "SCALE.TLV", "CFAST.TLV"},
      // A serial that would lead out of the folder never reaches a name.
      {"../../", 1, 0, 0, false, false, "dir/", "dir/SCALE.TLV", "dir/CFAST.TLV"},
  };
  T3Base::MaxSelectors = 8;
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.scaleName);
    Strings::Assign(T3Base::SerialNumber, Text(c.serial));
    T3Base::FirstRackBoards = c.rackBoards;
    T3Base::T3Boards = c.rackBoards;
    T3Types::State.Board = c.board;
    T3Types::State.Selector = c.selector;
    T3Types::State.VrefX2 = c.extendedRange;
    char scale[256];
    Strings::Assign(scale, Text(c.given));
    T3Init::DefaultScaleName(scale, c.shortForm);
    EXPECT_STREQ(scale, c.scaleName);
    char cFast[256] = {};
    T3Init::DefaultCFastName(cFast, scale, c.shortForm);
    EXPECT_STREQ(cFast, c.cFastName);
  }
}

TEST_F(T3InitFilesTest, CFastNamesFromOtherNames) {
  struct Case {
    const char* scale;
    const char* previous;
    const char* expected;
  } cases[] = {
      {"SC123456.XYZ", "", "CF123456.XYZ"},
      {"old/SCALE-123456_EXT.TLV", "", "old/CFAST-123456.TLV"},
      {"old/SCale-123456_ext.TL3", "", "old/CFale-123456.TLV"},
      {"", "prev:CF99.TLV", "prev:CFAST-123456.TLV"},
      {"notes/mine.TLV", "", "notes/CFAST-123456.TLV"},
  };
  for (const Case& c : cases) {
    char cFast[256];
    Strings::Assign(cFast, Text(c.previous));
    T3Init::DefaultCFastName(cFast, Text(c.scale), false);
    EXPECT_STREQ(cFast, c.expected) << c.scale;
  }
}

TEST_F(T3InitFilesTest, AttemptsGoFromTheFolderToTheOperator) {
  Strings::Assign(T3Init::ScaleFileName, "cal/old.TLV");
  const Outcome outcome = LoadRecords();
  EXPECT_EQ(scaleLoader.Names(),
            (std::vector<std::string>{"cal/SCALE-123456.TLV", "cal/SC123456.TLV", "SCALE-123456.TLV",
                                      "SC123456.TLV", "SCALE-123456.TLV (ask)"}));
  EXPECT_TRUE(cFastLoader.calls.empty());
  EXPECT_EQ(outcome.first, 3);
  EXPECT_EQ(outcome.last, 3);
  EXPECT_EQ(outcome.message, "No SCALE file loaded.");
  EXPECT_FALSE(T3Init::ScaleFileLoaded);
}

TEST_F(T3InitFilesTest, BothRecordsComeFromTheirFilesInTheFormFound) {
  T3Scale::ScaleRecord record = SampleScale(0);
  ASSERT_TRUE(SaveScaleFile("SC123456.TLV", record));
  ASSERT_TRUE(SaveCFastFile("CF123456.TLV", SampleCFast(0)));
  const Outcome outcome = LoadRecords();
  EXPECT_EQ(outcome.last, 0);
  EXPECT_EQ(outcome.message, "untouched");
  EXPECT_EQ(cFastLoader.Names(), (std::vector<std::string>{"CF123456.TLV"}));
  EXPECT_TRUE(T3Init::ScaleFileLoaded);
  EXPECT_TRUE(T3Init::CFastFileLoaded);
  EXPECT_TRUE(T3Base::Initialized);
  EXPECT_STREQ(T3Scale::Scale.SerialNumber.data(), "123456");
  EXPECT_EQ(T3Scale::Scale.CFastFactor, record.CFastFactor);
  EXPECT_STREQ(T3Types::State.ScaleDate, T3Scale::Scale.CalibDate.data());
  EXPECT_TRUE(T3Auto::CFastTable == SampleCFast(0));
}

TEST_F(T3InitFilesTest, FailuresGiveTheirCodesAndTexts) {
  // What the defaults make of the record a refusing reader leaves cleared.
  T3Scale::Scale = {};
  T3Scale::LoadDefaults();
  const T3Scale::ScaleRecord defaults = T3Scale::Scale;
  struct Case {
    const char* name;
    const char* fileSerial;  // the scale file's, "-" none written
    char fileLetter;
    T3Init::FileLoaderProc scale;
    T3Init::FileLoaderProc cFast;
    bool cFastFile;
    TestLoader::Mode mode;
    std::int32_t code;
    const char* message;
  } cases[] = {
      {"nil scale loader", "123456", 'R', nullptr, LoadCFast, true, TestLoader::kFromFolder, 29,
       "fatal error (LoadScaleProc=NIL)"},
      {"loader without data", "123456", 'R', LoadScale, LoadCFast, true, TestLoader::kClaimsWithoutData, 29,
       "fatal error in user function"},
      {"nil C-fast loader", "123456", 'R', LoadScale, nullptr, true, TestLoader::kFromFolder, 29,
       "fatal error (LoadCFastProc=NIL)"},
      {"no C-fast file", "123456", 'R', LoadScale, LoadCFast, false, TestLoader::kFromFolder, 4,
       "No CFAST file loaded."},
      {"other serial", "654321", 'R', LoadScale, LoadCFast, true, TestLoader::kFromFolder, 9,
       "The Serial No (654321) in this SCALE file does not match the connected TLV3 (123456)!"},
      {"other letter", "", 'Q', LoadScale, LoadCFast, true, TestLoader::kFromFolder, 10,
       "The board version (Q) in this SCALE file does not match the connected TLV3 (R)!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove("SCALE-123456.TLV");
    std::remove("CFAST-123456.TLV");
    T3Scale::ScaleRecord record = SampleScale(0);
    record.BoardLetter = c.fileLetter;
    Strings::Assign(T3Base::SerialNumber, Text(c.fileSerial));
    ASSERT_TRUE(SaveScaleFile("SCALE-123456.TLV", record));
    Strings::Assign(T3Base::SerialNumber, "123456");
    if (c.cFastFile) ASSERT_TRUE(SaveCFastFile("CFAST-123456.TLV", SampleCFast(0)));
    T3Base::BoardVersion = 'R';
    scaleLoader = {};
    scaleLoader.mode = c.mode;
    cFastLoader = {};
    const Outcome outcome = LoadRecords(c.scale, c.cFast);
    EXPECT_EQ(outcome.first, c.code);
    EXPECT_EQ(outcome.last, c.code);
    EXPECT_EQ(outcome.message, c.message);
    if (c.code == 9 || c.code == 10) {
      // A refused file leaves the defaults, never the reader's zeros.
      EXPECT_EQ(T3Scale::Scale.CFastFactor, defaults.CFastFactor);
      EXPECT_EQ(T3Scale::Scale.CSlowRangeMax, defaults.CSlowRangeMax);
      EXPECT_NE(defaults.CSlowRangeMax[1], 0.0);
      EXPECT_FALSE(T3Init::ScaleFileLoaded);
      EXPECT_TRUE(cFastLoader.calls.empty());
    }
  }
}

TEST_F(T3InitFilesTest, ConflictTextsName) {
  struct Case {
    std::uint8_t code;
    const char* message;
  } cases[] = {
      {0, "Error not defined (\"no error\"."},
      {15, "Code error (block too small)."},
      {16, "This is not a CFAST file (file length mismatch)."},
      {17, "This is not a CFAST file (wrong file ID)."},
      {30, "CRC value of CFAST file is incorrect."},
      {31, "date of CFAST file is too old."},
      {33, "Unexpected error: 33 (CFAST)."},
  };
  for (const Case& c : cases) {
    T3Error::Error = c.code;
    char message[256] = "old";
    T3Init::ConflictError("CFAST", "", 0, message);
    EXPECT_STREQ(message, c.message);
  }
}

}  // namespace
