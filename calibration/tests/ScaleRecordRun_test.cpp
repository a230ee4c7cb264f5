// The external corrections and the scale and C-fast stores in the running
// program, on the simulated boards' EEPROMs and files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Scale.h"
#include "calibration/T3CalibMenu.h"
#include "calibration/Tlv3Files.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "platform/headless/Headless.h"

namespace {

constexpr int kType = 1;
constexpr int kTlv3 = 0;
constexpr int kCancel = 2;
constexpr int kYes = 1;
constexpr int kMedium = 1;

class ScaleRun : public MerethTest {
 protected:
  // A new board goes on without records: the defaults, where the medium
  // range's gain trim word is 619.
  static void StartNewBoard() {
    Alert::PushAnswer(kCancel);
    Initialize();
    Alert::ClearAnswers();
  }
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The operator's steps: the three fields of the correction dialog typed
// anew and OK, an alert's default button (Return) or its first (Escape).
void Enter(const std::string& low, const std::string& medium, const std::string& high) {
  ASSERT_TRUE(Headless::RunScript(std::string("type ") + low + "\nkey tab\ntype " + medium + "\nkey tab\ntype " +
                                  high + "\nkey return\n"));
}
void Press(const char* key) { ASSERT_TRUE(Headless::RunScript(std::string("key ") + key + "\n")); }

int BackupFiles() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    count += entry.path().filename().string().rfind("EEPROM_", 0) == 0;
  }
  return count;
}

TEST_F(ScaleRun, TheCorrectionsAreStoredInTheEEPROMAndReadBack) {
  Run([] {
    StartNewBoard();
    ASSERT_EQ(T3Scale::Scale.Range[kMedium].GainTrimDac, 619);
    Enter("1", "1.1", "1");
    Press("return");
    T3CalibMenu::ExternalGainCalibration();
    EXPECT_EQ(T3Scale::Scale.Range[kMedium].GainTrimDac, 563);
    EXPECT_EQ(T3Scale::Scale.ExtGain[kMedium], 1.1);
    EXPECT_NE(LineWith(Notebook(), "Scale record saved."), "");
    Enter("-0.2", "0.05", "0.2");
    Press("return");
    T3CalibMenu::ExternalZeroCalibration();
    EXPECT_EQ(T3Scale::Scale.VpOffsetCorr[0], -0.2);
    EXPECT_EQ(T3Scale::Scale.VpOffsetCorr[2], 0.2);
  });
  EXPECT_TRUE(Has(Alerts(), "Save the modified SCALE record?")) << Alerts();
  EXPECT_TRUE(Has(Alerts(), "SCALE record saved.")) << Alerts();
  Run([] {
    StartNewBoard();
    EXPECT_EQ(T3Scale::Scale.Range[kMedium].GainTrimDac, 563);
    // The record keeps its reals as singles.
    EXPECT_FLOAT_EQ(static_cast<float>(T3Scale::Scale.ExtGain[kMedium]), 1.1f);
    EXPECT_FLOAT_EQ(static_cast<float>(T3Scale::Scale.VpOffsetCorr[1]), 0.05f);
  });
}

TEST_F(ScaleRun, RefusedValuesAreAskedAgainOrCancelAndAFactorOutOfSpanIsReported) {
  Run([] {
    StartNewBoard();
    // "New Value": the dialog again with the entries, then corrected.
    Enter("0.79", "1.1", "1");
    Press("return");
    Enter("1", "1.1", "1");
    Press("return");
    T3CalibMenu::ExternalGainCalibration();
    EXPECT_EQ(T3Scale::Scale.ExtGain[kMedium], 1.1);
    // "Cancel": nothing changes, nothing is saved.
    const T3Scale::ScaleRecord before = T3Scale::Scale;
    Enter("1", "1.21", "1");
    Press("escape");
    T3CalibMenu::ExternalGainCalibration();
    Enter("0.1", "0.21", "0");
    Press("escape");
    T3CalibMenu::ExternalZeroCalibration();
    EXPECT_TRUE(T3Scale::Scale == before);
    // A word out of its span: that range stays, the others are applied.
    T3Scale::Scale.Range[0].GainTrimDac = 3300;
    Enter("0.8", "1", "1");
    Press("return");
    T3CalibMenu::ExternalGainCalibration();
    EXPECT_EQ(T3Scale::Scale.Range[0].GainTrimDac, 3300);
    EXPECT_EQ(T3Scale::Scale.ExtGain[0], 1.0);
    EXPECT_EQ(T3Scale::Scale.ExtGain[kMedium], 1.0);
    EXPECT_EQ(T3Scale::Scale.Range[kMedium].GainTrimDac, 619);
    EXPECT_NE(LineWith(Notebook(), "low range was not applied"), "");
  });
  EXPECT_TRUE(Has(Alerts(), "Correction factors must be > 0.8 and < 1.2 !")) << Alerts();
  EXPECT_TRUE(Has(Alerts(), "Offsets must be <= 0.2V and >= -0.2V !")) << Alerts();
  EXPECT_TRUE(Has(Alerts(), "The gain factor of the low range was not applied")) << Alerts();
}

