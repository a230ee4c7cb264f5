// Board types, state, opening, initialisation, closing, errors and the small
// setters of the AD/DA layer.
#include "acquisition/ZRV.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>

#include "acquisition/ADTimerTask.h"
#include "acquisition/QRN24.h"
#include "acquisition/QRN2400.h"
#include "acquisition/QRN28.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRVDebug.h"
#include "acquisition/ZRVLibrary.h"
#include "acquisition/ZRVState.h"
#include "foundation/Decode.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"
#include "shell/Mouse.h"

namespace ZRV {

namespace Internal {

ModuleState Z;

namespace {

// The error text is composed on whichever thread finds the error (the timer
// task's too) and read by the main thread.
std::mutex errorTextMutex;

constexpr double kRetryWait = 0.1;
constexpr int kRetries = 11;

constexpr std::int32_t kRequiredMajor = 19;
constexpr std::int32_t kRequiredMinor = 1;
constexpr std::int32_t kNewestMajor = 10000;

// FIFO counter test: an input-only acquisition of this many samples at this
// interval must count within the time.
constexpr std::int32_t kCounterSamples = 16000;
constexpr double kCounterInterval = 1e-4;
constexpr double kCounterPoll = 0.001;
constexpr double kCounterTime = 1.0;

constexpr int kCounterIllegal = 1;
constexpr int kCounterStill = 2;
constexpr int kCounterCounts = 3;

bool IsLibraryBoard(BoardType type) { return type <= ZRVBase::BoardQRN2400; }

void SelectBoardType(BoardType type) {
  Z.zrv28Mode = 0;
  Z.pipelineLength = 0;
  ZRVBase::MaxInVolts = 10.24;
  ZRVBase::MinInVolts = -10.24;
  ZRVBase::MaxOutVolts = 10.24;
  ZRVBase::MinOutVolts = -10.24;
  switch (type) {
    case ZRVBase::BoardZRV24:
      ZRVBase::SecPerTick = 1e-6;
      ZRVBase::FIFOLength = 0x3FFF;
      break;
    case ZRVBase::BoardZRV28:
      ZRVBase::SecPerTick = 1.25e-6;
      ZRVBase::FIFOLength = 0x40000;
      break;
    case ZRVBase::BoardQRN2400: {
      std::int32_t in = 0;
      std::int32_t out = 0;
      QRN2400_GetDigChanOffsets(in, out);
      Z.fastOutPort = out;
      Z.tlvOutPort = out + 1;
      Z.userOutPort = out + 2;
      Z.fastInPort = in;
      Z.userInPort = in + 1;
      Z.tlvInPort = in + 2;
      ZRVBase::SecPerTick = 5e-6;
      ZRVBase::FIFOLength = 0x100000;
      break;
    }
    case ZRVBase::BoardQRN55:
    case ZRVBase::BoardNone:
      ZRVBase::SecPerTick = 5e-6;
      ZRVBase::FIFOLength = 0x10000;
      break;
    default:
      type = ZRVBase::BoardZRV24;
      ZRVBase::SecPerTick = 1e-6;
      ZRVBase::FIFOLength = 0x3FFF;
      break;
  }
  Z.boardType = type;
  Z.activeUnits = 1;
  ZRVBase::NumberDacChannels = 4;
  ZRVBase::NumberAdcChannels = 8;
  ZRVBase::NumberDigOutChannels = 1;
  ZRVBase::NumberDigInChannels = 1;
  ZRVBase::MinSamplingTime = 5e-6;
  ZRVBase::MaxSamplingTime = 0.05;
  if (type != ZRVBase::BoardZRV28) std::fill(std::begin(Z.adcRange), std::end(Z.adcRange), 0);
  SetScalingFactors();
  RemapAdc();
}

void BoardPrefix(std::span<char> text) {
  const auto number = [&text] {
    Strings::Concat(text, Z.boardNumber < 3 ? "[PCI-" : "[USB-");
    Decode::Integer(Z.boardNumber % 3, text, 0);
    Strings::Concat(text, "]");
  };
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28:
      ZRVBase::ToInterfaceName(Z.boardType, text);
      number();
      break;
    case ZRVBase::BoardQRN2400:
      ZRVBase::ToInterfaceName(Z.boardType, text);
      if (Z.boardNumber > 0) number();
      break;
    case ZRVBase::BoardQRN55:
      ZRVBase::ToInterfaceName(Z.boardType, text);
      break;
    default:
      Strings::Assign(text, "Unknown AD/DA-board. ");
      return;
  }
  Strings::Concat(text, " error: ");
}

// Repeats the call while it gives a status the board may recover from,
// 0.1 s apart, turning the wait cursor.
template <typename Call>
std::int32_t Retry(Call call, bool (*again)(std::int32_t status)) {
  std::int32_t status = call();
  for (int attempt = 1; attempt < kRetries && again(status); ++attempt) {
    SpinCursorIfShown();
    RealTime::Wait(kRetryWait);
    status = call();
  }
  return status;
}

// No record for a size of 0: the open then fails in the library.
bool AllocateRecord(std::int32_t size) {
  Z.record.reset(size > 0 ? new (std::nothrow) std::byte[static_cast<std::size_t>(size)] : nullptr);
  Z.handle = Z.record.get();
  return size <= 0 || Z.record != nullptr;
}

void ReleaseHandle() {
  Z.record.reset();
  Z.handle = nullptr;
}

bool ValidVersion() {
  char message[256] = "";
  if (Z.boardType == ZRVBase::BoardQRN55) {
    return QRN55Interface::ValidateFpgaVersion(message) || Fail(message);
  }
  std::int32_t major = 0;
  std::int32_t minor = 0;
  if (!Check(QRN2400_GetDriverVersion(Z.handle, major, minor))) return false;
  std::int32_t requiredMajor = kRequiredMajor;
  std::int32_t requiredMinor = kRequiredMinor;
  if (TellTaleFile::Exists("ZRVVersion.On")) {
    const double version = TellTaleFile::Number("ZRVVersion.On");
    requiredMajor = Round(version);
    requiredMinor = Round(100.0 * version) - 100 * requiredMajor;
  }
  const auto version = [&message](std::int32_t first, std::int32_t second) {
    Strings::Concat(message, "v");
    Decode::Integer(first, message, 0);
    Strings::Concat(message, "x");
    Decode::Integer(second, message, 0);
  };
  const bool older = major < requiredMajor || (major == requiredMajor && minor < requiredMinor);
  if (older && major != -1 && minor != -1) {
    Strings::Assign(message, "ZRV driver (");
    version(major, minor);
    Strings::Concat(message, ") must be at least ");
    version(requiredMajor, requiredMinor);
    Strings::Concat(message, ".");
    return Fail(message);
  }
  if (major > kNewestMajor) {
    Strings::Assign(message, "Present ZRV driver (");
    version(major, minor);
    Strings::Concat(message, ") is incompatible. It cannot be newer than v");
    Decode::Integer(kNewestMajor, message, 0);
    Strings::Concat(message, ".");
    return Fail(message);
  }
  return true;
}

// Opens and initialises the board; FALSE (closed) on failure.
bool DoInitInterface() {
  {
    const std::lock_guard lock(errorTextMutex);
    Strings::Clear(ZRVBase::ErrorText);
  }
  ZRVBase::DigitalOutState = 0;
  Z.sequenceLength = -1;
  Z.fifoReset = false;
  std::int32_t boardFifo = ZRVBase::FIFOLength;
  const std::int32_t defaultFifo = ZRVBase::FIFOLength;
  if (!Open(true)) return false;
  if (!ValidVersion()) {
    Close();
    return false;
  }
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
      Z.result = QRN24_Initialize(Z.handle);
      boardFifo = 0x3FFF;
      break;
    case ZRVBase::BoardZRV28:
      Z.result = QRN28_Initialize(Z.handle, Z.zrv28Mode);
      if (Z.result == 0) boardFifo = QRN28_GetFIFOSize(Z.handle);
      break;
    case ZRVBase::BoardQRN2400: {
      Z.result = Retry(
          [] { return QRN2400_Initialize(Z.handle, Z.syncMode, Z.masterSerial, Z.slaveSerial); },
          [](std::int32_t status) { return status == kStatusOpticalLink; });
      if (Z.result != 0) break;
      const auto isQRN2400 = [](std::uint32_t serial) {
        return serial == 0xFFFFFFFFu || (serial >> 16) == 840;
      };
      Z.rackIsQRN2400[0] = isQRN2400(Z.masterSerial);
      Z.rackIsQRN2400[1] = isQRN2400(Z.slaveSerial);
      std::int32_t dacs = 0;
      std::int32_t adcs = 0;
      std::int32_t racks = 0;
      Z.result = QRN2400_GetInfo(Z.handle, boardFifo, dacs, adcs, racks);
      if (Z.result == 0) {
        ZRVBase::NumberDacChannels = std::clamp(dacs, 0, 8);
        ZRVBase::NumberAdcChannels = std::clamp(adcs, 0, 16);
        Z.activeUnits = std::clamp(racks, 1, 2);
      }
      if (!Z.rackIsQRN2400[0]) TermIO::WriteLine("Rack 1 is ZRV-2400");
      if (!Z.rackIsQRN2400[1]) TermIO::WriteLine("Rack 2 is ZRV-2400");
      RemapAdc();
      break;
    }
    case ZRVBase::BoardQRN55: {
      std::int32_t dacs = 0;
      std::int32_t adcs = 0;
      std::int32_t units = 0;
      Z.result = QRN55Interface::GetInfo(boardFifo, dacs, adcs, units);
      if (Z.result == 0) {
        ZRVBase::NumberDacChannels = std::clamp(dacs, 0, 8);
        ZRVBase::NumberAdcChannels = std::clamp(adcs, 0, 16);
        Z.activeUnits = std::clamp(units, 1, 2);
      }
      break;
    }
    default:
      break;
  }
  if (Z.result == 0) {
    const std::int32_t wanted = Z.requestedFifoLength > 0 ? Z.requestedFifoLength : defaultFifo;
    ZRVBase::FIFOLength = std::min(boardFifo, wanted);
    return true;
  }
  if (Z.result != -1) ReportError();
  Close();
  return false;
}

// Starts an input-only acquisition on the first input of each unit and
// watches its FIFO counter: kCounterCounts when it counts up, kCounterIllegal
// for a count outside what the board can hold, kCounterStill when it does
// not count within a second, 0 when the acquisition does not start. The
// acquisition stays within the FIFO: with a shorter FIFO than its usual
// 16,000 samples the timer task would take away the values it counts.
int TestFIFOCounter(std::int32_t units) {
  ForceHalt();
  const std::int32_t adcList[2] = {0, ZRVBase::NumberAdcChannels / std::max(Z.activeUnits, 1)};
  const std::int32_t dacList[1] = {0};
  const std::int32_t samples = std::min(kCounterSamples, ZRVBase::FIFOLength / std::max(units, 1));
  double interval = kCounterInterval;
  bool immediate = false;
  if (!StartStimAndSample(0, units, 0, samples, 0, dacList, adcList, interval, {}, {},
                          immediate, true, false)) {
    return 0;
  }
  const double t0 = RealTime::GetTime();
  GetReadAvailable();
  std::int32_t first = 0;
  for (;;) {
    RealTime::Wait(kCounterPoll);
    const std::int32_t count = GetReadAvailable();
    const double now = RealTime::GetTime();
    if (count > ZRVBase::FIFOLength || count < -(Z.pipelineLength + 1)) return kCounterIllegal;
    if (count > 0) {
      if (first == 0) {
        first = count;
      } else if (count > first) {
        ForceHalt();
        return kCounterCounts;
      }
    }
    if (now > t0 + kCounterTime) return kCounterStill;
  }
}

bool BoardIsCounting() {
  // The halt sets the result: release the board first, then report.
  const auto fail = [](const char* message) {
    ForceHalt();
    Close();
    return Fail({message, std::strlen(message) + 1});
  };
  switch (TestFIFOCounter(1)) {
    case kCounterCounts:
      if (Z.activeUnits == 1 || TestFIFOCounter(Z.activeUnits) == kCounterCounts) return true;
      return fail(Z.boardType == ZRVBase::BoardQRN55
                      ? "- 2. unit not incrementing. Please, check SYNC connection."
                      : "- 2. unit not incrementing.");
    case kCounterIllegal:
      return fail("illegal FIFO counter. Please, check power and connections.");
    case kCounterStill:
      return fail("not incrementing. Please, check power and connections.");
    default: {
      if (Z.result == 0) Z.result = -1;
      ReportError();
      const std::int32_t result = Z.result;
      ForceHalt();
      Close();
      Z.result = result;
      return false;
    }
  }
}

void DoRemapAdc(std::int32_t block) {
  for (std::int32_t i = 0; i < 4; ++i) {
    Z.adcMap[block + 2 * i] = block + i;
    Z.adcMap[block + 2 * i + 1] = block + i + 4;
  }
}

}  // namespace

