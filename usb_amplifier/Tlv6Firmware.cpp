#include "usb_amplifier/Tlv6Firmware.h"

#include "amplifier/T3Base.h"
#include "dialogs/Alert.h"
#include "dialogs/LoopDialog.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Crc16.h"
#include "usb_amplifier/Tlv6FirmwareFile.h"
#include "usb_amplifier/Tlv6_USB.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>

namespace Tlv6Firmware {

namespace {

namespace Protocol = Tlv6CommandProtocol;
using Protocol::Block;
using Tlv6FirmwareFile::FirmwareBufferPtr;

enum WaitingState : std::uint8_t {
  kNothingAwaited = 0,
  kAcknowledged = 1,
  kTimedOut = 2,
  kCrcMismatch = 3,
  kCrcDecodingError = 4,
  kWaiting = 5,
};

enum Operation : std::uint8_t { kNoOperation = 0, kFirmwareUpload = 1, kSerialNumberChange = 2 };

constexpr double kReplyTimeout = 10.0;
constexpr double kKeepAliveInterval = 1.0;
constexpr double kBlockKeepAliveInterval = 0.05;
constexpr double kLinkSendDelay = 0.01;
constexpr std::uint32_t kPowerUpRetries = 5;
constexpr std::uint32_t kUploadRestarts = 10;
constexpr double kBlinkInterval = 1.0;
constexpr std::uint8_t kBlockWritePhase = 7;
constexpr int kEntrySize = 32;

constexpr char kDetached[] = " ## The TLV6 was detached from the USB bus! ## ";
constexpr char kUploadMessage[] =
    "Can take more than 15 min. Once started, aborting leaves TLV6 inoperational.";
constexpr char kSerialMessage[] = "Setting serial number takes about 10 s.";

std::uint8_t WaitingStatus = kNothingAwaited;
RealTime::TimeSeconds TimeoutEnd = 0.0;
char ResponseToWaitFor[64] = "";
bool DebugMode = false;
std::uint8_t SendingPhase = 0;
RealTime::TimeSeconds TimeoutCheck = 0.0;
Block FirmwareReset{};
std::uint8_t RunningOperation = kNoOperation;
bool AutoRepeats = false;
RealTime::TimeSeconds BlinkTime = 0.0;
RealTime::TimeSeconds StartTime = 0.0;
bool InvalidOnly = false;
bool SerialNumberIsValid = false;
bool IsFirstCommand = false;
RealTime::TimeSeconds WaitTime = 0.0;
std::uint32_t PowerUpRepeats = 0;
std::uint32_t UploadRepeats = 0;

void WriteQuoted(std::string_view text) {
  TermIO::WriteString("\"");
  for (char c : text) TermIO::Write(c);
  TermIO::WriteString("\"");
}

std::span<const char> Text(const std::string& text) { return {text.c_str(), text.size() + 1}; }

// A console alert line made of the parts.
void WriteAlert(std::initializer_list<std::string_view> parts) {
  std::string line;
  for (std::string_view part : parts) line += part;
  TermIO::WriteAlertLine(Text(line));
}

std::string Column6(std::uint32_t value) {
  std::string text = std::to_string(value);
  return std::string(text.size() < 6 ? 6 - text.size() : 0, ' ') + text;
}

bool InPhases(std::uint8_t first, std::uint8_t last) {
  return SendingPhase >= first && SendingPhase <= last;
}

// Ends the running operation where it stands.
void EndOperation() {
  SendingPhase = 0;
  WaitingStatus = kNothingAwaited;
}

// The detach and overflow a link step reported.
void Announce(bool detached, bool overflow) {
  if (overflow) TermIO::WriteAlertLine(" ## TLV6 input buffer overflow! ## ");
  if (!detached) return;
  TermIO::WriteAlertLine(kDetached);
  Alert::OK(kDetached);
  EndOperation();
}

// CRC of the block now being sent, as the device must reply it.
Tlv6FirmwareFile::CrcEntry* CurrentCrc() {
  if (FirmwareBufferPtr == nullptr || FirmwareBufferPtr->currentBlock < 0 ||
      static_cast<std::uint32_t>(FirmwareBufferPtr->currentBlock) >= FirmwareBufferPtr->blockCount) {
    return nullptr;
  }
  return &FirmwareBufferPtr->crcTable[FirmwareBufferPtr->currentBlock];
}

// TRUE when an alert line was written (the line then needs no end).
bool CheckWriteReply(const Block& reply) {
  Tlv6FirmwareFile::CrcEntry* crc = CurrentCrc();
  const std::uint32_t computed = crc != nullptr ? crc->computed : 0;
  std::uint16_t received = 0;
  if (!Protocol::ReadWriteCrc(reply, received)) {
    WaitingStatus = kCrcDecodingError;
    char text[80] = "";
    Protocol::TraceText(reply, text);
    WriteAlert({" ## CRC decoding error: \"", text, "\", expected ", Column6(computed), " ## "});
    return true;
  }
  if (DebugMode) {
    TermIO::WriteString(" => CRC=");
    TermIO::WriteCard(received, 6);
  }
  if (crc != nullptr) crc->received = received;
  if (crc == nullptr || received != computed) {
    WaitingStatus = kCrcMismatch;
    if (DebugMode) {
      WriteAlert({" ## CRC-error: ", Column6(computed), " <> ", Column6(received), " ## "});
      return true;
    }
  }
  return false;
}

void TakeSerialReply(const Block& reply) {
  const Protocol::SerialReply serial = Protocol::ReadSerial(reply);
  Strings::Assign(T3Base::SerialNumber, serial.serial);
  TermIO::WriteString(" => SerialNumber: ");
  WriteQuoted(serial.serial);
  TermIO::WriteString(", version: ");
  WriteQuoted(std::string_view(&serial.letter, serial.letter != 0 ? 1 : 0));
  SerialNumberIsValid = Protocol::SerialIsValid(serial.serial, serial.letter);
  T3Base::BoardVersion = serial.letter >= 'C' && serial.letter <= 'Z' ? serial.letter : 'C';
}

void CheckReply(const Block& reply) {
  if (WaitingStatus != kWaiting) return;
  const std::string_view alternative = InPhases(4, 6) ? Protocol::Text(FirmwareReset) : "";
  if (!Protocol::Acknowledges(reply, ResponseToWaitFor, alternative)) return;
  bool lineStarted = DebugMode;
  if (DebugMode) {
    char text[80] = "";
    Protocol::TraceText(reply, text);
    TermIO::WriteString("Command acknowledged: ");
    WriteQuoted(text);
  }
  WaitingStatus = kAcknowledged;
  bool alertWritten = false;
  const std::string_view word = ResponseToWaitFor;
  if (word == Protocol::kFirmwareWriteWord) {
    alertWritten = CheckWriteReply(reply);
  } else if (word == Protocol::kGetSerialNoWord) {
    TakeSerialReply(reply);
    lineStarted = true;
  }
  if (lineStarted && !alertWritten) TermIO::WriteLn();
}

void KeepAlive(RealTime::TimeSeconds now) {
  if (SendingPhase == 0 || SendingPhase == 8) return;
  Tlv6_USB::AppendToOutputFifo(InPhases(4, 5) ? FirmwareReset : Protocol::kFirmwareEcho);
  TimeoutCheck = now + (SendingPhase == kBlockWritePhase ? kBlockKeepAliveInterval : kKeepAliveInterval);
}

// TRUE when the operation has ended because of a failed transmission.
bool TransmissionFailed(std::string_view what) {
  std::string_view reason;
  switch (WaitingStatus) {
    case kCrcDecodingError:
      reason = "decoding of CRC";
      break;
    case kCrcMismatch:
      reason = "CRC-mismatch";
      break;
    case kTimedOut:
      // In the power-up waits a time-out is one more try, not a failure.
      if (SendingPhase == 1 || SendingPhase == 8) return false;
      reason = "time-out";
      break;
    default:
      return false;
  }
  const std::string message = "Sending " + std::string(what) + " aborted because of " + std::string(reason);
  if (!InPhases(5, kBlockWritePhase)) {
    WriteAlert({message});
    Alert::OK(Text(message));
    // The amplifier must not be left in remote mode.
    if (RunningOperation == kSerialNumberChange && InPhases(9, 10)) {
      Tlv6_USB::AppendToOutputFifo(Protocol::kSetRemoteOff);
    }
    SendingPhase = 0;
    return true;
  }
  if (AutoRepeats && UploadRepeats < kUploadRestarts) {
    ++UploadRepeats;
    SendingPhase = 3;
    WaitingStatus = kNothingAwaited;
    return false;
  }
  WriteAlert({message});
  if (Alert::Choice(Text(message), "Cancel", "", "Retry", 3) == 3) {
    SendingPhase = 3;
    WaitingStatus = kNothingAwaited;
    return false;
  }
  SendingPhase = 0;
  return true;
}

// One try of the power-up wait: TRUE once the amplifier answered
// "get_serialno". Every step without that answer is a failed try, also one
// that comes late; after the retries the operation ends with the message.
bool PowerUpFinished(std::span<const char> message) {
  if (WaitingStatus == kAcknowledged) return true;
  if (++PowerUpRepeats <= kPowerUpRetries) {
    SendCommand(Protocol::kGetSerialNo, true);
    return false;
  }
  if (Strings::Length(message) > 0) {
    Alert::Beep();
    Alert::OK(message);
  }
  EndOperation();
  return false;
}

// Sends "firmware_update" or "firmware_erase" twice, the given seconds
// apart; then waits afterSeconds and moves on to the next phase.
void SendTwice(const Block& command, double apart, double afterSeconds, RealTime::TimeSeconds now) {
  if (IsFirstCommand) {
    SendCommand(command, false);
    WaitTime = now + apart;
    IsFirstCommand = false;
  } else if (now >= WaitTime) {
    SendCommand(command, false);
    WaitTime = now + afterSeconds;
    IsFirstCommand = true;
    ++SendingPhase;
  }
}

void SendNextBlock(RealTime::TimeSeconds now) {
  Tlv6FirmwareFile::FirmwareBlocks& blocks = *FirmwareBufferPtr;
  if (static_cast<std::int64_t>(blocks.currentBlock) + 1 < blocks.blockCount) {
    ++blocks.currentBlock;
    const auto bytes = blocks.Block(static_cast<std::uint32_t>(blocks.currentBlock));
    std::uint16_t crc = 0;
    for (std::uint8_t b : bytes) crc = Platform::CRC16_Compute(crc, b);
    blocks.crcTable[blocks.currentBlock].computed = crc;
    SendCommand(Protocol::MakeFirmwareWrite(bytes), true);
    return;
  }
  SendCommand(Protocol::kFirmwareRestart, false);
  PowerUpRepeats = 0;
  SendingPhase = 8;
}

void UploadStep() {
  if (SendingPhase == 0 || WaitingStatus == kWaiting) return;
  if (TransmissionFailed("Firmware")) return;
  const RealTime::TimeSeconds now = RealTime::GetTime();
  switch (SendingPhase) {
    case 1:
      if (PowerUpFinished("The TLV6 did not respond! Firmware upload cannot be started.")) {
        SendCommand(Protocol::kSetPassword, false);
        SendingPhase = 2;
      }
      break;
    case 2:
      SendTwice(Protocol::kFirmwareUpdate, 1.0, 10.0, now);
      break;
    case 3:
      if (now >= WaitTime) {
        SendCommand(FirmwareReset, true);
        IsFirstCommand = true;
        SendingPhase = 4;
      }
      break;
    case 4:
      SendTwice(Protocol::kFirmwareErase, 5.0, 10.0, now);
      break;
    case 5:
      if (now >= WaitTime) {
        SendCommand(FirmwareReset, true);
        WaitTime = now + 1.5;
        SendingPhase = 6;
      }
      break;
    case 6:
      if (now >= WaitTime) {
        FirmwareBufferPtr->currentBlock = -1;
        SendingPhase = kBlockWritePhase;
      }
      break;
    case kBlockWritePhase:
      SendNextBlock(now);
      break;
    case 8:
      if (PowerUpFinished("The TLV6 did not respond after the firmware restart!")) {
        Alert::Beep();
        Alert::OK("Uploading firmware was successful.");
        SendingPhase = 0;
      }
      break;
    default:
      break;
  }
}

// The operator's new serial number and letter; FALSE when cancelled.
bool EnterSerialNumber(char (&serial)[kEntrySize], char& letter) {
  Strings::Assign(serial, T3Base::SerialNumber);
  char letterText[kEntrySize] = {T3Base::BoardVersion, '\0'};
  for (;;) {
    if (InvalidOnly) {
      if (!Alert::EditString("Enter the 6 digit serial number (S/N) listed on the back of TLV6:", serial)) {
        return false;
      }
      Strings::Assign(letterText, "C");
    } else if (!Alert::Edit2Strings("Serial number:", serial, "Version:", letterText)) {
      return false;
    }
    Strings::Trim(serial, ' ');
    Strings::Trim(letterText, ' ');
    letterText[1] = '\0';
    letter = letterText[0];
    const std::string_view number(serial, static_cast<std::size_t>(Strings::Length(serial)));
    if (number.size() != 6) {
      Alert::OK("Serial number must be 6 characters!");
    } else if (!number.starts_with("80")) {
      Alert::OK("Serial number must begin with \"80\" !");
    } else if (number.find_first_not_of("0123456789") != std::string_view::npos) {
      Alert::OK("Serial number must be 6 digits!");
    } else if (letter < 'C' || letter > 'Z') {
      Alert::OK("Version must be >= C and <= Z !");
    } else {
      return true;
    }
  }
}

void SerialNumberStep() {
  if (SendingPhase == 0 || WaitingStatus == kWaiting) return;
  if (TransmissionFailed("serial number")) return;
  switch (SendingPhase) {
    case 1:
      if (PowerUpFinished("The TLV6 did not respond! Changing serial number cannot be started.")) {
        SendCommand(Protocol::kSetPassword, false);
        SendingPhase = 2;
      }
      break;
    case 2:
      SendCommand(Protocol::kSetRemoteOn, true);
      SendingPhase = 9;
      break;
    case 9: {
      if (InvalidOnly && SerialNumberIsValid) {
        Alert::OK("The serial number is valid and cannot be overwritten!");
      } else {
        char serial[kEntrySize] = "";
        char letter = 0;
        if (EnterSerialNumber(serial, letter)) {
          SendCommand(Protocol::MakeSetSerialNo(serial, letter), true);
        }
      }
      SendingPhase = 10;
      break;
    }
    case 10:
      SendCommand(Protocol::kSetRemoteOff, true);
      SendingPhase = 11;
      break;
    case 11:
      SendingPhase = 0;
      break;
    default:
      break;
  }
}

// The start procedure of both dialogs; upload adds its own resets.
bool StartOperation(bool upload) {
  if (SendingPhase != 0 || IsWaiting()) return false;
  LoopDialog::HideStartItem();
  SendCommand(Protocol::kGetSerialNo, true);
  SendingPhase = 1;
  StartTime = RealTime::GetTime();
  PowerUpRepeats = 0;
  if (upload) {
    UploadRepeats = 0;
    if (FirmwareBufferPtr != nullptr) FirmwareBufferPtr->currentBlock = -1;
    IsFirstCommand = true;
  }
  return true;
}

bool AbortOperation(std::span<const char> question) {
  if (!Upload_Running()) return true;
  if (!Alert::YesNo(question, false)) return false;
  Tlv6_USB::Flush();
  return true;
}

bool DoneOperation() { return !Upload_Running(); }

void DuringOperation() {
  PeriodicTask();
  const RealTime::TimeSeconds now = RealTime::GetTime();
  if (!Upload_Running() || now <= BlinkTime) return;
  char elapsed[16] = "";
  RealTime::ToTime(now - StartTime, elapsed, false);
  LoopDialog::NewMessages("", elapsed);
  BlinkTime = now + kBlinkInterval;
}

bool Start_Firmware_Upload() { return StartOperation(true); }
bool Abort_Firmware_Upload() {
  return AbortOperation("Abort uploading new firmware? TLV6 will remain inoperational.");
}
bool Done_Firmware_Upload() { return DoneOperation(); }
void During_Firmware_Upload() { DuringOperation(); }
bool Start_Set_SerialNumber() { return StartOperation(false); }
bool Abort_Set_SerialNumber() { return AbortOperation("Abort changing serial number"); }
bool Done_Set_SerialNumber() { return DoneOperation(); }
void During_Set_SerialNumber() { DuringOperation(); }

struct DialogProcs {
  LoopDialog::StartProc start;
  LoopDialog::AbortProc abort;
  LoopDialog::DoneProc done;
  LoopDialog::LoopProc loop;
};

// Runs an operation's progress dialog; after an abort that followed Start,
// the link is shut and abortedText shown.
void RunOperation(Operation operation, std::span<const char> title, const DialogProcs& procs,
                  std::span<const char> message, std::span<const char> abortedText) {
  RunningOperation = operation;
  BlinkTime = 0.0;
  StartTime = 0.0;
  bool aborted = false;
  LoopDialog::Show(title, procs.start, ModDialogUt::NoProc, procs.abort, procs.done, procs.loop, "   ",
                   "   ", "Start", "Abort", message, message, aborted, false);
  if (aborted && StartTime > 0.0) {
    Shutdown();
    Alert::OK(abortedText);
  }
  RunningOperation = kNoOperation;
  WaitingStatus = kNothingAwaited;
  SendingPhase = 0;
}

}  // namespace

void InitAllModules() {
  Tlv6_USB::InitModule();
  FirmwareReset = Protocol::kFirmwareReset;
  Tlv6FirmwareFile::InitModule();
  RunningOperation = kNoOperation;
  WaitingStatus = kNothingAwaited;
  SendingPhase = 0;
  Strings::Clear(ResponseToWaitFor);
  TimeoutCheck = 0.0;
  TimeoutEnd = 0.0;
}

bool ConnectToTlv6(bool debug) {
  WaitingStatus = kNothingAwaited;
  Strings::Clear(ResponseToWaitFor);
  DebugMode = debug;
  for (;;) {
    if (Tlv6_USB::Initialize(kLinkSendDelay, 0, DebugMode)) return true;
    Alert::Beep();
    if (Alert::Choice("TLV6: USB communication failed!  Please, check power and connections.", "Cancel",
                      "", "Retry", 3) != 3) {
      return false;
    }
  }
}

void PeriodicTask() {
  bool detached = false;
  bool overflow = false;
  bool idleQueued = false;
  Block reply{};
  const Block noIdleCommand{};
  if (!Tlv6_USB::IsConnected()) {
    Tlv6_USB::PeriodicTask(detached, overflow, noIdleCommand, idleQueued, reply);
    Announce(detached, overflow);
    return;
  }
  do {
    Tlv6_USB::PeriodicTask(detached, overflow, noIdleCommand, idleQueued, reply);
    Announce(detached, overflow);
    if (reply[0] != '\0') CheckReply(reply);
  } while (reply[0] != '\0');

  const RealTime::TimeSeconds now = RealTime::GetTime();
  if (WaitingStatus == kWaiting) {
    if (now >= TimeoutEnd) {
      WaitingStatus = kTimedOut;
      if (DebugMode) WriteAlert({" ## Time-out waiting for command \"", ResponseToWaitFor, "\" ## "});
    } else if (now > TimeoutCheck) {
      KeepAlive(now);
    }
  }
  if (RunningOperation == kFirmwareUpload) UploadStep();
  if (RunningOperation == kSerialNumberChange) SerialNumberStep();
}

bool Upload_Running() { return SendingPhase != 0 || WaitingStatus == kWaiting; }

bool IsWaiting() {
  if (WaitingStatus != kWaiting) return false;
  WriteAlert({" ## Is waiting for command \"", ResponseToWaitFor, "\" ## "});
  return true;
}

void SendCommand(const Block& command, bool awaitReply) {
  Tlv6_USB::AppendToOutputFifo(command);
  if (!awaitReply) {
    WaitingStatus = kNothingAwaited;
    return;
  }
  WaitingStatus = kWaiting;
  const RealTime::TimeSeconds now = RealTime::GetTime();
  TimeoutEnd = now + kReplyTimeout;
  const std::string_view word = Protocol::AwaitedWord(command);
  Strings::Assign(ResponseToWaitFor, std::span<const char>(word.data(), word.size()));
  ResponseToWaitFor[std::min<std::size_t>(word.size(), sizeof ResponseToWaitFor - 1)] = '\0';
  TimeoutCheck = now + (SendingPhase == kBlockWritePhase ? kBlockKeepAliveInterval : kKeepAliveInterval);
}

void Upload(bool autoRepeats, bool debug) {
  AutoRepeats = autoRepeats;
  DebugMode = debug;
  if (!Tlv6_USB::IsConnected() && !ConnectToTlv6(DebugMode)) return;
  if (!Tlv6FirmwareFile::LoadFirmwareFile()) return;
  RunOperation(kFirmwareUpload, "Upload new firmware to TLV6",
               {Start_Firmware_Upload, Abort_Firmware_Upload, Done_Firmware_Upload, During_Firmware_Upload},
               kUploadMessage, "The upload process has been aborted");
}

void SetSerialNumber(bool invalidOnly, bool debug) {
  InvalidOnly = invalidOnly;
  DebugMode = debug;
  if (!Tlv6_USB::IsConnected() && !ConnectToTlv6(DebugMode)) return;
  RunOperation(kSerialNumberChange, "Set serial number of TLV6",
               {Start_Set_SerialNumber, Abort_Set_SerialNumber, Done_Set_SerialNumber,
                During_Set_SerialNumber},
               kSerialMessage, "Changing serial number has been aborted");
}

void Shutdown() {
  RunningOperation = kNoOperation;
  WaitingStatus = kNothingAwaited;
  SendingPhase = 0;
  Tlv6_USB::Shutdown();
}

void MakeFirmwareFile() {
  if (IsWaiting()) return;
  Tlv6FirmwareFile::MakeFirmwareFile();
}

bool CheckFirmwareFile() { return Tlv6FirmwareFile::LoadFirmwareFile(); }

}  // namespace Tlv6Firmware
