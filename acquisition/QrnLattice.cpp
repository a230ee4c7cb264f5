#include "acquisition/QrnLattice.h"

#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "dialogs/LoopDialog.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"

namespace QrnLattice {

RealTime::TimeSeconds StartTime = 0.0;
RealTime::TimeSeconds BlinkTime = 0.0;
char StartText[128] = "";
char AbortText[128] = "Abort";
char MessageText[128] = "Takes about 5 min. Aborting leaves QRN5+5 inoperational.";
char Select_start[128] = "   ";

namespace {

constexpr int kFirstFpgaFirmware = 8;
constexpr double kRefreshSeconds = 1.0;

}  // namespace

bool CheckFirmware() {
  if (!QRN55Interface::DeviceIsOpen()) {
    Alert::OK("QRN5+5 not open!");
    return false;
  }
  int driverVersion = 0;
  int firmware = 0;
  int logic = 0;
  const int status = QRN55Interface::GetVersions(0, driverVersion, firmware, logic);
  if (status != 0) {
    QRN55Interface::GetErrorText(status, QRN55Tools::ErrorMessage);
    Alert::OK(QRN55Tools::ErrorMessage);
    return false;
  }
  if (firmware >= kFirstFpgaFirmware) return true;
  Alert::OK("QRN5+5 Firmware must be upgraded to version 8 (or later) beforehand!");
  return false;
}

bool StartUpload() {
  if (QRN55Tools::FPGA_Upload_Running()) return true;
  QRN55Tools::FPGA_Upload_Start();
  LoopDialog::HideStartItem();
  StartTime = RealTime::GetTime();
  return true;
}

bool AbortUpload() {
  if (!Alert::YesNo("Abort uploading the FPGA? QRN5+5 will remain inoperational.", false)) {
    return false;
  }
  QRN55Tools::FPGA_Upload_Abort();
  return true;
}

bool UploadDone() { return QRN55Tools::FPGA_Upload_Done(); }

void ShowElapsedTime() {
  if (!QRN55Tools::FPGA_Upload_Running()) return;
  const RealTime::TimeSeconds now = RealTime::GetTime();
  if (now < BlinkTime) return;
  char elapsed[16] = "";
  RealTime::ToTime(now - StartTime, elapsed, false);
  LoopDialog::NewMessages("", elapsed);
  BlinkTime = now + kRefreshSeconds;
}

bool UploadFPGA(std::span<const char> fileName) {
  if (!QRN55Tools::FPGA_Upload_Prepare(fileName)) {
    Alert::OK(QRN55Tools::ErrorMessage);
    return false;
  }
  BlinkTime = 0.0;
  StartTime = RealTime::GetTime();
  Strings::Assign(StartText, "");
  Strings::Assign(AbortText, "Abort");
  Strings::Assign(MessageText, "Takes about 5 min. Aborting leaves QRN5+5 inoperational.");
  Strings::Assign(Select_start, "   ");
  bool aborted = false;
  // No start text: the upload starts as soon as the dialog stands.
  LoopDialog::Show("Upload the FPGA to the QRN5+5", StartUpload, ModDialogUt::NoProc, AbortUpload,
                   UploadDone, ShowElapsedTime, Select_start, Select_start, StartText, AbortText,
                   MessageText, MessageText, aborted, false);
  if (!QRN55Tools::FPGA_Upload_Shutdown()) {
    Alert::OK(QRN55Tools::ErrorMessage);
    return false;
  }
  if (aborted) {
    Strings::Assign(QRN55Tools::ErrorMessage, "aborted");
    return false;
  }
  return true;
}

void GetAndUploadFPGA() {
  char fileName[256] = "";
  if (!FileSelect::Select(fileName, "*.TLV", FileSelect::ModeOpen, "Select FPGA File:")) return;
  if (!UploadFPGA(fileName)) return;
  Alert::Beep();
  Alert::OK("Power now the unit off and wait a few seconds.");
  TermIO::WriteString("FPGA uploaded: \"");
  TermIO::WriteString(fileName);
  TermIO::WriteString("\"");
  TermIO::WriteLn();
}

}  // namespace QrnLattice
