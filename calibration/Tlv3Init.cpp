#include "calibration/Tlv3Init.h"

#include <cmath>
#include <string_view>

#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3ScaleFiles.h"
#include "amplifier/T3Select.h"
#include "calibration/QRN55CalibBackup.h"
#include "calibration/Tlv3Base.h"
#include "calibration/Tlv3Menus.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "foundation/Decode.h"
#include "foundation/GLP.h"
#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "shell/MacEnv.h"
#include "shell/ModSound.h"
#include "shell/Mouse.h"

namespace Tlv3Init {

namespace {

constexpr char kRepeat[] = "Repeat";
constexpr char kDemoMode[] = "\"Demo\" Mode";
constexpr char kUseLastFound[] = "Use Last Found";
constexpr char kCancel[] = "Cancel";
constexpr char kContinue[] = "Continue";

bool Empty(std::span<const char> text) { return Strings::Length(text) == 0; }

// failed, and outside tester mode the amplifier released.
void GiveUp(bool& failed) {
  failed = true;
  if (!T3Base::TesterMode) T3Init::Shutdown();
}

void ReportCalibrationDates(bool activeBoardOnly, int cursor) {
  using TermIO::WriteString;
  WriteString("Calibration date of ");
  WriteString(T3Base::Title);
  bool current = true;
  const T3Types::AmplifierState& live = T3Types::State;
  if (T3Base::T3Boards <= 1 && T3Base::MaxSelectors <= 1) {
    current = WriteCalibrationDate(live.ScaleDate);
  } else if (activeBoardOnly) {
    char suffix[16] = "_";
    Decode::Integer(live.Board + 1, suffix, 0);
    if (live.Selector >= 1) {
      Strings::Concat(suffix, "_");
      Decode::Integer(live.Selector, suffix, 0);
    }
    WriteString(suffix);
    current = WriteCalibrationDate(live.ScaleDate);
  } else {
    WriteString(": ");
    const bool selectors = T3Base::MaxSelectors >= 2;
    for (int board = 1; board <= T3Base::T3Boards; ++board) {
      for (int position = 1; position <= (selectors ? T3Base::MaxSelectors : 1); ++position) {
        const T3Types::AmplifierState* state = selectors ? T3Select::GetSelectorStateAdr(board - 1, position)
                                                         : T3Select::GetStateAdr(board - 1);
        if (state == nullptr) continue;
        char name[48] = "   ";
        Strings::Concat(name, T3Base::Title);
        Strings::Concat(name, "_");
        Decode::Integer(board, name, 0);
        if (selectors) {
          Strings::Concat(name, "_");
          Decode::Integer(position, name, 0);
        }
        TermIO::WriteLn();
        WriteString(name);
        current = WriteCalibrationDate(state->ScaleDate) && current;
      }
    }
  }
  TermIO::WriteLn();
  if (current) return;
  Mouse::SetCursorShape(cursor);
  Alert::Beep();
  char message[128] = {};
  Strings::Assign(message, std::string_view(T3Base::IsTlv3N ? "At least one" : "The"));
  Strings::Concat(message, " calibration file is outdated. The amplifier should be recalibrated.");
  Alert::OK(message);
}

std::int32_t LoadScaleFileProc(std::span<char> name, std::byte*& buffer, std::int32_t& length, bool ask) {
  return LoadScaleFile(name, buffer, length, ask);
}

std::int32_t LoadCFastFileProc(std::span<char> name, std::byte*& buffer, std::int32_t& length, bool flag) {
  return LoadCFastFile(name, buffer, length, flag);
}

}  // namespace

RetryChoice InterfaceRetry(T3Types::AmplifierKind kind, bool mismatch) {
  if (GLP::Enforce) return {"", 0};
  if (mismatch) return {kUseLastFound, 3};
  if (kind >= T3Types::KindTlv4) return {"", 3};
  return {T3Base::TesterMode ? kCancel : kDemoMode, 3};
}

RetryChoice StartupRetry(bool offerExit, bool mismatch, bool fileError) {
  if (GLP::Enforce) return {offerExit ? "" : kContinue, 0};
  if (mismatch) return {kUseLastFound, 3};
  if (T3Base::TesterMode) return {kCancel, 3};
  return {fileError ? kContinue : kDemoMode, 3};
}

void InitializeInterface(T3Types::AmplifierKind kind, ZRVBase::BoardType board, bool allowSecondRack,
                         bool offerRetry, std::span<const char> exitText, bool& failed, bool& quit) {
  failed = false;
  quit = false;
  for (;;) {
    MacEnv::UpdateLogo();
    VrnlBoards::Wait(2.0);
    bool mismatch = false;
    if (CheckDeviceNumber(kind, board, ZRVBase::ErrorText, mismatch)) {
      if (T3Init::InitializeInterface(kind, board, allowSecondRack)) break;
    } else {
      Strings::Insert(ZRVBase::ErrorText, "QRN 5+5 error: ", 0);
    }
    if (!offerRetry) {
      // Nobody is asked, so the notebook must say it.
      TermIO::WriteAlertLine(ZRVBase::ErrorText);
      failed = true;
      break;
    }
    const RetryChoice choice = InterfaceRetry(kind, mismatch);
    const int button = Alert::Choice(ZRVBase::ErrorText, exitText, choice.second, kRepeat, choice.defaultButton);
    if (button == 3) continue;
    if (button == 2) {
      if (mismatch) {
        Strings::Clear(T3Base::DeviceNumber);
        continue;
      }
      GiveUp(failed);
      break;
    }
    failed = true;
    quit = true;
    break;
  }
  if (!failed) Check_QRN55_Firmware(failed, quit);
}

void InitializeAndCheckForLife(T3Types::AmplifierKind kind, bool activeBoardOnly, bool allowSecondRack,
                               bool loadScale, bool offerExit, bool& failed, bool& quit) {
  failed = false;
  quit = false;
  const int cursor = Mouse::GetCursorShape();
  for (;;) {
    char message[256] = {};
    bool mismatch = false;
    std::int32_t result = 0;
    if (CheckDeviceNumber(kind, ZRVBase::BoardZRV24, message, mismatch)) {
      std::int32_t firstError = 0;
      std::int32_t lastError = 0;
      result = T3Init::InitializeAndCheckForLife(message, firstError, lastError, kind, activeBoardOnly,
                                                 allowSecondRack, loadScale, LoadScaleFileProc, LoadCFastFileProc);
      if (result == 0) break;
    } else {
      result = kFatalUserFunction;
      Strings::Insert(message, std::string_view(kind == T3Types::KindTlv4USB ? "TLV4_USB error: " : "QRN 5+5 error: "), 0);
    }
    const bool fileError = result == kNoScaleFile || result == kNoCFastFile;
    const RetryChoice choice = StartupRetry(offerExit, mismatch, fileError);
    const int button = Alert::Choice(message, std::string_view(offerExit ? "Exit" : ""), choice.second, kRepeat,
                                     choice.defaultButton);
    if (button == 3) {
      MacEnv::UpdateLogo();
      continue;
    }
    if (button == 2) {
      if (mismatch) {
        Strings::Clear(T3Base::DeviceNumber);
        MacEnv::UpdateLogo();
        continue;
      }
      if (fileError) break;
      GiveUp(failed);
      break;
    }
    failed = true;
    quit = true;
    break;
  }
  if (T3Init::ScaleFileLoaded) ReportCalibrationDates(activeBoardOnly, cursor);
  if (!failed) Check_QRN55_Firmware(failed, quit);
  Mouse::SetCursorShape(cursor);
}

void UpdateQRN55Firmware(std::span<const char> unitName, bool& failed, bool& quit) {
  if (!QRN55CalibBackup::Save()) {
    failed = true;
    return;
  }
  char message[256] = {};
  bool powerCycle = false;
  if (QRN55Tools::UpdateFirmware(message, powerCycle)) return;
  if (powerCycle) {
    Strings::Concat(message, Alert::LF);
    Strings::Concat(message, Alert::LF);
    Strings::Concat(message, "You now have to power the ");
    Strings::Concat(message, unitName);
    Strings::Concat(message, " off,");
    Strings::Concat(message, "then on again!");
    Strings::Concat(message, Alert::LF);
    Strings::Concat(message, MacEnv::ShortName);
    Strings::Concat(message, " will now quit.");
  }
  Alert::Choice(message, "", "", "OK", 3);
  // The update closed the interface whatever came of it.
  failed = true;
  quit = powerCycle;
}

void Check_QRN55_Firmware(bool& failed, bool& quit) {
  if (!QRN55Tools::FirmwareNeedsUpdating()) return;
  if (GLP::Check) {
    Alert::OK("The firmware of the QRN 5+5 needs to be updated.");
    failed = true;
    quit = true;
    return;
  }
  UpdateQRN55Firmware("QRN 5+5", failed, quit);
}

std::int32_t LoadFile(std::span<char> name, std::byte*& buffer, std::int32_t& length) {
  buffer = reinterpret_cast<std::byte*>(T3Init::FileBuffer.data());
  length = 0;
  IOBytes::FileHandle file;
  if (!IOBytes::Open(name, nullptr, IOBytes::ModeRead, file)) return IOFiles::GetError();
  std::int32_t result = 0;
  char message[kNameSize + 64] = {};
  std::int32_t size = 0;
  if (!IOBytes::GetLength(file, size)) {
    Strings::Assign(message, "Loading ");
    result = IOFiles::GetError();
  } else if (size > T3Init::kFileBufferSize) {
    Strings::Assign(message, "This is not a SCALE file");
    Strings::Concat(message, " (file too long): ");
    result = kWrongFileLength;
  } else if (size > 0) {
    std::int32_t count = size;
    if (IOBytes::Read(file, count, buffer)) {
      length = size;
    } else {
      Strings::Assign(message, "Reading ");
      result = IOFiles::GetError();
    }
  }
  IOBytes::Close(file);
  if (result == 0) {
    char full[kNameSize] = {};
    if (IOBase::ExtendFileName(name, full)) Strings::Assign(name, full);
    return 0;
  }
  Strings::Concat(message, name);
  Alert::IOError(message);
  return result;
}

std::int32_t LoadScaleFile(std::span<char> name, std::byte*& buffer, std::int32_t& length, bool askUser) {
  if (askUser && !LocateScaleFile(name)) return kNoScaleFile;
  return LoadFile(name, buffer, length);
}

std::int32_t LoadCFastFile(std::span<char> name, std::byte*& buffer, std::int32_t& length, bool) {
  return LoadFile(name, buffer, length);
}

bool LocateScaleFile(std::span<char> name) {
  char defaultName[kNameSize] = {};
  T3Init::DefaultScaleName(defaultName, false);
  char fileName[kNameSize] = {};
  IOBase::ExtractNameFromPath(defaultName, fileName);
  char prompt[80] = "Find \"";
  Strings::Concat(prompt, fileName);
  Strings::Concat(prompt, "\" to load:");
  char chosen[kNameSize] = {};
  if (!IOBase::ExtendFileName(name, chosen)) Strings::Assign(chosen, name);
  if (!FileSelect::Select(chosen, T3ScaleFiles::ScaleSearch, FileSelect::ModeOpen, prompt)) return false;
  Strings::Assign(name, chosen);
  return true;
}

bool WriteCalibrationDate(std::span<const char> date) {
  if (Empty(date)) {
    TermIO::WriteString(" unavailable - should be recalibrated.");
    return false;
  }
  TermIO::WriteString(": ");
  TermIO::WriteString(date);
  if (!GLP::Check || GLP::Enforce) return true;
  char checked[16] = {};
  Strings::Assign(checked, date);
  double days = 0;
  if (GLP::CheckExpiration(checked, days)) return true;
  char text[96] = ", too old - is ";
  Decode::Integer(static_cast<std::int32_t>(std::lround(days)), text, 0);
  Strings::Concat(text, " days old, max. is ");
  Decode::Integer(static_cast<std::int32_t>(std::lround(GLP::CalibExpiry)), text, 0);
  Strings::Concat(text, " days.");
  TermIO::WriteString(text);
  return false;
}

bool CheckDeviceNumber(T3Types::AmplifierKind kind, ZRVBase::BoardType board, std::span<char> message,
                       bool& mismatch) {
  mismatch = false;
  if (kind != T3Types::KindTlv4USB && board != ZRVBase::BoardQRN55) return true;
  if (ZRV::Status() > 0 && ZRV::GetBoardType() != ZRVBase::BoardQRN55) return true;
  if (Empty(T3Base::DeviceNumber) && GLP::Enforce) {
    Strings::Assign(message, "QRN 5+5 error: Undefined Device Serial Number.");
    return false;
  }
  T3Init::Shutdown();
  const int result = QRN55Interface::CheckDeviceNumber(T3Base::DeviceNumber, message);
  if (result == 0) return true;
  mismatch = result == QRN55Interface::kDeviceNotFound;
  return false;
}

void SetTlvScreenPath() {
  char directory[kNameSize] = {};
  if (!IOFiles::GetDirectory(directory)) return;
  const int length = Strings::Length(directory);
  if (length < 2) return;
  directory[length - 1] = 0;
  char parent[kNameSize] = {};
  IOBase::ExtractPath(directory, parent);
  if (Empty(parent)) return;
  Strings::Concat(parent, "TlvScreen:");
  IOFiles::SetDirectory(parent);
}

void SetTlvType(T3Types::AmplifierKind kind, ZRVBase::BoardType board) { T3AD::SetTlvType(kind, board); }

void FinishInitialization(bool force, T3Types::BoardVersionLetter letter, std::int32_t firstRackBoards,
                          std::int32_t secondRackBoards) {
  T3Init::FinishInitialization(force, letter, firstRackBoards, secondRackBoards);
}

void Shutdown() {
  ModSound::Off();
  T3Init::Shutdown();
  T3Select::Shutdown();
}

void InitAllModules() {
  Tlv3Base::InitModule();
  Tlv3Menus::InitModule();
  T3Init::InitAllModules();
}

}  // namespace Tlv3Init