void ReportError() {
  char message[256] = "";
  const std::int32_t result = Z.result;
  if (IsLibraryBoard(Z.boardType) && !Z.libraryLoaded) {
    if (result == ZRVLibrary::kLibraryNotFound) {
      Strings::Assign(message, "ZRV Library not found. Please, check driver installation.");
    } else {
      Strings::Assign(message, "ZRV Library not loaded.");
    }
  } else {
    switch (Z.boardType) {
      case ZRVBase::BoardZRV24:
        QRN24_GetStatusText(Z.handle, result, message);
        if (result == 1) Strings::Concat(message, " Please, check power and connections.");
        break;
      case ZRVBase::BoardZRV28:
        QRN28_GetStatusText(Z.handle, result, message);
        if (result == 1) Strings::Concat(message, " Please, check power and connections.");
        break;
      case ZRVBase::BoardQRN2400:
        if (result == kStatusOpticalLink) {
          Strings::Assign(message, "Optical link not working. Please, check power and connections.");
        } else {
          QRN2400_GetStatusText(Z.handle, result, message);
        }
        break;
      case ZRVBase::BoardQRN55:
        // The interface's status 4 needs no report.
        if (result == 4) return;
        QRN55Interface::GetErrorText(result, message);
        break;
      default:
        break;
    }
  }
  ReportErrorString(message);
}

