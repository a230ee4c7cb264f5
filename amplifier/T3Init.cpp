#include "amplifier/T3Init.h"

#include <array>
#include <cmath>
#include <cstring>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3CSlowFit.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3ScaleFiles.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Set.h"
#include "amplifier/VrnlEEPROM.h"
#include "foundation/GLP.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "shell/Mouse.h"

namespace T3Init {

bool ScaleFileLoaded = false;
bool CFastFileLoaded = false;
char ScaleFileName[kNameSize] = {};
char CFastFileName[kNameSize] = {};
bool DoDebug = false;
std::array<std::uint8_t, kFileBufferSize> FileBuffer{};

namespace {

constexpr int kAdaError = 1;
constexpr std::int32_t kNoMuxGain = 5;
constexpr std::int32_t kMuxGainNotOK = 6;
constexpr std::int32_t kVersionNotRead = 11;
constexpr std::int32_t kUnknownVersion = 14;
constexpr std::int32_t kVersionFaulty = 7;
constexpr std::int32_t kClippingStuck = 26;
constexpr std::int32_t kBoardNotSelected = 27;
constexpr std::int32_t kSelectorFailed = 28;
constexpr std::int32_t kMaxBoards = 8;

constexpr std::uint8_t kMuxRest = 5;
constexpr std::uint8_t kMuxStimulus = 10;
constexpr std::uint8_t kVoltageClamp = 1;

// Indexed by code; nullptr where the code has no text of its own.
constexpr std::array<const char*, 33> kErrorTexts = {
    "no error",
    nullptr,
    nullptr,
    "no SCALE file loaded",
    "no CFAST table loaded",
    "no mux-gain",
    "mux-gain not OK",
    "EEPROM-string faulty",
    "TLV3/n EEPROM-string faulty",
    "serial number conflict",
    "board version conflict",
    "version conflict (1)",
    "version conflict (2)",
    "incorrect version",
    "unknown version (faulty?)",
    "RAM-block too short",
    "wrong file length",
    "wrong file ID",
    "timeout",
    "no convergence",
    "cache error",
    "EEPROM cache error",
    "AD/DA-board not initialized",
    "AD/DA acquisition error",
    "error in T3Measure",
    "range error",
    "clipping indicator cannot be cleared",
    "error while selecting amplifier board",
    "error while activating probe selector",
    "fatal error in user function",
    "CRC error",
    "file too old",
    "not implemented",
};

bool InterfaceUp() { return ZRV::Status() != ZRV::StateClosed; }

// Only the first failure writes the message and the first code; every
// failure is the last.
void Fail(std::span<char> message, std::int32_t& firstError, std::int32_t& lastError, std::int32_t code,
          std::span<const char> text) {
  lastError = code;
  if (firstError != 0) return;
  firstError = code;
  Strings::Assign(message, text);
}

// The lines of "ZRVTest.On": each step's seconds since the previous one.
class StartupTiming {
 public:
  StartupTiming() : on_(TellTaleFile::Exists("ZRVTest.On")) {
    start_ = last_ = Platform::ElapsedSeconds();
    if (on_) TermIO::WriteLine("TLV-initialization timing:");
  }
  void Mark(const char* label) {
    const double now = Platform::ElapsedSeconds();
    Write(label, now - last_);
    last_ = now;
  }
  void Total() { Write("                  total: ", Platform::ElapsedSeconds() - start_); }

