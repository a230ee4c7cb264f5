// "Initialize" in the running program, per amplifier kind, on the
// simulated racks.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "amplifier/T3Base.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3ScaleFiles.h"
#include "calibration/Tlv3Init.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"
#include "foundation/IOBytes.h"
#include "foundation/Strings.h"
#include "shell/MacEnv.h"

namespace {

constexpr int kType = 1;
constexpr int kBoard = 2;

constexpr int kTlv3 = 0;
constexpr int kTlv4 = 1;
constexpr int kTlv4Plus = 2;
constexpr int kQRN55 = 5;
constexpr int kTlv6 = 6;
constexpr int kCancel = 2;

using InitRun = MerethTest;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The last line that contains text, or "" when none does.
std::string LastLineWith(const std::vector<std::string>& lines, const std::string& text) {
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (Has(*line, text)) return *line;
  }
  return {};
}

// The selected board's scale and C-fast files, under the names the
// start-up looks for, the scale file's date emptied as an old writer left
// it (its checksum kept right).
void WriteUndatedFiles() {
  constexpr std::size_t kDateAt = 30;
  constexpr std::size_t kDateSize = 12;
  constexpr std::size_t kChecksumAt = 276;
  T3Scale::LoadDefaults();
  std::span<std::byte> file;
  ASSERT_TRUE(T3ScaleFiles::ScaleToFile(T3Scale::Scale, file));
  std::uint32_t checksum = 0;
  for (int n = 3; n >= 0; --n) checksum = checksum << 8 | std::to_integer<std::uint32_t>(file[kChecksumAt + n]);
  for (std::size_t n = kDateAt; n < kDateAt + kDateSize; ++n) {
    checksum -= std::to_integer<std::uint32_t>(file[n]);
    file[n] = std::byte{0};
  }
  for (int n = 0; n < 4; ++n) file[kChecksumAt + n] = static_cast<std::byte>(checksum >> (8 * n));
  ASSERT_TRUE(IOBytes::SaveFile(T3Init::ScaleFileName, nullptr, static_cast<std::int32_t>(file.size()), file.data()));
  ASSERT_TRUE(T3ScaleFiles::CFastToFile(T3Auto::CFastTable, file));
  ASSERT_TRUE(IOBytes::SaveFile(T3Init::CFastFileName, nullptr, static_cast<std::int32_t>(file.size()), file.data()));
}

TEST_F(InitRun, TheQRN55WithoutAUnitFailsInTheNotebookAndAsksNothing) {
  UseRack("qrn55.units = 0\n");
  Run([] {
    Choose(kType, kQRN55);
    Initialize();
    EXPECT_EQ(LineWith(Notebook(), "QRN 5+5 error"), "QRN 5+5 error: No Device. Please, check power and connections.");
    EXPECT_FALSE(ItemEnabled(kBoard));
    EXPECT_FALSE(MacEnv::Terminated);
  });
  EXPECT_EQ(Alerts(), "");
}

TEST_F(InitRun, AnAbsentTlv6IsReported) {
  UseRack("tlv6.fault = absent\n");
  Run([] {
    Choose(kType, kTlv6);
    Alert::PushAnswer(1);
    Initialize();
  });
  EXPECT_TRUE(Has(Alerts(), "TLV6: USB communication failed!  Please, check power and connections.")) << Alerts();
}

TEST_F(InitRun, AFourBoardQRN2400RackOffersItsFourAmplifiers) {
  UseRack("interface = qrn2400\nboards_per_rack = 4\n"
          "boards.0.letter = S\nboards.1.letter = S\nboards.2.letter = S\nboards.3.letter = S\n");
  Run([] {
    Choose(kType, kTlv4);
    Alert::PushAnswer(kCancel);
    Initialize();
    EXPECT_TRUE(ItemEnabled(kBoard));
    for (int entry = 1; entry <= 8; ++entry) EXPECT_EQ(EntryEnabled(kBoard, entry), entry <= 4) << entry;
  });
}

TEST_F(InitRun, AZRV28BoardQ) {
  UseRack("interface = zrv28\nboards.0.letter = Q\n");
  Run([] {
    Choose(kType, kTlv4Plus);
    Alert::PushAnswer(kCancel);
    Initialize();
    EXPECT_TRUE(ItemEnabled(kBoard));
    EXPECT_TRUE(EntryEnabled(kBoard, 1));
  });
  EXPECT_FALSE(Has(Alerts(), "Incorrect Version")) << Alerts();
}

