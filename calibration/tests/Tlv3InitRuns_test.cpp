// "Initialize" in the running program, per amplifier kind, on the
// simulated racks.
#include <gtest/gtest.h>

#include <string>

#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"
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

// Dates the scale records of the boards 0 .. boards - 1 on the rack's
// EEPROMs (an empty date for none).
void WriteDatedRecords(int boards, const char* date) {
  for (int board = 0; board < boards; ++board) {
    T3Panel::SetT3Board(board);
    Strings::Assign(T3Scale::Scale.CalibDate, std::string_view(date));
    std::string message;
    ASSERT_TRUE(T3EEPROM::WriteScale(message)) << message;
    ASSERT_TRUE(T3EEPROM::WriteCFast(message)) << message;
  }
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
    WriteDatedRecords(1, "05-Dec-2026");
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
    WriteDatedRecords(1, "05-Dec-2026");
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

}  // namespace
