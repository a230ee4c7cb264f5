// Board identification with the interface closed: version strings from the
// version switches, the letters each AD/DA board accepts, the hardware
// versions of the letters and the operator texts of the start-up.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "foundation/GLP.h"
#include "foundation/Strings.h"

namespace {

class T3InitVersionTest : public ClosedLayerTest {
 protected:
  void SetUp() override {
    ClosedLayerTest::SetUp();
    GLP::InitModule();
    StartAmplifierCore('R');
    T3Init::DoDebug = false;
  }
  void TearDown() override {
    GLP::InitModule();
    T3Init::DoDebug = false;
    StartAmplifierCore('R');
    ClosedLayerTest::TearDown();
  }
};

const char* SwitchOf(ZRVBase::BoardType board) {
  switch (board) {
    case ZRVBase::BoardQRN55:
      return "T4USBVersion.On";
    case ZRVBase::BoardQRN2400:
      return "T4Version.On";
    case ZRVBase::BoardZRV28:
      return "T4+Version.On";
    default:
      return "T3Version.On";
  }
}

TEST_F(T3InitVersionTest, VersionStringsFromTheSwitchFiles) {
  struct Case {
    ZRVBase::BoardType board;
    const char* line;
    bool ok;
    std::uint8_t error;
    char letter;
    const char* serial;
    std::int32_t boards;
    bool emulate;
  } cases[] = {
      {ZRVBase::BoardQRN55, "123456R", true, 0, 'R', "123456", 1, false},
      {ZRVBase::BoardQRN2400, "123456S3", true, 0, 'S', "123456", 3, false},
      {ZRVBase::BoardZRV24, "123456C2x", true, 0, 'C', "123456", 2, true},
      {ZRVBase::BoardQRN55, "123456", false, 7, 0, "123456", 1, false},
      {ZRVBase::BoardQRN55, "123456R5", false, 8, 'R', "123456", 1, false},
      {ZRVBase::BoardQRN55, "123456Rx", false, 8, 'R', "123456", 1, false},
      {ZRVBase::BoardQRN55, "1234567", false, 14, '7', "123456", 1, false},
      {ZRVBase::BoardQRN55, "123456R12", false, 7, 'R', "123456", 1, false},
      // A serial must never lead a file name out of its folder.
      {ZRVBase::BoardQRN55, "12/45.R", false, 7, 'R', "", 1, false},
      {ZRVBase::BoardQRN55, "..\\..\\R", false, 7, 'R', "", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    T3Base::ADBoard = c.board;
    T3Error::Error = 0;
    T3Base::FirstRackBoards = 1;
    PutSwitch(SwitchOf(c.board), c.line);
    char version[16] = "junk";
    char letter = 'J';
    bool read = false;
    EXPECT_EQ(T3Init::ReadFromEEPROM(version, letter, read), c.ok);
    EXPECT_EQ(T3Error::Error, c.error);
    if (c.letter != 0) EXPECT_EQ(letter, c.letter);
    EXPECT_STREQ(version, c.serial);
    EXPECT_EQ(T3Base::FirstRackBoards, c.boards);
    EXPECT_EQ(T3Base::T3Boards, c.boards);
    EXPECT_EQ(T3Base::IsTlv3N, c.boards > 1);
    EXPECT_EQ(T3Base::EmulateTlv3N, c.emulate);
    std::remove(SwitchOf(c.board));
  }
}

TEST_F(T3InitVersionTest, UnderGLPTheSwitchIsIgnoredAndTheClosedEEPROMFails) {
  PutSwitch("T4USBVersion.On", "123456R");
  GLP::Enforce = true;
  char version[16];
  char letter = 0;
  bool read = false;
  EXPECT_FALSE(T3Init::ReadFromEEPROM(version, letter, read));
  EXPECT_EQ(T3Error::Error, 22) << "AD/DA interface closed";
  EXPECT_FALSE(read);
}

TEST_F(T3InitVersionTest, ALetterTheBoardDoesNotTakeIsReplacedWithAnAlert) {
  struct Case {
    ZRVBase::BoardType board;
    char letter;
    char kept;
    const char* alert;
  } cases[] = {
      {ZRVBase::BoardZRV28, 'S', 'Q', "Incorrect Version \"S\" for the ZRV-28."},
      {ZRVBase::BoardQRN2400, 'R', 'S', "Incorrect Version \"R\" for the QRN 2400."},
      {ZRVBase::BoardQRN55, 'E', 'R', "Incorrect Version \"E\" for the QRN 5+5."},
      {ZRVBase::BoardZRV24, 'K', 'D', "Incorrect Version K for the ZRV-24."},
      {ZRVBase::BoardQRN55, 'Y', 'Y', ""},
  };
  for (const Case& c : cases) {
    T3Base::ADBoard = c.board;
    char letter = c.letter;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(T3Init::ValidVersionForAdBoard(letter));
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_EQ(letter, c.kept);
    if (*c.alert != 0) {
      EXPECT_NE(shown.find(c.alert), std::string::npos) << shown;
    } else {
      EXPECT_EQ(shown, "");
    }
  }
}

TEST_F(T3InitVersionTest, HardwareVersionsOfTheLetters) {
  struct Case {
    char letter;
    bool severalBoards;
    bool emulated;
    bool ok;
    std::uint16_t hardware;
  } cases[] = {
      {'A', false, false, true, 48},    {'A', true, false, true, 112},   {'A', true, true, true, 48},
      {'T', false, false, true, 32766}, {'T', true, false, true, 32766}, {'R', false, false, true, 16382},
      {'B', false, false, true, 50},    {'P', false, false, true, 49},   {'Z', false, false, true, 46},
      {'E', false, false, true, 510},   {'L', false, false, true, 1022}, {'O', false, false, true, 8190},
      {'V', false, false, false, 7},    {'f', false, false, false, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.letter);
    T3Base::IsTlv3N = c.severalBoards;
    T3Base::EmulateTlv3N = c.emulated;
    T3Error::Error = 0;
    std::uint16_t hardware = 7;
    EXPECT_EQ(T3Init::BoardVersionToHardwareVersion(c.letter, hardware), c.ok);
    EXPECT_EQ(hardware, c.hardware);
    EXPECT_EQ(T3Error::Error, c.ok ? 0 : 14);
  }
}

TEST_F(T3InitVersionTest, KnownLettersAreListed) {
  EXPECT_TRUE(T3Init::KnownVersion('A'));
  EXPECT_TRUE(T3Init::KnownVersion('Z'));
  EXPECT_FALSE(T3Init::KnownVersion('V'));
  EXPECT_FALSE(T3Init::KnownVersion(','));
  EXPECT_FALSE(T3Init::KnownVersion(' '));
  EXPECT_FALSE(T3Init::KnownVersion('7'));
}

TEST_F(T3InitVersionTest, TheModelWordBecomesTheAmplifiersTitle) {
  struct Case {
    T3Types::AmplifierKind kind;
    char letter;
    ZRVBase::BoardType board;
    const char* expected;
  } cases[] = {
      {T3Types::KindTlv4USB, 'R', ZRVBase::BoardQRN55, "TLV4_USB initialized."},
      {T3Types::KindTlv3, 'D', ZRVBase::BoardZRV24, "TLV3 initialized."},
      {T3Types::KindTlv3, 0, ZRVBase::BoardZRV28, "TLV4_Plus initialized."},
      {T3Types::KindTlv3, 0, ZRVBase::BoardQRN2400, "TLV4 initialized."},
  };
  for (const Case& c : cases) {
    T3Base::AmplKind = c.kind;
    T3Base::BoardVersion = c.letter;
    T3Base::ADBoard = c.board;
    T3Base::GetName(c.kind, T3Base::Title);
    char message[256] = "TLV3 initialized.";
    T3Init::ReplaceAmplType(message);
    EXPECT_STREQ(message, c.expected);
  }
}

TEST_F(T3InitVersionTest, ASafeStateIsVoltageClampAtRest) {
  T3Types::State.VHold = 0.05;
  T3Types::State.Mode = 2;
  T3Types::State.RsOn = true;
  T3Types::State.TestDacPath = 3;
  T3Types::State.Mux = 13;
  T3Types::State.Gain = 4;
  T3Types::AmplifierState copy{};
  T3Init::CopySafeState(copy);
  EXPECT_EQ(copy.VHold, 0.0);
  EXPECT_EQ(copy.Mode, 1);
  EXPECT_FALSE(copy.RsOn);
  EXPECT_EQ(copy.TestDacPath, 0);
  EXPECT_EQ(copy.Mux, 5);
  EXPECT_EQ(copy.Gain, 4);
  EXPECT_EQ(T3Types::State.Mode, 2) << "the live state stays";
}

}  // namespace