TEST_F(ScaleRun, ScaleFromDiskWritesTheFileUnderTheProposedNameAndTheEEPROM) {
  Run([] {
    StartNewBoard();
    T3Base::ScaleFromDisk = true;
    const int backups = BackupFiles();
    Press("return");
    Press("return");
    T3CalibMenu::SaveScaleFile();
    char proposed[T3Init::kNameSize] = {};
    T3Init::DefaultScaleName(proposed, false);
    const std::string line = LineWith(Notebook(), "Scale file '");
    EXPECT_TRUE(Has(line, std::string(proposed) + "' saved.")) << line;
    EXPECT_EQ(std::filesystem::file_size(proposed), 2330u);
    EXPECT_EQ(BackupFiles(), backups + 1);
    T3Base::ScaleFromDisk = false;
  });
  EXPECT_TRUE(Has(Alerts(), "Save the modified SCALE file to disk?")) << Alerts();
  EXPECT_TRUE(Has(Alerts(), "SCALE record saved.")) << Alerts();
}

TEST_F(ScaleRun, ABoardWithoutEEPROMWritesItsFiles) {
  UseRack("interface = zrv24\nboards.0.letter = D\nboards.0.eeprom = small\nanalog = true\n");
  Run([] {
    Choose(kType, kTlv3);
    Alert::PushAnswer(kCancel);
    Initialize();
    Alert::PushAnswer(kYes);
    FileSelect::PushChoice(std::filesystem::absolute("SC-board.TLV").string());
    T3CalibMenu::SaveScaleFile();
    EXPECT_TRUE(Has(LineWith(Notebook(), "Scale file '"), "SC-board.TLV' saved."));
    Alert::PushAnswer(kYes);
    FileSelect::PushChoice(std::filesystem::absolute("CF-board.TLV").string());
    EXPECT_TRUE(Tlv3Files::AskAndSaveCFastFile());
    EXPECT_EQ(std::filesystem::file_size("SC-board.TLV"), 2330u);
    EXPECT_EQ(std::filesystem::file_size("CF-board.TLV"), 9510u);
  });
  EXPECT_TRUE(Has(Alerts(), "Save the modified C-FAST table to disk?")) << Alerts();
  EXPECT_TRUE(Has(Alerts(), "Modified C-Fast table saved.")) << Alerts();
}

TEST_F(ScaleRun, TheCFastTableGoesToTheEEPROM) {
  Run([] {
    StartNewBoard();
    Alert::PushAnswer(kYes);
    EXPECT_TRUE(Tlv3Files::AskAndSaveCFastFile());
  });
  EXPECT_TRUE(Has(Alerts(), "Save the modified C-FAST table?")) << Alerts();
  EXPECT_TRUE(Has(Alerts(), "Modified C-Fast table saved.")) << Alerts();
}

TEST_F(ScaleRun, AChipThatDoesNotTakeTheBlockFailsTheStoreAndTheFileIsStillWritten) {
  for (const char* fault : {"writes_lost = true", "stuck_address = 1024\nboards.0.eeprom_faults.stuck_high = true",
                            "power_lost_mid_program = true"}) {
    SCOPED_TRACE(fault);
    UseRack(std::string("boards.0.eeprom_faults.") + fault + "\n");
    Run([] {
      StartNewBoard();
      const int backups = BackupFiles();
      Alert::PushAnswer(kYes);
      EXPECT_FALSE(Tlv3Files::AskAndSaveScaleFile());
      EXPECT_EQ(BackupFiles(), backups + 1);
      T3Base::ScaleFromDisk = true;
      Alert::PushAnswer(kYes);
      FileSelect::PushChoice(std::filesystem::absolute("SC-kept.TLV").string());
      EXPECT_FALSE(Tlv3Files::AskAndSaveScaleFile());
      EXPECT_EQ(std::filesystem::file_size("SC-kept.TLV"), 2330u);
      T3Base::ScaleFromDisk = false;
      std::filesystem::remove("SC-kept.TLV");
    });
    EXPECT_TRUE(Has(Alerts(), "Error saving SCALE record!\n")) << Alerts();
    EXPECT_FALSE(Has(Alerts(), "SCALE record saved.")) << Alerts();
  }
}

}  // namespace