void ReportErrorString(std::span<const char> message) {
  char text[256] = "";
  BoardPrefix(text);
  Strings::Concat(text, message);
  {
    const std::lock_guard lock(errorTextMutex);
    Strings::Assign(ZRVBase::ErrorText, text);
  }
  WriteError();
}

bool Check(std::int32_t status) {
  Z.result = status;
  if (status != 0) ReportError();
  return status == 0;
}

bool Fail(std::span<const char> message) {
  Z.result = -1;
  ReportErrorString(message);
  return false;
}

void FlushCache() {
  if (Z.flush) {
    VrnlBoards::FlushCache();
  } else {
    Z.flush = true;
  }
}

void SpinCursorIfShown() {
  const int shape = Mouse::GetCursorShape();
  if (shape == Mouse::kWait || shape == Mouse::kWatch) Mouse::SetWaitOrWatchCursor();
}

std::int32_t ConvertToZRV2400DacValue(std::int32_t channel) {
  if (channel >= 0 && channel <= 7) return Z.dacMap[channel];
  switch (channel) {
    case TlvOut:
      return Z.secondTlvPort ? Z.tlvOutPort + 3 : Z.tlvOutPort;
    case TlvOut2:
      return Z.tlvOutPort + 3;
    case UserOut2:
      return Z.userOutPort + 3;
    default:
      return Z.userOutPort;
  }
}

