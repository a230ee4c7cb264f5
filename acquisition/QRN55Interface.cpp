// Device access, unit records, texts, logging and the tone of the QRN 5+5
// backend; the sweeps are in QRN55Sweeps.cpp.
#include "acquisition/QRN55Interface.h"

#include <algorithm>
#include <cmath>

#include "acquisition/QRN55InterfaceState.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/ZRVDebug.h"
#include "dialogs/Alert.h"
#include "foundation/Decode.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"

namespace QRN55Interface {

bool ScaleDacData = true;
bool ScaleAdcData = true;
QRN55DriverHandle Driver = nullptr;
QRN55DeviceHandle Device = nullptr;
int DeviceIndex = 0;

UnitDescr Units[QRN55SweepPlan::kUnits];
int ActiveUnits = 1;
std::int32_t RequestFifoLength = 0x10000;
std::int32_t MaxPulseDacSamples = 0;
std::int32_t MaxPulseAdcSamples = 0;
bool FileIOFailed = false;
bool InternalScaling = true;
bool WriteFifoCounter = false;
bool AllowPulsedSlave = true;
int FixAdcDelayOfSlave = 0;
QRN55SweepPlan::MuxMap MappedMuxAdc;

const ConfigurationCalls kRealConfiguration = {
    QRN55_DriverGetVersion, QRN55_DriverRefreshConfiguration, QRN55_DriverGetDeviceCount,
    QRN55_DeviceGetConfiguration};
ConfigurationCalls Configuration = kRealConfiguration;

namespace {

constexpr std::int32_t kMinimumFifoLength = 0x10000;
// The device's rings hold a few samples more than the FIFO length asked for.
constexpr std::int32_t kRingMargin = 8;
// A device's state while a session has it open.
constexpr int kDeviceInUse = 1;
// The slave's lag is at most a FIFO's worth of samples.
constexpr double kLongestSlaveLag = 0x10000;
// Control outputs of the tone: 0 V..5 V for 200 Hz..4000 Hz, and for full
// to no volume.
constexpr double kToneVolts = 5.0;
constexpr double kLowestTone = 200.0;
constexpr double kToneRange = 3800.0;
// The operator disconnects devices before the search is repeated.
constexpr double kRepeatWait = 1.0;

// Driver logging.
enum LogState : int {
  kLogOff = 0,        // not enabled: requests are ignored
  kLogIdle = 1,       // enabled, no log
  kLogRequested = 2,  // asked for while the driver was closed
  kLogOpened = 3,
  kLogDisabled = 4,  // open, not writing
  kLogWriting = 5,
};

char RequestedDeviceSerialNo[kTextSize];
char LastFoundDeviceNumber[kTextSize];
int DriverVersion = 0;
int ServiceVersion = 0;
bool OpenFailed = false;
bool MasterMissing = false;
bool SlaveMissing = false;
bool SoundActive = false;
int DebugStatus = kLogOff;

void InitUnitRecords(bool clearText) {
  for (UnitDescr& unit : Units) {
    if (clearText) Strings::Clear(unit.description);
    std::fill(std::begin(unit.outputScale), std::end(unit.outputScale),
              QRN55SweepPlan::kNominalScale);
    std::fill(std::begin(unit.outputOffset), std::end(unit.outputOffset), 0.0);
    std::fill(std::begin(unit.inputScale), std::end(unit.inputScale),
              QRN55SweepPlan::kNominalScale);
    std::fill(std::begin(unit.inputOffset), std::end(unit.inputOffset), 0.0);
    unit.inputAvailable = 0;
    unit.outputAvailable = 0;
    unit.status = 0;
    unit.clipping = 0;
    unit.overflow = false;
  }
  ResetSweep();
}

void ReportLogStatus(QRN55Status status) {
  if (status == QRN55_STATUS_SUCCESS) return;
  char text[128];
  GetErrorText(status, text);
  TermIO::WriteAlertLine(text);
}

// Moves the driver's log on (towards writing) or off (closed, idle), as far
// as the driver's state allows.
void SetLoggingMode(bool on, bool off) {
  if (DebugStatus == kLogOff) return;
  QRN55Status status = QRN55_STATUS_SUCCESS;
  if (on) {
    if (DebugStatus == kLogIdle || DebugStatus == kLogRequested) {
      // Without a name there is nothing to open (the debug log was shut).
      if (Strings::Length(ZRVDebug::DebugFile) == 0) return;
      if (Driver == nullptr) {
        DebugStatus = kLogRequested;
        return;
      }
      status = QRN55_ServiceLogOpen(Driver, ZRVDebug::DebugFile);
      DebugStatus = status == QRN55_STATUS_SUCCESS ? kLogOpened : kLogIdle;
    }
    if (Driver != nullptr && (DebugStatus == kLogOpened || DebugStatus == kLogDisabled)) {
      status = QRN55_ServiceLogEnable(Driver, -1);
      DebugStatus = kLogWriting;
    }
  }
  if (off) {
    if (DebugStatus > kLogDisabled) {
      if (Driver != nullptr) status = QRN55_ServiceLogDisable(Driver);
      DebugStatus = kLogDisabled;
    }
    if (DebugStatus > kLogRequested && Driver != nullptr) status = QRN55_ServiceLogClose(Driver);
    DebugStatus = kLogIdle;
    ZRVDebug::Shutdown();
  }
  ReportLogStatus(status);
}

// A control output's volts as the unit takes them (a value that is no number
// gives 0 V).
double ToneVolts(double volts) {
  if (!(volts > 0.0)) return 0.0;
  return std::min(volts, kToneVolts);
}

int DeactivateSound() {
  const int first = QRN55_ControlOutputWrite(Device, 0, 0, 0.0);
  const int second = QRN55_ControlOutputWrite(Device, 0, 1, kToneVolts);
  if (second == QRN55_STATUS_SUCCESS) SoundActive = false;
  return first != QRN55_STATUS_SUCCESS ? first : second;
}

void CloseDevice() {
  if (Device != nullptr) {
    SoundOff();
    QRN55_DeviceClose(Device);
  }
  Device = nullptr;
  SoundActive = false;
  FileIOFailed = false;
}

// Finds, from startIndex on, the device whose serial number matches serial
// (see Open for the modes); serial := its exact text.
int FindDevice(std::span<char> serial, int startIndex, int matchMode) {
  if (Strings::Length(serial) == 0) matchMode = 0;
  DeviceIndex = std::max(startIndex, 0);
  int count = 0;
  int status = Configuration.DriverGetDeviceCount(Driver, &count);
  if (status != QRN55_STATUS_SUCCESS) return status;
  for (;; ++DeviceIndex) {
    if (DeviceIndex >= count) return count <= 0 ? kNoDevice : kDeviceNotFound;
    int state = 0;
    status = Configuration.DeviceGetConfiguration(Driver, DeviceIndex, &state,
                                                  LastFoundDeviceNumber, kTextSize);
    if (status != QRN55_STATUS_SUCCESS) return status;
    bool match = true;
    if (matchMode == 2) {
      match = Strings::Equal(LastFoundDeviceNumber, serial);
    } else if (matchMode == 1 || matchMode == 3) {
      match = EqualDeviceNumbers(LastFoundDeviceNumber, serial);
    }
    if (!match) continue;
    if (state != kDeviceInUse) {
      Strings::Assign(serial, LastFoundDeviceNumber);
      return QRN55_STATUS_SUCCESS;
    }
    if (matchMode != 1) return kDeviceNotAvailable;
  }
}

int OpenDevice() {
  MaxPulseDacSamples = 0;
  MaxPulseAdcSamples = 0;
  int status = QRN55_DeviceOpen(Driver, DeviceIndex, RequestFifoLength + kRingMargin, &Device);
  if (status != QRN55_STATUS_SUCCESS) {
    if (status == QRN55_ERROR_DeviceNotAvailable()) {
      // Each text names the unit that was found: a single unit that is not
      // ready keeps the driver's text.
      const bool master = QRN55Tools::UnitConnected(0);
      const bool slave = QRN55Tools::UnitConnected(1);
      MasterMissing = slave && !master;
      SlaveMissing = master && !slave;
    }
    Close();
    return status;
  }
  int count = 0;
  status = QRN55_DeviceGetUnitCount(Device, &count);
  ActiveUnits = std::clamp(count, 1, QRN55SweepPlan::kUnits);
  for (int unit = 0; unit < ActiveUnits && status == QRN55_STATUS_SUCCESS; ++unit) {
    UnitDescr& record = Units[unit];
    int inputFifo = 0;
    int outputFifo = 0;
    status = QRN55_UnitGetConfiguration(Device, unit, record.description, kTextSize, &inputFifo,
                                        &outputFifo);
    MaxPulseDacSamples = std::max(MaxPulseDacSamples, outputFifo / 8);
    MaxPulseAdcSamples = std::max(MaxPulseAdcSamples, inputFifo / 8);
    for (int channel = 1; channel <= kOutputChannels && status == QRN55_STATUS_SUCCESS; ++channel) {
      status = QRN55_UnitGetOutputScaling(Device, unit, channel, &record.outputScale[channel - 1],
                                          &record.outputOffset[channel - 1]);
    }
    for (int channel = 1; channel <= kInputChannels && status == QRN55_STATUS_SUCCESS; ++channel) {
      status = QRN55_UnitGetInputScaling(Device, unit, channel, &record.inputScale[channel - 1],
                                         &record.inputOffset[channel - 1]);
    }
  }
  if (status != QRN55_STATUS_SUCCESS) {
    Close();
    return status;
  }
  return DeactivateSound();
}

// The driver looks for devices again; none of ours stays open meanwhile.
int Rescan() {
  CloseDevice();
  return Configuration.DriverRefreshConfiguration(Driver);
}

// The one device connected, searched from the first; several make the
// operator choose between giving up and trying again.
int FindOnlyDevice(std::span<char> serial, std::span<char> message) {
  for (;;) {
    char first[kTextSize] = "";
    int status = FindDevice(first, DeviceIndex, 0);
    if (status != QRN55_STATUS_SUCCESS) {
      GetErrorText(status, message);
      return status;
    }
    char second[kTextSize] = "";
    if (FindDevice(second, DeviceIndex + 1, 0) != QRN55_STATUS_SUCCESS) {
      Strings::Assign(serial, first);
      SetDeviceSerialNumber(first);
      return QRN55_STATUS_SUCCESS;
    }
    char question[256] = "Multiple QRN 5+5 Devices found.";
    Strings::Concat(question, Alert::LF);
    Strings::Concat(question, Alert::LF);
    Strings::Concat(question, "To identify the correct QRN 5+5 device, ");
    Strings::Concat(question, "power off or disconnect all other QRN 5+5 devices.");
    if (Alert::Choice(question, "Abort", "", "Repeat", 3) != 3) {
      Strings::Assign(message, "Multiple Devices found.");
      return kNotSupported;
    }
    DeviceIndex = 0;
    RealTime::Wait(kRepeatWait);
    status = Rescan();
    if (status != QRN55_STATUS_SUCCESS) {
      GetErrorText(status, message);
      return status;
    }
  }
}

void AppendVersions(std::span<char> text) {
  Decode::Integer(DriverVersion, text, 0);
  Strings::Concat(text, "/");
  Decode::Integer(ServiceVersion, text, 0);
}

// A factor that is a number and not 0 replaces the caller's.
void SetFactor(double& factor, double value) {
  if (std::isfinite(value) && value != 0.0) factor = value;
}

bool ValidIndex(int unit, int index, int count) {
  return unit >= 0 && unit < QRN55SweepPlan::kUnits && index >= 0 && index < count;
}

}  // namespace

int Checked(int status) {
  if (status == QRN55_ERROR_FileIO()) FileIOFailed = true;
  return status;
}

void InitModule() {
  Driver = nullptr;
  Device = nullptr;
  DeviceIndex = 0;
  Strings::Clear(RequestedDeviceSerialNo);
  Strings::Clear(LastFoundDeviceNumber);
  DriverVersion = 0;
  ServiceVersion = 0;
  RequestFifoLength = kMinimumFifoLength;
  ActiveUnits = 1;
  MaxPulseDacSamples = 0;
  MaxPulseAdcSamples = 0;
  OpenFailed = false;
  FileIOFailed = false;
  MasterMissing = false;
  SlaveMissing = false;
  SoundActive = false;
  InternalScaling = true;
  MappedMuxAdc = {};
  DebugStatus = kLogOff;
  InitSweeps();
  InitUnitRecords(true);

  ScaleDacData = !TellTaleFile::Exists("QRN55_Scale.Off");
  ScaleAdcData = ScaleDacData;
  WriteFifoCounter = TellTaleFile::Exists("QRN55WriteFifoCounter.On");
  AllowPulsedSlave = !TellTaleFile::Exists("QRN55PulsedSlave.Off");
  const double lag = TellTaleFile::Number("QRN55AdcDelaySlave.On");
  FixAdcDelayOfSlave =
      std::isfinite(lag)
          ? static_cast<int>(std::lround(std::clamp(lag, -kLongestSlaveLag, kLongestSlaveLag)))
          : 0;

  ZRVDebug::InterfaceActivateLogging = ActivateLogging;
}

bool DriverIsOpen() { return Driver != nullptr; }
bool DeviceIsOpen() { return Device != nullptr; }

void SetDeviceSerialNumber(std::span<const char> serial) {
  Strings::Assign(RequestedDeviceSerialNo, serial);
}

std::int32_t SetFIFOLength(std::int32_t samples) {
  RequestFifoLength = std::clamp(samples, kMinimumFifoLength, INT32_MAX - kRingMargin);
  return RequestFifoLength;
}

int OpenDriver() {
  Close();
  InitUnitRecords(true);
  // A log asked for while the driver was closed waits for it.
  if (ZRVDebug::DebugOn && DebugStatus == kLogOff) DebugStatus = kLogIdle;
  DriverVersion = 0;
  ServiceVersion = 0;
  OpenFailed = false;
  FileIOFailed = false;
  MasterMissing = false;
  SlaveMissing = false;

  const QRN55Status opened = QRN55_DriverOpen(&Driver, 1);
  SetLoggingMode(DebugStatus == kLogRequested, false);
  char message[kTextSize];
  Configuration.DriverGetVersion(Driver, &DriverVersion, &ServiceVersion, message, kTextSize);
  if (opened != QRN55_STATUS_SUCCESS) {
    OpenFailed = true;
    return opened;
  }
  if (DriverVersion < kRequiredDriverVersion || ServiceVersion < kRequiredServiceVersion) {
    return kDriverVersion;
  }
  int status = Configuration.DriverRefreshConfiguration(Driver);
  if (status != QRN55_STATUS_SUCCESS) return status;
  int count = 0;
  status = Configuration.DriverGetDeviceCount(Driver, &count);
  if (status != QRN55_STATUS_SUCCESS) return status;
  return count <= 0 ? kNoDevice : QRN55_STATUS_SUCCESS;
}

int Open(int startIndex, int matchMode) {
  int status = OpenDriver();
  if (status == QRN55_STATUS_SUCCESS) {
    status = FindDevice(RequestedDeviceSerialNo, startIndex, matchMode);
  }
  if (status == QRN55_STATUS_SUCCESS) status = OpenDevice();
  if (status != QRN55_STATUS_SUCCESS) Close();
  return status;
}

int DriverRefresh() {
  if (Driver == nullptr) return kNotOpen;
  const int status = Rescan();
  if (status != QRN55_STATUS_SUCCESS) return status;
  return OpenDevice();
}

int ResetUSB() {
  if (Driver == nullptr || Device == nullptr) return QRN55_STATUS_SUCCESS;
  return Open(0, 3);
}

void Close() {
  CloseDevice();
  if (Driver != nullptr) {
    SetLoggingMode(false, true);
    QRN55_DriverClose(Driver);
    Driver = nullptr;
  }
  DeviceIndex = 0;
  InitUnitRecords(false);
}

void Shutdown() {
  Close();
  FreeCache();
}

int CheckDeviceNumber(std::span<char> serial, std::span<char> message) {
  int status = OpenDriver();
  if (status != QRN55_STATUS_SUCCESS) {
    GetErrorText(status, message);
  } else if (Strings::Length(serial) > 0) {
    status = FindDevice(serial, 0, 3);
    if (status == kDeviceNotFound) {
      Strings::Assign(message, "Device \"");
      Strings::Concat(message, serial);
      Strings::Concat(message, "\" not found, last was \"");
      Strings::Concat(message, LastFoundDeviceNumber);
      Strings::Concat(message, "\".");
    } else if (status != QRN55_STATUS_SUCCESS) {
      GetErrorText(status, message);
    } else {
      SetDeviceSerialNumber(serial);
    }
  } else {
    status = FindOnlyDevice(serial, message);
  }
  Close();
  return status;
}

bool EqualDeviceNumbers(std::span<const char> a, std::span<const char> b) {
  char first[kTextSize];
  char second[kTextSize];
  Strings::Assign(first, a);
  Strings::Assign(second, b);
  // These characters tell joined units of one device apart (type digit,
  // unit index).
  for (int position : {8, 9, 14}) {
    if (position < Strings::Length(first)) first[position] = '0';
    if (position < Strings::Length(second)) second[position] = '0';
  }
  return Strings::Equal(first, second);
}

int GetInfo(std::int32_t& fifoLength, std::int32_t& dacCount, std::int32_t& adcCount,
            std::int32_t& unitCount) {
  fifoLength = RequestFifoLength;
  dacCount = 4 * ActiveUnits;
  adcCount = 8 * ActiveUnits;
  unitCount = ActiveUnits;
  return QRN55_STATUS_SUCCESS;
}

void GetUnitSerialNumber(int unit, std::span<char> serial) {
  Strings::Clear(serial);
  if (unit < 0 || unit > ActiveUnits) return;
  Strings::Assign(serial, Units[unit < 2 ? 0 : 1].description);
}

void MapMuxAdc(std::int32_t adcRack1, std::int32_t adcRack2) {
  MappedMuxAdc = {adcRack1, adcRack2};
}

void GetDacScale(int unit, int index, double& scale, double& offset) {
  scale = 0.0;
  offset = 0.0;
  if (!ValidIndex(unit, index, kOutputChannels)) return;
  scale = Units[unit].outputScale[index];
  offset = Units[unit].outputOffset[index];
}

void SetDacScale(int unit, int index, double scale, double offset) {
  if (!ValidIndex(unit, index, kOutputChannels)) return;
  Units[unit].outputScale[index] = scale;
  Units[unit].outputOffset[index] = offset;
}

void GetAdcScale(int unit, int index, double& scale, double& offset) {
  scale = 0.0;
  offset = 0.0;
  if (!ValidIndex(unit, index, kInputChannels)) return;
  scale = Units[unit].inputScale[index];
  offset = Units[unit].inputOffset[index];
}

void SetAdcScale(int unit, int index, double scale, double offset) {
  if (!ValidIndex(unit, index, kInputChannels)) return;
  Units[unit].inputScale[index] = scale;
  Units[unit].inputOffset[index] = offset;
}

void SetScaling(bool& internal, std::span<double, 14> dacUnitsPerVolt,
                std::span<double, 22> adcUnitsPerVolt) {
  if (!ScaleDacData || !ScaleAdcData) internal = true;
  InternalScaling = internal;
  if (internal) return;
  constexpr double kCodesPerVolt = 3200.0;
  const auto setDac = [&](std::int32_t code) {
    const QRN55SweepPlan::UnitChannel output = QRN55SweepPlan::DacChannel(code);
    const double scale =
        QRN55SweepPlan::UsableScale(Units[output.unit].outputScale[output.channel - 1]);
    SetFactor(dacUnitsPerVolt[static_cast<std::size_t>(code)],
              scale / QRN55SweepPlan::kNominalScale * kCodesPerVolt);
  };
  const auto setAdc = [&](std::int32_t code) {
    const QRN55SweepPlan::UnitChannel input = QRN55SweepPlan::AdcChannel(code, MappedMuxAdc);
    SetFactor(adcUnitsPerVolt[static_cast<std::size_t>(code)],
              1.0 / QRN55SweepPlan::UsableScale(Units[input.unit].inputScale[input.channel - 1]));
  };
  for (std::int32_t code = 0; code < 4 * ActiveUnits; ++code) setDac(code);
  setDac(10);
  setDac(13);
  for (std::int32_t code = 0; code < 8 * ActiveUnits; ++code) setAdc(code);
  setAdc(18);
  setAdc(21);
}

int GetVersions(int unit, int& driverVersion, int& firmware, int& logic) {
  driverVersion = DriverVersion;
  firmware = 0;
  logic = 0;
  if (Device == nullptr) return QRN55_STATUS_SUCCESS;
  if (unit < 0) return QRN55_STATUS_INVALID_UNIT;
  const int status = QRN55_ServiceGetUnitHardware(Driver, DeviceIndex, unit, &firmware, &logic);
  // An FPGA that was never loaded reads as 255.
  if (logic == 255) logic = 0;
  return status;
}

bool ValidateFpgaVersion(std::span<char> message) {
  constexpr int kFpgaWithFirmware8 = 16;
  constexpr int kFirmwareForFpga16 = 8;
  int driverVersion = 0;
  int firmware = 0;
  int logic = 0;
  const int status = GetVersions(0, driverVersion, firmware, logic);
  if (status != QRN55_STATUS_SUCCESS) {
    GetErrorText(status, message);
    return false;
  }
  if (logic == 0) return true;
  if (logic == kFpgaWithFirmware8) {
    if (firmware >= kFirmwareForFpga16) return true;
    Strings::Assign(message, "Firmware (");
    Decode::Integer(firmware, message, 0);
    Strings::Concat(message, ") incompatible with FPGA");
    Decode::Integer(logic, message, 0);
    Strings::Concat(message, ")");
    return false;
  }
  Strings::Assign(message, "QRN5+5: incorrect FPGA version (");
  Decode::Integer(logic, message, 0);
  Strings::Concat(message, ")");
  return false;
}

int SoundOn(double frequency, double volume) {
  if (Device == nullptr) return kNotOpen;
  const double pitch = (frequency - kLowestTone) / kToneRange * kToneVolts;
  int status = QRN55_ControlOutputWrite(Device, 0, 0, ToneVolts(pitch));
  if (status != QRN55_STATUS_SUCCESS) return status;
  status = QRN55_ControlOutputWrite(Device, 0, 1, ToneVolts(kToneVolts - kToneVolts * volume));
  if (status != QRN55_STATUS_SUCCESS) return status;
  SoundActive = true;
  return QRN55_STATUS_SUCCESS;
}

int SoundOff() { return SoundIsOn() ? DeactivateSound() : QRN55_STATUS_SUCCESS; }

bool SoundIsOn() { return Device != nullptr && SoundActive; }

void ActivateLogging() {
  if (DebugStatus == kLogOff) DebugStatus = kLogIdle;
  SetLoggingMode(true, false);
}

bool SetLogging(bool on) {
  SetLoggingMode(on, !on);
  return IsLogging();
}

bool IsLogging() {
  return DebugStatus == kLogRequested || DebugStatus == kLogOpened || DebugStatus == kLogWriting;
}

void GetErrorText(int code, std::span<char> text) {
  if (text.empty()) return;
  constexpr char kDriverName[] = "QRN55Driver.dll";
  Strings::Clear(text);
  switch (code) {
    case kDriverNotFound:
      Strings::Assign(text, kDriverName);
      Strings::Concat(text, " not found.");
      break;
    case kFunctionNotFound:
      Strings::Assign(text, "Function not found in ");
      Strings::Concat(text, kDriverName);
      Strings::Concat(text, ".");
      break;
    case kDriverNotLoaded:
      Strings::Assign(text, kDriverName);
      Strings::Concat(text, " not loaded.");
      break;
    case kDriverTooOld:
      Strings::Assign(text, kDriverName);
      Strings::Concat(text, " too old.");
      break;
    case kNotSupported:
      Strings::Assign(text, "Function not supported.");
      break;
    case kNotOpen:
      Strings::Assign(text, "Driver not opened.");
      break;
    case kNoDevice:
      Strings::Assign(text, "No Device.");
      break;
    case kDeviceNotAvailable:
      Strings::Assign(text, "Device is not available.");
      break;
    case kDeviceNotFound:
      Strings::Assign(text, "Device not found.");
      break;
    case kDriverVersion:
      Strings::Assign(text, "QRN5+5 driver (v");
      AppendVersions(text);
      Strings::Concat(text, ") must be at least v");
      Decode::Integer(kRequiredDriverVersion, text, 0);
      Strings::Concat(text, "/");
      Decode::Integer(kRequiredServiceVersion, text, 0);
      Strings::Concat(text, ".");
      break;
    case kSlotConfiguration:
      Strings::Assign(text, "Slot configuration error.");
      break;
    case kFIFOOverflow:
      Strings::Assign(text, "FIFO overflow.");
      break;
    case kAllocation:
      Strings::Assign(text, "Allocation error.");
      break;
    case kInternal:
      Strings::Assign(text, "Internal error.");
      break;
    case kAcquisitionTimeout:
      Strings::Assign(text, "Acquisition Timeout.");
      break;
    default:
      if (code == QRN55_ERROR_DeviceNotAvailable() && MasterMissing) {
        Strings::Assign(text, "Slave unit found, Master unit not available");
      } else if (code == QRN55_ERROR_DeviceNotAvailable() && SlaveMissing) {
        Strings::Assign(text, "Master unit found, Slave unit not available");
      } else {
        QRN55_GetStatusDescription(code, text.data(), static_cast<int>(text.size()));
      }
  }
  if (OpenFailed) {
    Strings::Concat(text, " (v");
    AppendVersions(text);
    Strings::Concat(text, ")");
  }
  if (code == kNoDevice || code == kDeviceNotAvailable) {
    Strings::Concat(text, " Please, check power and connections.");
  }
}

}  // namespace QRN55Interface
