// Joining two units into one device and splitting them again, with the
// operator's steps; and the small device queries they and the calibration
// menu share.
#include <algorithm>
#include <initializer_list>

#include "Common/QRN55/Driver/QRN55.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/VrnlBoards.h"
#include "dialogs/Alert.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"

namespace QRN55Tools {

namespace {

constexpr std::int32_t kDriverNotOpen = -6;
constexpr int kPolls = 5;
constexpr double kPollSeconds = 1.0;
constexpr int kOK = 3;  // the button every prompt here puts in the third place

bool Fail(std::span<const char> text) {
  Strings::Assign(ErrorMessage, text);
  return false;
}

bool InterfaceFailure(std::int32_t status) {
  QRN55Interface::GetErrorText(status, ErrorMessage);
  return false;
}

// The alert line break among the pieces of an alert text.
constexpr std::span<const char> LF{};

// message := the pieces joined; LF stands for the alert line break.
void AlertText(std::span<char> message, std::initializer_list<std::span<const char>> pieces) {
  Strings::Clear(message);
  for (std::span<const char> piece : pieces) {
    Strings::Concat(message, piece.empty() ? std::span<const char>(Alert::LF) : piece);
  }
}

// The working copy becomes the record of unit unitIndex of the joined device
// whose device serial is newMaster.
void MakeJoined(std::int32_t unitIndex, std::span<const char> newMaster) {
  DeviceInformation.unitIndex = unitIndex;
  DeviceInformation.unitCount = 2;
  UpdateDeviceType();
  std::fill_n(DeviceInformation.deviceSerialNumber, 32, '\0');
  Strings::Assign(DeviceInformation.deviceSerialNumber, newMaster);
}

// Writes the slave's record (the device open now is the slave) and then the
// master's.
bool JoinSlaveAndMaster(std::span<const char> oldMaster, std::span<const char> newMaster) {
  const std::int32_t units = GetUnitCount();
  if (units == 0) return Fail("Error: no unit found in the slave device!");
  if (units >= 2) return Fail("Error: slave device has more than one unit. Split it first!");
  if (!DoReadDeviceInformation("JoinUnits-Read-3", 0)) return false;
  MakeJoined(1, newMaster);
  if (!DoWriteDeviceInformation("JoinUnits-Write-1", 0)) return false;

  // From here a failure leaves the slave joined and the master single.
  bool ok = true;
  QRN55Interface::SetDeviceSerialNumber(oldMaster);
  const std::int32_t status = QRN55Interface::Open(0, 2);
  if (status != 0) {
    ok = InterfaceFailure(status);
  } else if (DoReadDeviceInformation("JoinUnits-Read-4", 0)) {
    MakeJoined(0, newMaster);
    ok = DoWriteDeviceInformation("JoinUnits-Write-2", 0);
  } else {
    ok = false;
  }
  if (!ok) {
    TermIO::WriteAlertLine(
        "The slave unit was joined, the master was not: split each unit on its own "
        "to restore both.");
    return false;
  }
  QRN55Interface::Close();
  return true;
}

}  // namespace

bool UnitConnected(std::int32_t unit) {
  if (QRN55Interface::Driver == nullptr) return InterfaceFailure(kDriverNotOpen);
  int count = 0;
  QRN55Status status =
      QRN55_ServiceGetUnitCount(QRN55Interface::Driver, QRN55Interface::DeviceIndex, &count);
  if (status != 0) return InterfaceFailure(status);
  if (unit >= 0 && unit < count) {
    int unitStatus = 0;
    status = QRN55_ServiceGetUnitStatus(QRN55Interface::Driver, QRN55Interface::DeviceIndex, unit,
                                        &unitStatus);
    if (status != 0) return InterfaceFailure(status);
    if (unitStatus == 0) return true;
    if (unitStatus != QRN55_UNIT_STATUS_MISSING) {
      Strings::Assign(ErrorMessage, "Unit status error ");
      Decode::Integer(unitStatus, ErrorMessage, 0);
      Strings::Concat(ErrorMessage, " on unit ");
      Decode::Integer(unit + 1, ErrorMessage, 0);
      Strings::Concat(ErrorMessage, ".");
      return false;
    }
  }
  Strings::Assign(ErrorMessage, "Unit ");
  Decode::Integer(unit + 1, ErrorMessage, 0);
  Strings::Concat(ErrorMessage, " is not ready.");
  return false;
}

bool GetDeviceCount(std::int32_t& count) {
  count = 0;
  if (QRN55Interface::Driver == nullptr) return InterfaceFailure(kDriverNotOpen);
  int devices = 0;
  const QRN55Status status = QRN55_DriverGetDeviceCount(QRN55Interface::Driver, &devices);
  if (status != 0) return InterfaceFailure(status);
  count = devices;
  return true;
}

std::int32_t GetUnitCount() {
  QRN55Status status = kDriverNotOpen;
  int count = 0;
  if (QRN55Interface::Device != nullptr) {
    status = QRN55_DeviceGetUnitCount(QRN55Interface::Device, &count);
  }
  if (status == 0) return count;
  InterfaceFailure(status);
  return 0;
}

bool OpenIfNotOpen() {
  if (!QRN55Interface::DriverIsOpen()) {
    const std::int32_t status = QRN55Interface::OpenDriver();
    if (status != 0) return InterfaceFailure(status);
  }
  if (!QRN55Interface::DeviceIsOpen()) {
    const std::int32_t status = QRN55Interface::Open(0, 0);
    if (status != 0) return InterfaceFailure(status);
  }
  return true;
}

bool DriverRefresh() {
  const std::int32_t status = QRN55Interface::DriverRefresh();
  if (status != 0) return InterfaceFailure(status);
  return true;
}

bool JoinUnits(bool& cancelled) {
  cancelled = false;
  std::int32_t devices = 0;
  if (!OpenIfNotOpen() || !GetDeviceCount(devices)) return false;
  if (devices == 0) return Fail("Error: no devices to join!");
  if (devices >= 2) return Fail("Error: Remove all devices but the Master device!");
  const std::int32_t units = GetUnitCount();
  if (units == 0) return Fail("Error: no unit found in this device!");
  if (units >= 2) return Fail("Error: this device has more than one unit. Split it first!");

  if (!DoReadDeviceInformation("JoinUnits-Read-1", 0)) return false;
  char oldMaster[80] = "";
  QRN55Interface::GetUnitSerialNumber(0, oldMaster);
  DeviceInformation.unitIndex = 0;
  DeviceInformation.unitCount = 2;
  UpdateDeviceType();
  char newMaster[80] = "";
  GetUnitSerialNumber(newMaster);
  // Back to the record as stored.
  if (!DoReadDeviceInformation("JoinUnits-Read-2", 0)) return false;

  char prompt[256];
  AlertText(prompt, {"Master unit identified and on-line.", LF, LF, "Now, power ON the slave unit",
                     LF, "and leave the master unit powered on:"});
  for (;;) {
    if (Alert::Choice(prompt, "Cancel", "", "Continue", kOK) != kOK) {
      cancelled = true;
      return true;
    }
    for (int poll = 0; poll < kPolls && devices != 2; ++poll) {
      VrnlBoards::Wait(kPollSeconds);
      if (!DriverRefresh() || !GetDeviceCount(devices)) return false;
      if (devices == 0) return Fail("Error: no devices to join!");
      if (devices > 2) return Fail("Error: More than 2 devices found!");
    }
    if (devices == 2) break;
  }

  for (std::int32_t k = 0;; ++k) {
    const std::int32_t status = QRN55Interface::Open(k, 0);
    if (status != 0) return InterfaceFailure(status);
    char serial[80] = "";
    QRN55Interface::GetUnitSerialNumber(0, serial);
    if (!QRN55Interface::EqualDeviceNumbers(serial, oldMaster)) {
      return JoinSlaveAndMaster(oldMaster, newMaster);
    }
  }
}

bool DoJoinUnits(bool& cancelled, bool quiet) {
  cancelled = false;
  char message[256];
  if (!quiet) {
    AlertText(message, {"Connect both units to the USB input of the computer.", LF,
                        "Power ON the unit which will be the master unit.", LF,
                        "Power OFF the unit which will be the slave unit."});
    if (Alert::Choice(message, "Abort", "", "OK", kOK) != kOK) {
      cancelled = true;
      return false;
    }
  }
  const bool ok = JoinUnits(cancelled);
  if (!quiet) {
    if (!ok) {
      Alert::OK(ErrorMessage);
    } else if (!cancelled) {
      AlertText(message, {"Now, power both units off, then both on again.", LF, LF,
                          "Make sure the \"Master Sync\" of the master unit "
                          "is connected to the \"Slave Sync\" of the slave "
                          "unit with an Ethernet cable."});
      Alert::Choice(message, "", "", "OK", kOK);
    }
  }
  return ok;
}

bool SplitUnits() {
  if (!QRN55Interface::DriverIsOpen()) {
    const std::int32_t status = QRN55Interface::OpenDriver();
    if (status != 0) return InterfaceFailure(status);
  }
  bool ok = true;
  for (std::int32_t unit = 0; unit < 2; ++unit) {
    if (!UnitConnected(unit)) continue;
    if (DoReadDeviceInformation("SplitUnits-Read", unit)) {
      DeviceInformation.unitIndex = 0;
      DeviceInformation.unitCount = 1;
      UpdateDeviceType();
      if (DoWriteDeviceInformation("SplitUnits-Write", unit)) continue;
    }
    TermIO::WriteAlertLine(ErrorMessage);
    ok = false;
  }
  return DriverRefresh() && ok;
}

bool DoSplitUnits(bool quiet) {
  char message[256];
  if (!quiet) {
    AlertText(message, {"Connect any unit to be split to the USB input of "
                        "the computer, and power all ON.",
                        LF});
    if (Alert::Choice(message, "Abort", "", "OK", kOK) != kOK) return false;
  }
  const bool ok = SplitUnits();
  if (!quiet) {
    if (ok) {
      AlertText(message, {"Now, power all units off.", LF, LF,
                          "Make sure that any cable in the \"Master Sync\" "
                          "as well as the \"Slave Sync\" connectors are removed."});
      Alert::Choice(message, "", "", "OK", kOK);
    } else {
      Alert::OK(ErrorMessage);
    }
  }
  return ok;
}

}  // namespace QRN55Tools