std::int32_t ConvertToZRV2400AdcValue(std::int32_t channel) {
  if (channel >= 0 && channel <= 15) return Z.adcMap[channel];
  switch (channel) {
    case TlvIn:
      return Z.secondTlvPort ? Z.tlvInPort + 3 : Z.tlvInPort;
    case TlvIn2:
      return Z.tlvInPort + 3;
    case UserIn2:
      return Z.userInPort + 3;
    default:
      return Z.userInPort;
  }
}

void RemapAdc() {
  for (std::int32_t i = 0; i < DacChannels; ++i) Z.dacMap[i] = i;
  for (std::int32_t i = 0; i < AdcChannels; ++i) Z.adcMap[i] = i;
  if (Z.boardType == ZRVBase::BoardZRV28) {
    if (Z.remap1 != 0) DoRemapAdc(0);
    if (Z.remap2 != 0) DoRemapAdc(8);
  } else if (Z.boardType == ZRVBase::BoardQRN2400) {
    if (Z.remap1 != 0 && Z.rackIsQRN2400[0]) DoRemapAdc(0);
    if (Z.remap2 != 0 && Z.rackIsQRN2400[1]) DoRemapAdc(8);
  }
}

}  // namespace Internal

using namespace Internal;

void InitModule() {
  ZRVDebug::InitModule();
  ADTimerTask::InitModule();
  QRN55Interface::InitModule();
  Z.record.reset();
  Z.handle = nullptr;
  Z.libraryLoaded = false;
  Z.boardType = ZRVBase::BoardQRN55;
  Z.state = StateClosed;
  {
    const std::lock_guard lock(errorTextMutex);
    Strings::Clear(ZRVBase::ErrorText);
  }
  Z.result = 0;
  Z.zrv28Mode = 0;
  Z.lastDataTime = 0.0;
  Z.activeUnits = 1;
  Z.activeDacCount = 1;
  Z.activeAdcCount = 1;
  Z.requestedDacCount = 0;
  Z.requestedAdcCount = 0;
  Z.maxAveraging = 1;
  Z.compression = 1;
  ZRVBase::WriteToTermIO = true;
  ZRVBase::SpinCursor = false;
  Z.guard = nullptr;
  Z.cacheBuffer = nullptr;
  Z.cache = nullptr;
  Z.cacheCapacity = 0;
  Z.requestedFifoLength = 0;
  Z.boardNumber = 0;
  Z.remap1 = 0;
  Z.remap2 = 0;
  Z.secondTlvPort = false;
  Z.syncMode = 0;
  Z.externalTrigger = false;
  Z.allowImmediateRead = true;
  Z.flush = true;
  Z.waitingForTrigger = false;
  Z.rackIsQRN2400[0] = false;
  Z.rackIsQRN2400[1] = false;
  Z.masterSerial = 0;
  Z.slaveSerial = 0;
  Z.internalScaling = false;
  Z.writeReadCounter = false;
  Z.allowTimerTask = false;
  Z.transfer = false;
  Z.sequenceLength = -1;
  Z.overflowed = false;
  Z.fifoReset = false;
  std::fill(std::begin(Z.adcRange), std::end(Z.adcRange), 0);
  SelectBoardType(ZRVBase::BoardQRN55);
}