 private:
  void Write(const char* label, double seconds) const {
    if (!on_) return;
    TermIO::WriteString(std::span<const char>(label, std::strlen(label) + 1));
    TermIO::WriteEngineering(seconds, 6, 6);
    TermIO::WriteLine("s");
  }
  bool on_;
  double start_;
  double last_;
};

void SetGlobalProperties() {
  if (GLP::Enforce) {
    VrnlBoards::SetProperties(true, false);
    return;
  }
  const bool cacheOn = !TellTaleFile::Exists("ZRVCache.Off") || TellTaleFile::Exists("ZRVCache.On");
  const bool protocolOn = TellTaleFile::Exists("TlvWriteCache.On");
  DoDebug = TellTaleFile::Exists("TlvProtocol.On");
  T3Base::EmulateTetral = TellTaleFile::Exists("TlvTetral.On");
  VrnlBoards::SetProperties(cacheOn, protocolOn);
}

// The interface start; FALSE (error 1) when the AD/DA board does not open.
bool DoInitInterface(T3Types::AmplifierKind kind, ZRVBase::BoardType adBoard, bool detectKESP7) {
  T3Set::SendToHardware = true;
  T3Error::Error = 0;
  T3Base::StrobeInterval = 5e-6;
  const std::int32_t board = T3Types::State.Board;
  Strings::Clear(T3Panel::GetBoardToSet(board) == board ? T3Base::SerialNumber1 : T3Base::SerialNumber2);
  Strings::Clear(T3Base::SerialNumber);
  Strings::Clear(T3Base::ExtEEPROMVersion1);
  Strings::Clear(T3Base::ExtEEPROMVersion2);
  SetGlobalProperties();
  if (!T3AD::InitInterface(kind, adBoard, detectKESP7)) {
    T3Error::Error = kAdaError;
    return false;
  }
  InitHardware();
  const std::int32_t boards = T3Base::SecondRackBoards > 0 ? kMaxBoards : kMaxBoards / 2;
  for (std::int32_t b = 0; b < boards; ++b) {
    T3Panel::SetT3BoardLatch(b);
    T3Panel::SetTestDacPath(0);
  }
  T3Panel::SetT3BoardLatch(T3Types::State.Board);
  return true;
}

// A rack's serial number is that of the first of its boards that has one.
void CopySerialToRack(std::int32_t board) {
  const std::span<char> rackSerial = T3Panel::GetBoardToSet(board) == board
                                         ? std::span<char>(T3Base::SerialNumber1)
                                         : std::span<char>(T3Base::SerialNumber2);
  if (Strings::Length(rackSerial) == 0) Strings::Assign(rackSerial, T3Base::SerialNumber);
}

// The version check's failure: the message always, the defaults loaded.
void ReportVersionFailure(std::span<char> message, std::int32_t& lastError) {
  lastError = T3Error::Error;
  if (lastError == kVersionNotRead) {
    Strings::Assign(message, "Cannot read from TLV3! Please, check power and connections.");
  } else {
    Strings::Assign(message, "TLV3: Error reading board version - ");
    if (lastError == kUnknownVersion) {
      Strings::Concat(message, " unknown version");
    } else if (lastError == kVersionFaulty) {
      Strings::Concat(message, " version string faulty");
    } else {
      Strings::Concat(message, " unknown error");
    }
  }
  LoadDefaults();
}

void NotRespondingText(std::span<char> text) {
  Strings::Assign(text, "TLV3 NOT responding! Please, check ");
  if (T3Base::KESP7Active && T3Base::ADBoard == ZRVBase::BoardZRV24 && !T3Base::IsTlv3N) {
    Strings::Concat(text, "TLV3 and KESP7");
  }
  Strings::Concat(text, " power and connections.");
}

bool ProbeSecondRack(bool allowSecondRack) {
  const ZRVBase::BoardType type = T3Base::ADBoard;
  if (type == ZRVBase::BoardZRV24 || type == ZRVBase::BoardZRV28 ||
      (ZRVBase::NumberAdcChannels <= 8 && !T3Base::EmulateTetral)) {
    T3Base::SecondRackBoards = 0;
    return false;
  }
  if (!allowSecondRack || T3Base::IsSecondRack) return false;
  T3Base::SecondRackBoards = 1;
  T3Base::RemapRack2 = type == ZRVBase::BoardQRN2400;
  T3Base::T3Boards += 1;
  ZRV::SetRemap(T3Base::RemapRack1, T3Base::RemapRack2);
  return true;
}

}  // namespace

// ---- Start-up and shut-down ------------------------------------------------------

void InitAllModules() {
  ScaleFileLoaded = false;
  CFastFileLoaded = false;
  Strings::Clear(ScaleFileName);
  Strings::Clear(CFastFileName);
  Strings::Assign(T3ScaleFiles::ScaleSearch, "SC*.TL?");
  Strings::Assign(T3ScaleFiles::CFastSearch, "CF*.TL?");
  T3CSlowFit::InitModule();
  GLP::InitModule();
  ZRVBase::InitModule();
  ZRV::InitModule();
  ADMeasure::InitModule();
  VrnlBoards::InitModule();
  VrnlEEPROM::InitModule();
  T3Base::InitModule();
  T3Select::InitModule();
  T3Set::InitModule();
  T3Panel::InitModule();
  T3Auto::InitModule();
  GetDefaults();
  T3AD::GetCorrections(T3Base::ADBoard, ADMeasure::DacToAdcDelay, ADMeasure::InputFilterTau,
                       ADMeasure::OutputFilterTau, ADMeasure::SampleCorrection);
}

void InitHardware() {
  const bool timed = T3Base::TimedRangeSwitch;
  T3Base::TimedRangeSwitch = false;
  T3Panel::LoadTheState();
  T3Base::TimedRangeSwitch = timed;
}

bool InitInterface(T3Types::AmplifierKind kind, ZRVBase::BoardType adBoard) {
  return DoInitInterface(kind, adBoard, true);
}

bool InitializeInterface(T3Types::AmplifierKind kind, ZRVBase::BoardType adBoard, bool allowSecondRack) {
  T3Base::BoardVersion = 0;
  Strings::Clear(T3Base::ExtEEPROMVersion1);
  Strings::Clear(T3Base::ExtEEPROMVersion2);
  const bool rackInterface =
      T3Base::ADBoard == ZRVBase::BoardQRN2400 || T3Base::ADBoard == ZRVBase::BoardQRN55;
  bool ok = T3AD::InitInterface(kind, adBoard, true);
  if (ok) {
    T3Panel::MapMuxAdc(true);
    const T3Types::AmplifierKind probeKind = KindOfADBoard(T3Base::ADBoard);
    T3Base::AmplKind = probeKind;
    T3Types::State.ModelKind = probeKind;
    T3Base::BoardVersion = ADBoardToVersion();
    SetAdcAndDacFields();
    bool amplifierFound = false;
    if (IsTlv4()) {
      char message[kNameSize] = {};
      std::int32_t firstError = 0;
      std::int32_t lastError = 0;
      if (DoInitializeAndCheckForLife(message, firstError, lastError, probeKind, false, allowSecondRack,
                                      false, false, nullptr, nullptr) != 0) {
        ok = T3AD::InitInterface(kind, adBoard, true);
      } else {
        amplifierFound = true;
        Strings::Assign(T3Base::ExtEEPROMVersion1, T3Base::SerialNumber1);
        if (Strings::Length(T3Base::SerialNumber2) > 0) {
          Strings::Assign(T3Base::ExtEEPROMVersion2, T3Base::SerialNumber2);
        }
      }
    }
    T3Base::AmplKind = kind;
    T3Types::State.ModelKind = kind;
    T3Base::IsTlv3N = false;
    T3Types::State.IsTlv3N = false;
    if (rackInterface && !amplifierFound) {
      char text[T3Base::kTextSize] = {};
      if (IsQRNBoard(text, T3Base::BoardVersion, false, false)) {
        Strings::Assign(T3Base::ExtEEPROMVersion1, text);
        if (IsQRNBoard(text, T3Base::BoardVersion, true, true)) {
          Strings::Assign(T3Base::ExtEEPROMVersion2, text);
        }
      } else {
        char letter = 0;
        IsQRNBoard(text, letter, false, true);
      }
    }
  }
  VrnlBoards::FlushCache();
  return ok;
}

std::int32_t DoInitializeAndCheckForLife(std::span<char> message, std::int32_t& firstError,
                                         std::int32_t& lastError, T3Types::AmplifierKind kind,
                                         bool activeBoardOnly, bool allowSecondRack, bool detectKESP7,
                                         bool loadScale, FileLoaderProc scaleLoader,
                                         FileLoaderProc cFastLoader) {
  const bool wasUp = InterfaceUp();
  T3AD::SetTlvType(kind, ZRVBase::BoardQRN2400);
  T3Panel::MapMuxAdc(true);
  if (!wasUp) VrnlBoards::Wait(2.0);
  firstError = 0;
  lastError = 0;
  if (T3Base::MapActiveBoard) {
    activeBoardOnly = true;
    detectKESP7 = false;
  }
  std::int32_t startBoard = 0;
  if (activeBoardOnly) {
    startBoard = T3Types::State.Board;
    SetAdcAndDacFields();
  } else {
    T3Base::FirstRackBoards = 1;
    T3Base::SecondRackBoards = 0;
    T3Base::IsSecondRack = false;
    T3Base::AllowSecondRack = allowSecondRack;
    Strings::Clear(T3Base::ExtEEPROMVersion1);
    Strings::Clear(T3Base::ExtEEPROMVersion2);
  }
  T3Panel::SetT3Board(startBoard);
  GetDefaults();
  Strings::Assign(message, "TLV3 initialized.");
  StartupTiming timing;

  Mouse::SetWaitCursor();
  if (!DoInitInterface(T3Base::AmplKind, T3Base::ADBoard, detectKESP7)) {
    lastError = T3Error::Error;
    if (firstError == 0) firstError = lastError;
    Strings::Assign(message, "TLV3 initialization failed: ");
    ErrorText(message);
    LoadDefaults();
    return lastError;
  }
  timing.Mark("          init AD-board: ");
  if (!ActivateSelector(message, activeBoardOnly)) {
    lastError = kSelectorFailed;
    return lastError;
  }

  std::int32_t board = startBoard;
  for (;;) {
    Mouse::SetWaitCursor();
    VrnlBoards::Wait(1.0);
    if (!MuxGainResponding()) {
      char text[kNameSize];
      NotRespondingText(text);
      Fail(message, firstError, lastError, T3Error::Error, text);
    }
    timing.Mark("               mux gain: ");
    VrnlBoards::Wait(0.1);
    if (!TestClipping()) {
      T3Error::Error = kClippingStuck;
      Fail(message, firstError, lastError, kClippingStuck, "TLV3 clipping indicator cannot be cleared.");
    }
    timing.Mark("          test clipping: ");
    Mouse::SetWaitCursor();
    if (!GetVersion()) {
      ReportVersionFailure(message, lastError);
      return lastError;
    }
    timing.Mark("             GetVersion: ");
    DefaultScaleName(ScaleFileName, false);
    DefaultCFastName(CFastFileName, ScaleFileName, false);
    if (loadScale && lastError == 0 && InterfaceUp()) {
      Mouse::SetWaitCursor();
      DoLoadScaleFiles(message, firstError, lastError, scaleLoader, cFastLoader);
    }
    InitHardware();
    timing.Mark("          init hardware: ");
    VrnlBoards::Wait(1.0);
    if (!MuxGainOK()) {
      T3Error::Error = kMuxGainNotOK;
      Fail(message, firstError, lastError, kMuxGainNotOK, "TLV3 malfunction: Mux-gain is unreasonable.");
    }
    VrnlBoards::Wait(0.1);
    CopySerialToRack(board);
    if (activeBoardOnly) break;
    InitializeSelectors(message, firstError, lastError, loadScale, scaleLoader, cFastLoader);
    if (!ActivateNextBoard(message, firstError, lastError, board, T3Base::AllowSecondRack)) break;
  }
  T3Panel::SetT3Board(startBoard);
  timing.Total();
  return lastError;
}

std::int32_t InitializeAndCheckForLife(std::span<char> message, std::int32_t& firstError,
                                       std::int32_t& lastError, T3Types::AmplifierKind kind,
                                       bool activeBoardOnly, bool allowSecondRack, bool loadScale,
                                       FileLoaderProc scaleLoader, FileLoaderProc cFastLoader) {
  DoInitializeAndCheckForLife(message, firstError, lastError, kind, activeBoardOnly, allowSecondRack, true,
                              loadScale, scaleLoader, cFastLoader);
  ReplaceAmplType(message);
  FinishInitialization(false, T3Base::BoardVersion, T3Base::FirstRackBoards, T3Base::SecondRackBoards);
  return lastError;
}

void FinishInitialization(bool force, T3Types::BoardVersionLetter letter, std::int32_t firstRackBoards,
                          std::int32_t secondRackBoards) {
  const std::int32_t enteredBoard = T3Types::State.Board;
  char forced = 0;
  if (force && letter != 0) {
    if (firstRackBoards < 1) firstRackBoards = 1;
    T3Base::BoardVersion = letter;
    T3Base::FirstRackBoards = firstRackBoards;
    T3Base::SecondRackBoards = secondRackBoards;
    T3Base::TetralRack1 = firstRackBoards == 4;
    T3Base::TetralRack2 = secondRackBoards == 4;
    T3Base::T3Boards = firstRackBoards + secondRackBoards;
    T3Base::IsTlv3N = T3Base::T3Boards > 1;
    T3Types::State.IsTetral = T3Panel::IsTetral();
    char text[T3Base::kTextSize] = {};
    if (ReadFileVersion(text) && SafeSerial(text)) {
      Strings::Substring(T3Base::SerialNumber, text, 0, 6);
      Strings::Assign(T3Scale::Scale.SerialNumber, T3Base::SerialNumber);
    }
    forced = letter;
  }
  if (!InterfaceUp()) {
    if (T3Base::SecondRackBoards > 0) {
      ZRVBase::NumberDacChannels = 8;
      ZRVBase::NumberAdcChannels = 16;
      T3Base::IsTlv3N = T3Base::T3Boards > 1;
      T3Types::State.IsTlv3N = T3Base::IsTlv3N;
      T3Base::RemapRack2 = T3Base::ADBoard == ZRVBase::BoardQRN2400;
      ZRV::SetRemap(T3Base::RemapRack1, T3Base::RemapRack2);
    }
    T3AD::SetInitParameters();
  }
  if (TellTaleFile::Exists("T3CCHigh.On")) forced = 'Z';
  if (forced != 0) {
    std::uint16_t hardwareVersion = 0;
    if (BoardVersionToHardwareVersion(forced, hardwareVersion)) {
      T3Base::HardwareVersion = hardwareVersion;
      T3Base::BoardVersion = forced;
    }
    if (std::strchr("ABP", T3Base::BoardVersion) != nullptr) {
      Strings::Clear(T3Base::SerialNumber);
      Strings::Clear(T3Scale::Scale.SerialNumber);
    }
    for (std::int32_t b = 0; b < T3Base::T3Boards; ++b) {
      ForceState(T3Base::HardwareVersion, T3Base::BoardVersion);
      T3Panel::SetT3Board(b);
      ForceState(T3Base::HardwareVersion, T3Base::BoardVersion);
      if (!InterfaceUp()) T3Panel::LoadTheState();
      if (T3Base::BoardVersion == 'Z') T3Panel::SetCCRange(1, false);
    }
  }
  if (T3Base::T3Boards > 1 && T3Base::AmplKind == T3Types::KindTlv3 && !T3Base::KESP7Active) {
    T3Base::MaxDigBitOut = 7;
  }
  for (std::int32_t b = 0; b < T3Base::T3Boards; ++b) {
    T3Panel::CopyT3BaseFields();
    T3Panel::SetT3Board(b);
    T3Panel::Reset();
    T3Base::BoardState.BoardVmonAdc = T3Types::State.HasInternalVmon ? T3Types::State.VmonAdc : -2;
    T3Base::BoardState.BoardImonAdc3 = T3Types::State.ImonAdc;
    T3Base::BoardState.BoardImonAdc1 = T3Types::State.ImonAdc;
  }
  if (T3Base::T3Boards > 1) T3Panel::SetT3Board(enteredBoard);
  if (!InterfaceUp()) {
    char text[kNameSize] = {};
    ActivateSelector(text, false);
  }
  T3Panel::Flush();
  T3Error::Error = 0;
  VrnlEEPROM::Error = 0;
}

void Shutdown() {
  if (T3Base::Initialized) {
    for (std::int32_t b = T3Base::T3Boards - 1; b >= 0; --b) {
      T3Panel::SetT3Board(b);
      T3Panel::SetMode(kVoltageClamp);
    }
    T3Base::Initialized = false;
  }
  T3AD::Shutdown();
}

// ---- Steps of the start-up -------------------------------------------------------

bool MuxGainResponding() {
  T3Types::State.IsTetral = true;
  const bool chipSelect = HasChipSelectForEEPROM();
  if (chipSelect) {
    T3Base::BoardVersion = ADBoardToVersion();
  } else {
    T3Base::UseSelectProc = false;
  }
  SetAdcAndDacFields();
  bool responding = GetMuxGain() >= 0.1;
  if (!responding && T3Base::BoardVersion < 'E') {
    T3Base::IsTlv3N = true;
    T3Types::State.IsTlv3N = true;
    SetAdcAndDacFields();
    responding = GetMuxGain() >= 0.1;
    if (!responding) T3Base::IsTlv3N = false;
  }
  T3Types::State.IsTlv3N = T3Base::IsTlv3N;
  SetAdcAndDacFields();
  const bool newBoard = T3Base::BoardVersion >= 'E';
  if (responding && chipSelect == newBoard) {
    T3Panel::SetT3Board(T3Types::State.Board);
    return true;
  }
  T3Error::Error = kNoMuxGain;
  return false;
}

double GetMuxGain() {
  T3Panel::SetMux(kMuxStimulus);
  const double gain = T3Measure::Gain(T3Types::State.StimDac, T3Types::State.MuxAdc, 1.0, false, true);
  T3Panel::SetMux(kMuxRest);
  if (DoDebug) {
    TermIO::WriteString("MuxGain:  ");
    TermIO::WriteEngineering(gain, 6, 6);
    TermIO::WriteLn();
  }
  return std::fabs(gain);
}

bool MuxGainOK() {
  const double gain = GetMuxGain();
  return gain >= 0.8 && gain <= 1.2;
}

bool TestClipping() {
  T3AD::SetDacReal(T3Types::State.StimDac, 0.0, false);
  T3Panel::SetRange(0);
  T3Panel::SetGain(0);
  VrnlBoards::Wait(0.05);
  // The reads a board switch has the panel ignore would only repeat the
  // flags from before it, and a stuck indicator would pass the test.
  while (T3Base::BoardLatchSwitched > 0) T3Panel::ReadClipping();
  if (!T3Panel::IsClipping()) return true;
  VrnlBoards::Wait(0.05);
  return !T3Panel::IsClipping();
}

bool ActivateSelector(std::span<char> message, bool keepPosition) {
  if (T3Base::MaxSelectors <= 0) return true;
  const std::int32_t position = T3Types::State.Selector;
  const bool ok = T3Selector::ActivateSelector(message);
  if (ok) {
    T3Base::ScaleFromDisk = true;
  } else {
    Strings::Insert(message, "TLV3 initialization failed: ", 0);
  }
  Strings::Assign(T3ScaleFiles::ScaleSearch, "SC*.TL*");
  Strings::Assign(T3ScaleFiles::CFastSearch, "CF*.TL*");
  T3Panel::SetSelector(keepPosition ? position : 1);
  return ok;
}

void InitializeSelectors(std::span<char> message, std::int32_t& firstError, std::int32_t& lastError,
                         bool loadScale, FileLoaderProc scaleLoader, FileLoaderProc cFastLoader) {
  if (T3Base::MaxSelectors < 2) return;
  for (std::int32_t position = 2; position <= T3Base::MaxSelectors; ++position) {
    Mouse::SetWaitCursor();
    T3Panel::SetSelector(position);
    if (loadScale && lastError == 0 && InterfaceUp()) {
      DoLoadScaleFiles(message, firstError, lastError, scaleLoader, cFastLoader);
    }
    InitHardware();
  }
  T3Panel::SetSelector(1);
}

bool ActivateNextBoard(std::span<char> message, std::int32_t& firstError, std::int32_t& lastError,
                       std::int32_t& board, bool allowSecondRack) {
  board += 1;
  if (board >= kMaxBoards) return false;
  bool probing = false;
  if (board >= T3Base::T3Boards) {
    probing = ProbeSecondRack(allowSecondRack);
    if (!probing) return false;
  }
  T3Panel::SetT3Board(board);
  SetAdcAndDacFields();
  if (T3Types::State.Board != board) {
    if (probing) T3Base::T3Boards -= 1;
    T3Error::Error = kBoardNotSelected;
    Fail(message, firstError, lastError, kBoardNotSelected,
         "TLV3 malfunction: amplifier board cannot be selected.");
    return false;
  }
  InitHardware();
  if (!probing) return true;
  T3Base::T3Boards -= 1;
  if (MuxGainResponding()) return true;
  T3Base::SecondRackBoards = 0;
  T3Base::RemapRack2 = false;
  T3Panel::SetT3Board(0);
  char text[T3Base::kTextSize] = {};
  char letter = 0;
  if (IsQRNBoard(text, letter, true, true)) Strings::Assign(T3Base::ExtEEPROMVersion2, text);
  return false;
}

void ReplaceAmplType(std::span<char> message) {
  T3Types::AmplifierKind kind = T3Base::AmplKind;
  if (T3Base::BoardVersion == 0) {
    if (T3Base::ADBoard == ZRVBase::BoardQRN55 || T3Base::ADBoard == ZRVBase::BoardQRN2400 ||
        T3Base::ADBoard == ZRVBase::BoardZRV28) {
      kind = KindOfADBoard(T3Base::ADBoard);
    }
    T3Base::GetName(kind, T3Base::Title);
  }
  if (kind == T3Types::KindTlv3) return;
  const int at = Strings::Search(message, "TLV3", 0);
  if (at < 0) return;
  Strings::DelString(message, at, 4);
  Strings::Insert(message, T3Base::Title, at);
}

void CopySafeState(T3Types::AmplifierState& copy) {
  copy = T3Types::State;
  copy.VHold = 0.0;
  copy.Mode = kVoltageClamp;
  copy.RsOn = false;
  copy.TestDacPath = 0;
  copy.Mux = kMuxRest;
}

void ErrorText(std::span<char> text) {
  const int code = T3Error::Error;
  if (code == kAdaError) {
    ZRV::ConcatErrorText(text);
    return;
  }
  const char* message = "unknow error";
  if (code < static_cast<int>(kErrorTexts.size()) && kErrorTexts[code] != nullptr) {
    message = kErrorTexts[code];
  }
  Strings::Concat(text, std::span<const char>(message, std::strlen(message) + 1));
}

T3Types::AmplifierKind KindOfADBoard(ZRVBase::BoardType board) {
  switch (board) {
    case ZRVBase::BoardQRN55:
      return T3Types::KindTlv4USB;
    case ZRVBase::BoardQRN2400:
      return T3Types::KindTlv4;
    case ZRVBase::BoardZRV28:
      return T3Types::KindTlv4Plus;
    default:
      return T3Types::KindTlv3;
  }
}

void GetDefaults() {
  T3Scale::LoadDefaults();
  T3Panel::GetDefaultState();
}

void LoadDefaults() {
  GetDefaults();
  T3Panel::LoadTheState();
}

void SetAdcAndDacFields() {
  T3Types::State.BoardVersion = T3Base::BoardVersion;
  T3Panel::FillAdcAndDac(T3Types::State);
}

}  // namespace T3Init
