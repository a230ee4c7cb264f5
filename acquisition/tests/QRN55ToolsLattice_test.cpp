// The FPGA upload dialog and the progress dialog it runs in: the firmware
// pre-check, the refusal on this platform, and the dialog's procedures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/QrnLattice.h"
#include "acquisition/tests/QRN55Tools_fixture.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "dialogs/LoopDialog.h"
#include "foundation/platform/Clock.h"

namespace {

using LatticeTest = QRN55ToolsTest;

constexpr int kYes = 1;
constexpr int kNo = 2;

std::string AlertsOf(bool (*run)()) {
  testing::internal::CaptureStderr();
  run();
  return testing::internal::GetCapturedStderr();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(LatticeTest, TheFirmwareMustBeVersionEightOnAnOpenDevice) {
  std::string alerts = AlertsOf(QrnLattice::CheckFirmware);
  EXPECT_TRUE(Contains(alerts, "QRN5+5 not open!")) << alerts;
  EXPECT_FALSE(QrnLattice::CheckFirmware());

  QRN55SimUnit* unit = Plug(SingleUnit("111111", 7), " A");
  ASSERT_EQ(QRN55Interface::Open(0, 0), 0);
  alerts = AlertsOf(QrnLattice::CheckFirmware);
  EXPECT_TRUE(
      Contains(alerts, "QRN5+5 Firmware must be upgraded to version 8 (or later) beforehand!"))
      << alerts;

  QRN55SimSignature signature;
  signature.firmware = 8;
  signature.logic = 0;
  unit->SetSignature(signature);
  ASSERT_EQ(QRN55Interface::Open(0, 0), 0);
  EXPECT_TRUE(QrnLattice::CheckFirmware());
}

TEST_F(LatticeTest, ThePreparationRefusesAndNoDialogOpens) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(QrnLattice::UploadFPGA("config.TLV"));
  const std::string alerts = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Contains(alerts, "Function requires \"Windows\".")) << alerts;
  EXPECT_FALSE(Contains(alerts, "Upload the FPGA to the QRN5+5")) << alerts;
  EXPECT_EQ(Str(LoopDialog::Text1Buffer), "");

  // Chosen through the file dialog: refused just the same, nothing uploaded.
  FileSelect::PushChoice("/data/fpga.TLV");
  QrnLattice::GetAndUploadFPGA();
  QrnLattice::GetAndUploadFPGA();  // cancelled
  for (const std::string& line : ConsoleLines()) {
    EXPECT_FALSE(Contains(line, "FPGA uploaded")) << line;
  }
}

TEST_F(LatticeTest, TheElapsedTimeIsShownAtMostOnceASecond) {
  LoopDialog::NewMessages("first line", "second line");
  QrnLattice::ShowElapsedTime();
  EXPECT_EQ(Str(LoopDialog::Text2Buffer), "second line") << "nothing while no upload runs";

  QRN55Tools::FPGA_Params.state = 2;
  QrnLattice::StartTime = RealTime::GetTime();
  QrnLattice::BlinkTime = 0.0;
  Platform::Advance(0.25);
  QrnLattice::ShowElapsedTime();
  EXPECT_EQ(Str(LoopDialog::Text2Buffer), "00:00:00");
  Platform::Advance(0.9);
  LoopDialog::NewMessages("", "untouched");
  QrnLattice::ShowElapsedTime();
  EXPECT_EQ(Str(LoopDialog::Text2Buffer), "untouched");
  Platform::Advance(65.0);
  QrnLattice::ShowElapsedTime();
  EXPECT_EQ(Str(LoopDialog::Text2Buffer), "00:01:06");
  EXPECT_EQ(Str(LoopDialog::Text1Buffer), "first line");
}

TEST_F(LatticeTest, TheDialogsProceduresDriveTheHooks) {
  Platform::Advance(10.0);
  EXPECT_TRUE(QrnLattice::StartUpload());
  EXPECT_DOUBLE_EQ(QrnLattice::StartTime, RealTime::GetTime());
  EXPECT_FALSE(QrnLattice::UploadDone());

  QRN55Tools::FPGA_Params.state = 2;
  Alert::PushAnswer(kNo);
  EXPECT_FALSE(QrnLattice::AbortUpload()) << "the upload goes on";
  EXPECT_TRUE(QRN55Tools::FPGA_Upload_Running());
  Alert::PushAnswer(kYes);
  EXPECT_TRUE(QrnLattice::AbortUpload());
  EXPECT_FALSE(QRN55Tools::FPGA_Upload_Running());
  QRN55Tools::FPGA_Params.state = 3;
  EXPECT_TRUE(QrnLattice::UploadDone());
}

// ---- The progress dialog, headless ------------------------------------------------

int passes = 0;
int donePass = 0;
bool startResult = true;
bool abortResult = true;

bool Start() { return startResult; }
void Stop() {}
bool Abort() { return abortResult; }
bool Done() { return passes >= donePass; }
void Loop() {
  ++passes;
  if (passes == 3) LoopDialog::NewMessages("", "three");
}

bool RunDialog(bool& aborted) {
  passes = 0;
  return LoopDialog::Show("Title", Start, Stop, Abort, Done, Loop, "running", "idle", "", "Abort",
                          "message 1", "message 2", aborted, false);
}

TEST_F(LatticeTest, TheProgressDialogRunsUntilDoneOrAborted) {
  bool aborted = true;
  donePass = 5;
  startResult = true;
  ASSERT_TRUE(RunDialog(aborted));
  EXPECT_FALSE(aborted);
  EXPECT_EQ(passes, 6) << "the pass that finds the work done still loops";
  EXPECT_EQ(Str(LoopDialog::Text1Buffer), "message 2") << "the running first line";
  EXPECT_EQ(Str(LoopDialog::Text2Buffer), "three");

  startResult = false;
  ASSERT_TRUE(RunDialog(aborted));
  EXPECT_TRUE(aborted) << "a refused start ends the dialog as aborted";

  startResult = true;
  abortResult = false;
  LoopDialog::PushAbort();
  donePass = 4;
  ASSERT_TRUE(RunDialog(aborted));
  EXPECT_FALSE(aborted) << "an abort the procedure refuses changes nothing";

  abortResult = true;
  donePass = 1000;
  LoopDialog::PushAbort();
  ASSERT_TRUE(RunDialog(aborted));
  EXPECT_TRUE(aborted);
  EXPECT_EQ(passes, 1);

  testing::internal::CaptureStderr();
  EXPECT_FALSE(LoopDialog::Show("Title", Start, Stop, Abort, Done, nullptr, "", "", "", "", "", "",
                                aborted, false));
  EXPECT_TRUE(Contains(testing::internal::GetCapturedStderr(), "Cannot setup Loop Dialog"));
}

}  // namespace