bool InitInterface(BoardType type) {
  if (Z.state != StateClosed) Shutdown();
  VrnlBoards::ClearCache();
  SetSecondTlvPort(false);
  if (Z.state == StateClosed) {
    // The ZRV-28 logic configuration chosen for this initialisation
    // (SetBoardMode after SetBoardType) survives the selection of its own
    // type again; else it could never reach the board.
    const std::int32_t mode = Z.zrv28Mode;
    const bool sameType = Z.boardType == type;
    SelectBoardType(type);
    if (sameType) Z.zrv28Mode = mode;
  }
  Z.allowImmediateRead = !TellTaleFile::Exists("ZRVImmediateRead.Off");
  Z.allowTimerTask = !TellTaleFile::Exists("ZRVAllowTimerTask.Off");
  if (TellTaleFile::Exists("ZRVSync.On")) {
    Set_QRN2400_Options(static_cast<std::uint8_t>(Round(TellTaleFile::Number("ZRVSync.On"))));
  }
  if (TellTaleFile::Exists("ZRVPCI_No.On")) Z.boardNumber = Round(TellTaleFile::Number("ZRVPCI_No.On"));
  if (TellTaleFile::Exists("ZRVAqAvMax.On")) Z.maxAveraging = Round(TellTaleFile::Number("ZRVAqAvMax.On"));
  Z.writeReadCounter = TellTaleFile::Exists("ZRVWriteReadCounter.On");
  ZRVDebug::Activate(Z.boardType);
  Z.maxAveraging = std::max(Z.maxAveraging, 1);
  if (!DoInitInterface() || !BoardIsCounting()) return false;
  SetScalingFactors();
  ZeroDacs();
  if (Z.boardType == ZRVBase::BoardZRV28) Check(QRN28_SetExternalTriggerMode(Z.handle, 1, 1));
  return Z.state == StateOpen;
}

