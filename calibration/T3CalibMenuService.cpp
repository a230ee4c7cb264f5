#include "calibration/T3CalibMenuService.h"

#include <cstdint>

#include "acquisition/QRN55Tools.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "calibration/QRN55CalibBackup.h"
#include "calibration/T3CalibMenu.h"
#include "calibration/Tlv3Init.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"

namespace T3CalibMenu {

namespace {

constexpr int kNameSize = 256;

bool Refuse(std::span<const char> message) {
  Alert::OK(message);
  return false;
}

// The interface and the amplifier are no longer in service: they must be
// initialised again, and the menu shows it.
void Release() {
  Tlv3Init::Shutdown();
  UpdateVersionMenu();
}

}  // namespace

void ScaleFromEEPROM() {
  T3Base::ScaleFromDisk = false;
  UpdateVersionMenu();
}

void ScaleFromDisk() {
  T3Base::ScaleFromDisk = true;
  UpdateVersionMenu();
}

void JoinUnits() {
  ZRV::JoinUnits();
  Release();
}

void SplitUnits() {
  ZRV::SplitUnits();
  Release();
}

void WriteFPGA() { Alert::OK("Function requires \"Windows\"."); }

bool CheckDeviceAndUnitCount() {
  std::int32_t devices = 0;
  if (!QRN55Tools::OpenIfNotOpen() || !QRN55Tools::GetDeviceCount(devices)) {
    return Refuse(QRN55Tools::ErrorMessage);
  }
  if (devices <= 0) return Refuse("Error: no QRN5+5 devices found!");
  if (devices >= 2) return Refuse("Error: multiple QRN5+5 device connected - only one allowed!");
  const std::int32_t units = QRN55Tools::GetUnitCount();
  if (units <= 0) return Refuse("Error: no unit found in this device!");
  if (units >= 2) return Refuse("Error: this device has more than one unit. Split it first!");
  return true;
}

bool Save_QRN55_Calibration() { return QRN55CalibBackup::Save(); }

void QRN55_WriteFirmware() {
  char name[kNameSize] = {};
  if (!FileSelect::Select(name, "*.TLV", FileSelect::ModeOpen, "Select Firmware File:")) return;
  if (!CheckDeviceAndUnitCount()) return;
  if (!Save_QRN55_Calibration()) return;
  if (!QRN55Tools::WriteFirmware(name, -1)) Alert::OK(QRN55Tools::ErrorMessage);
  Release();
  Alert::OK("Power now the unit off and on again.");
}

}  // namespace T3CalibMenu