TEST_F(InitRun, AZRV24BoardDAsksForItsScaleFileAndCancelGoesOn) {
  UseRack("interface = zrv24\nboards.0.letter = D\nboards.0.eeprom = small\nanalog = true\n");
  Run([] {
    Choose(kType, kTlv3);
    Alert::PushAnswer(kCancel);
    Initialize();
    EXPECT_TRUE(ItemEnabled(kBoard));
  });
  EXPECT_TRUE(Has(Alerts(), "Find \"SCALE-123456.TLV\" to load: (SC*.TL?) -> cancelled")) << Alerts();
  EXPECT_TRUE(Has(Alerts(), "No SCALE file loaded.\n  [Cancel] [[Repeat]] -> Cancel")) << Alerts();
}

TEST_F(InitRun, TheCalibrationDateOfOneBoardIsOneLine) {
  Run([] {
    Alert::PushAnswer(kCancel);
    Initialize();
    WriteRecords(1, "05-Dec-2026");
  });
  Run([] {
    Initialize();
    EXPECT_EQ(LineWith(Notebook(), "Calibration date"), "Calibration date of TLV4_USB: 05-Dec-2026");
    EXPECT_TRUE(EntryEnabled(kBoard, 1));
  });
  EXPECT_FALSE(Has(Alerts(), "outdated")) << Alerts();
}

TEST_F(InitRun, JoinedUnitsReportABoardEach) {
  UseRack("racks = 2\n");
  Run([] {
    Alert::PushAnswer(kCancel);
    Initialize();
    WriteRecords(1, "05-Dec-2026");
    T3Panel::SetT3Board(1);
    Strings::Assign(T3Scale::Scale.CalibDate, std::string_view("01-Dec-2026"));
    std::string message;
    ASSERT_TRUE(T3EEPROM::WriteScale(message)) << message;
    ASSERT_TRUE(T3EEPROM::WriteCFast(message)) << message;
  });
  Run([] {
    Initialize();
    const auto notebook = Notebook();
    EXPECT_EQ(LineWith(notebook, "Calibration date"), "Calibration date of TLV4_USB: ");
    EXPECT_EQ(LineWith(notebook, "_1"), "   TLV4_USB_1: 05-Dec-2026");
    EXPECT_EQ(LineWith(notebook, "_2"), "   TLV4_USB_2: 01-Dec-2026");
    EXPECT_TRUE(EntryEnabled(kBoard, 2));
    EXPECT_FALSE(EntryEnabled(kBoard, 3));
  });
}

TEST_F(InitRun, AScaleFileWithoutADateAsksForARecalibration) {
  UseRack("interface = zrv24\nboards.0.letter = D\nboards.0.eeprom = small\nanalog = true\n");
  Run([] {
    Choose(kType, kTlv3);
    Alert::PushAnswer(kCancel);
    Initialize();
    WriteUndatedFiles();
    Alert::PushAnswer(1);
    Initialize();
    EXPECT_EQ(LastLineWith(Notebook(), "Calibration date of "),
              "Calibration date of TLV3 unavailable - should be recalibrated.");
  });
  EXPECT_TRUE(Has(Alerts(), "The calibration file is outdated. The amplifier should be recalibrated.")) << Alerts();
}

TEST_F(InitRun, TheActiveBoardOnlyReportsItsOwnDate) {
  UseRack("racks = 2\n");
  Run([] {
    Alert::PushAnswer(kCancel);
    Initialize();
    WriteRecords(2, "03-Dec-2026");
  });
  Run([] {
    Initialize();
    T3Panel::SetT3Board(1);
    bool failed = false;
    bool quit = false;
    Tlv3Init::InitializeAndCheckForLife(T3Base::AmplKind, true, true, true, false, failed, quit);
    EXPECT_FALSE(failed);
    EXPECT_EQ(LastLineWith(Notebook(), "Calibration date"), "Calibration date of TLV4_USB_2: 03-Dec-2026");
  });
}

TEST_F(InitRun, UseLastFoundTakesTheUnitThatIsThere) {
  Run([] {
    Alert::PushAnswer(kCancel);
    Initialize();
    const std::string found = T3Base::DeviceNumber;
    ASSERT_FALSE(found.empty());
    Strings::Assign(T3Base::DeviceNumber, std::string_view("999999999999999"));
    Alert::PushAnswer(2);
    Alert::PushAnswer(kCancel);
    Initialize();
    EXPECT_EQ(std::string(T3Base::DeviceNumber), found);
    EXPECT_TRUE(ItemEnabled(kBoard));
  });
  EXPECT_TRUE(Has(Alerts(), "[Use Last Found] [[Repeat]] -> Use Last Found")) << Alerts();
}

}  // namespace