bool Open(bool report) {
  if (IsLibraryBoard(Z.boardType) && !Z.libraryLoaded) {
    if (!Check(QRN2400_LoadLibrary())) return false;
    Z.libraryLoaded = true;
  }
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28: {
      const bool zrv24 = Z.boardType == ZRVBase::BoardZRV24;
      if (!AllocateRecord(zrv24 ? QRN24_GetStructureSize() : QRN28_GetStructureSize())) {
        ReleaseHandle();
        Z.result = -1;
        if (report) ReportErrorString("memory allocation failed.");
        return false;
      }
      // Bit 16 of the board number selects the USB model.
      const std::int32_t board = Z.boardNumber < 3 ? Z.boardNumber : 0x10000 + (Z.boardNumber - 3);
      Z.result = zrv24 ? QRN24_Open(Z.handle, board) : QRN28_Open(Z.handle, board);
      break;
    }
    case ZRVBase::BoardQRN2400:
      if (Z.requestedFifoLength > 0) QRN2400_SetFifoSize(Z.requestedFifoLength);
      Z.result = Retry([] { return QRN2400_OpenDevice(Z.handle, Z.boardNumber); },
                       [](std::int32_t status) { return status != 0; });
      break;
    case ZRVBase::BoardQRN55:
      if (Z.requestedFifoLength > 0) {
        Z.requestedFifoLength = QRN55Interface::SetFIFOLength(Z.requestedFifoLength);
      }
      Z.result = QRN55Interface::Open(0, 3);
      break;
    default:
      Z.result = -1;
      if (report) ReportErrorString("?");
      return false;
  }
  if (Z.result == 0) {
    Z.state = StateOpen;
    return true;
  }
  if (report) ReportError();
  ReleaseHandle();
  return false;
}

void Close() {
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
      if (Z.handle != nullptr) QRN24_Close(Z.handle);
      break;
    case ZRVBase::BoardZRV28:
      if (Z.handle != nullptr) QRN28_Close(Z.handle);
      break;
    case ZRVBase::BoardQRN2400:
      if (Z.handle != nullptr) QRN2400_CloseDevice(Z.handle);
      break;
    case ZRVBase::BoardQRN55:
      QRN55Interface::Close();
      break;
    default:
      break;
  }
  ReleaseHandle();
  Z.state = StateClosed;
}

void Shutdown() {
  Z.guard = nullptr;
  VrnlBoards::ClearCache();
  if (Z.state != StateClosed) {
    ForceHalt();
    ZeroDacs();
  }
  Close();
  DeleteFifoBuffer();
  QRN55Interface::Shutdown();
  ADTimerTask::Shutdown();
  ZRVDebug::Shutdown();
  Z.state = StateClosed;
}

std::int32_t Status() { return Z.state; }

std::int32_t SetBoardType(BoardType type) {
  if (Z.state != StateClosed) return Z.state;
  SelectBoardType(type);
  return 0;
}

BoardType GetBoardType() { return Z.boardType; }

void SetBoardNumber(std::int32_t number) { Z.boardNumber = number; }

std::int32_t GetActiveUnits() { return Z.activeUnits; }

std::int32_t GetLastError() { return Z.result; }

void ConcatErrorText(std::span<char> text) {
  const std::lock_guard lock(errorTextMutex);
  Strings::Concat(text, ZRVBase::ErrorText);
}

void WriteError() {
  if (!ZRVBase::WriteToTermIO) return;
  char text[256];
  {
    const std::lock_guard lock(errorTextMutex);
    Strings::Assign(text, ZRVBase::ErrorText);
  }
  if (Strings::Length(text) > 0) TermIO::WriteAlertLine(text);
}

std::uint16_t GetDigitalOutState() { return ZRVBase::DigitalOutState; }

void ForceHalt() {
  if (Z.state == StateClosed) return;
  ADTimerTask::Stop();
  switch (Z.boardType) {
    case ZRVBase::BoardZRV24:
      Z.result = QRN24_Stop(Z.handle);
      break;
    case ZRVBase::BoardZRV28:
      Z.result = QRN28_Stop(Z.handle);
      break;
    case ZRVBase::BoardQRN2400:
      Z.result = QRN2400_Stop(Z.handle);
      break;
    case ZRVBase::BoardQRN55:
      Z.result = QRN55Interface::Stop();
      break;
    default:
      break;
  }
  Z.state = StateOpen;
}

void Halt() {
  const std::int32_t state = Z.state;
  if (state == StateRunning || state == StateError) ForceHalt();
}

void SetFIFOLength(std::int32_t length) { Z.requestedFifoLength = length; }

bool SetBoardMode(std::int32_t mode) {
  if (Z.boardType != ZRVBase::BoardZRV28) return false;
  const bool known = mode >= 0 && mode <= 2;
  Z.zrv28Mode = known ? mode : 0;
  return known;
}

void SetDacShift(std::span<const std::int32_t, 4> shifts) {
  if (Z.boardType != ZRVBase::BoardZRV28 || Z.zrv28Mode != 2 || Z.state == StateClosed) return;
  FlushCache();
  Z.result = QRN28_SetDACShift(Z.handle, shifts);
}

void Set_QRN2400_Options(std::uint8_t options) {
  Z.syncMode = (options & 1) != 0 ? 1 : (options & 2) != 0 ? 2 : 0;
  Z.externalTrigger = (options & 4) != 0;
}

void SetSecondTlvPort(bool second) {
  if (second != Z.secondTlvPort) FlushCache();
  Z.secondTlvPort = second;
}

bool GetZRV2400SerialNumber(bool rack2, std::span<char> text) {
  Strings::Clear(text);
  if (Z.rackIsQRN2400[rack2 ? 1 : 0]) return false;
  Decode::Cardinal((rack2 ? Z.slaveSerial : Z.masterSerial) % 1000000u, text, 6);
  return true;
}

void JoinUnits() {
  if (Z.boardType == ZRVBase::BoardQRN55) {
    bool cancelled = false;
    QRN55Tools::DoJoinUnits(cancelled, false);
  } else {
    TermIO::WriteLine("\"Join Units\" is not supported by this interface");
  }
}

void SplitUnits() {
  if (Z.boardType == ZRVBase::BoardQRN55) {
    QRN55Tools::DoSplitUnits(false);
  } else {
    TermIO::WriteLine("\"Split Units\" is not supported by this interface");
  }
}

void ResetUSB() {
  if (Z.boardType != ZRVBase::BoardQRN55 || Z.state == StateClosed) return;
  Halt();
  FlushCache();
  if (!Check(QRN55Interface::ResetUSB()) && Z.state != StateClosed) Shutdown();
}

void SetGuard(GuardProc guard, bool set) { Z.guard = set ? guard : nullptr; }

void InhibitFlush() { Z.flush = false; }

void SetRemap(std::int32_t remap1, std::int32_t remap2) {
  Z.remap1 = remap1;
  Z.remap2 = remap2;
  RemapAdc();
}

}  // namespace ZRV
