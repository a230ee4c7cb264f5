// Board identification: version strings, the board letter and its hardware
// version, the EEPROM chip select, the rack interfaces' serial texts.
#include <cctype>
#include <cmath>
#include <cstring>

#include "acquisition/QRN55Interface.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/VrnlEEPROM.h"
#include "dialogs/Alert.h"
#include "foundation/GLP.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"

namespace T3Init {

namespace {

constexpr std::int32_t kVersionFaulty = 7;
constexpr std::int32_t kBoardCountFaulty = 8;
constexpr std::int32_t kVersionNotRead = 11;
constexpr std::int32_t kUnknownVersion = 14;
constexpr int kSerialLength = 6;
constexpr int kLetterAt = 6;
constexpr int kCountAt = 7;
constexpr int kEmulationAt = 8;

// The letters each AD/DA board accepts, its substitute and its name in the
// alert.
struct AcceptedLetters {
  const char* letters;
  char substitute;
  const char* name;
};
constexpr AcceptedLetters kAccepted[] = {
    {"ABCDPZ", 'D', "ZRV-24."},
    {"GKLMQ", 'Q', "ZRV-28."},
    {"EFIJOSU", 'S', "QRN 2400."},
    {"HNRTY", 'R', "QRN 5+5."},
};

// The hardware option bits by letter.
struct HardwareOfLetters {
  const char* letters;
  std::uint16_t hardware;
};
constexpr HardwareOfLetters kHardware[] = {
    {"A", 48},     {"B", 50}, {"C", 30},      {"D", 62},      {"E", 510}, {"FGHIJKL", 1022},
    {"MNO", 8190}, {"P", 49}, {"QRS", 16382}, {"TUY", 32766}, {"Z", 46},
};
constexpr std::uint16_t kMultiBoardBit = 64;

bool Contains(const char* letters, char letter) {
  return letter != 0 && std::strchr(letters, letter) != nullptr;
}

std::span<const char> Text(const char* text) { return {text, std::strlen(text) + 1}; }

void WriteQuoted(std::span<const char> text) {
  TermIO::Write('"');
  TermIO::WriteString(text);
  TermIO::Write('"');
}

// A version string's serial, letter and board count as the checks of
// ReadFromEEPROM and DoReadFromEEPROM see them: the first fault's code.
std::int32_t VersionFault(std::span<const char> text) {
  const int length = Strings::Length(text);
  if (length != 7 && length != 8) return kVersionFaulty;
  if (!SafeSerial(text)) return kVersionFaulty;
  if (!KnownVersion(text[kLetterAt])) return kUnknownVersion;
  if (length == 8 && (text[kCountAt] < '1' || text[kCountAt] > '4')) return kBoardCountFaulty;
  return 0;
}

// The EEPROM's version string; TRUE when it is well formed. read: the
// EEPROM gave a text.
bool DoReadFromEEPROM(std::span<char> text, bool& read, bool slow) {
  Strings::Clear(text);
  read = false;
  VrnlEEPROM::Error = 0;
  read = T3EEPROM::ReadVersion(text, slow);
  return read && VersionFault(text) == 0;
}

T3Types::AmplifierError FromEEPROMError(std::uint8_t error) {
  switch (error) {
    case 0:
      return 0;
    case 1:
      return 18;
    case 2:
      return 21;
    case 3:
      return 22;
    case 4:
      return 23;
    default:
      return 33;
  }
}

// The board count of a version string goes to the rack it was read in.
void TakeBoardCount(std::span<const char> text) {
  const std::int32_t count = Strings::Length(text) == 8 && VersionFault(text) == 0 ? text[kCountAt] - '0' : 1;
  if (T3Base::IsSecondRack) {
    T3Base::SecondRackBoards = count;
    T3Base::TetralRack2 = count == 4;
  } else {
    T3Base::FirstRackBoards = count;
    T3Base::TetralRack1 = count == 4;
  }
  T3Base::T3Boards = T3Base::FirstRackBoards + T3Base::SecondRackBoards;
  T3Base::IsTlv3N = T3Base::T3Boards > 1;
  T3Types::State.IsTlv3N = T3Base::IsTlv3N;
  T3Types::State.T3Boards = static_cast<std::int16_t>(T3Base::T3Boards);
}

// The absolute voltage of a multiplexer channel on the multiplexer input.
double MuxChannelVolts(std::uint8_t channel) {
  const std::uint8_t saved = T3Types::State.Mux;
  T3Panel::SetMux(channel);
  const double volts = std::fabs(T3AD::ReadAdcReal(T3Types::State.MuxAdc, true));
  T3Panel::SetMux(saved);
  return volts;
}

double MeanOf(double interval, std::int32_t points) {
  double mean = 0.0;
  double rms = 0.0;
  T3Measure::MeanAndRms(T3Types::State.MuxAdc, interval, points, mean, rms, true);
  return mean;
}

double StimulatedMean(double volts) {
  T3AD::SetDacReal(T3Types::State.StimDac, volts, false);
  VrnlBoards::Wait(0.1);
  return MeanOf(1e-4, 256);
}

// Tells apart the old boards without chip select (ZRV-24 only) by what
// their multiplexer shows; T3Base::BoardVersion := the letter. FALSE when
// the letter is final without a hardware version of its own ('f', the
// faulty board), or already has it ('B').
bool MeasureOldBoard(std::uint16_t& hardwareVersion, std::span<char> version, bool& read) {
  T3Base::BoardVersion = 'A';
  T3Set::InitHardware();
  T3Panel::SetMux(13);
  T3Set::MuxGainx64(true);
  T3Panel::SetTestDacOut(false);
  const double gain = T3Measure::Gain(T3Types::State.ExtStimDac, T3Types::State.MuxAdc, 0.1, true, true);
  T3Panel::SetTestDacOut(true);
  T3Set::MuxGainx64(false);
  T3Panel::SetMux(5);
  T3Panel::SetTestDacPath(1);
  T3Panel::SetMux(7);
  T3Panel::SetFilter1(2);
  T3Panel::SetTestDacOut(false);
  T3AD::SetDacReal(T3Types::State.ExtStimDac, 0.0, true);
  T3Set::ProbeOffsetDac(4095);
  const double atFull = MeanOf(5e-5, 512);
  T3Set::ProbeOffsetDac(0);
  const double atZero = MeanOf(5e-5, 512);
  T3Panel::SetTestDacOut(true);

  const bool highGain = gain > 50.0;
  if (atZero <= -0.6 && atFull > 0.6) {
    T3Base::BoardVersion = highGain ? 'P' : 'A';
    return true;
  }
  if (highGain) {
    T3Base::BoardVersion = 'f';
    return false;
  }
  T3Panel::SetMux(9);
  const double plus = StimulatedMean(1.0);
  const double minus = StimulatedMean(-1.0);
  T3AD::SetDacReal(T3Types::State.StimDac, 0.0, false);
  if ((minus - plus) * 0.5 < 0.5) {
    if (MuxGainOK()) {
      T3Base::BoardVersion = 'B';
      BoardVersionToHardwareVersion('B', hardwareVersion);
      return false;
    }
    T3Base::BoardVersion = ADBoardToVersion();
    return true;
  }
  if (!ReadFromEEPROM(version, T3Base::BoardVersion, read) || !read) {
    T3Base::BoardVersion = ADBoardToVersion();
  }
  return true;
}

void DoMeasuredBoardVersion(std::uint16_t& hardwareVersion, std::span<char> version, bool& read) {
  Strings::Clear(version);
  read = false;
  char switchText[T3Base::kTextSize];
  if (ReadFileVersion(switchText) || HasChipSelectForEEPROM()) {
    T3Set::InitHardware();
    if (ReadFromEEPROM(version, T3Base::BoardVersion, read) && read) {
      if (DoDebug) {
        TermIO::WriteString("read:     ");
        WriteQuoted(version);
        TermIO::WriteString(", ");
        const char letter[2] = {T3Base::BoardVersion, 0};
        WriteQuoted(letter);
        TermIO::WriteLn();
      }
    } else {
      T3Base::BoardVersion = ADBoardToVersion();
      if (DoDebug) {
        TermIO::WriteString("failed - ");
        TermIO::WriteString(Text(read ? "TRUE" : "FALSE"));
        TermIO::Write(' ');
        WriteQuoted(version);
        TermIO::WriteLn();
      }
    }
  } else if (T3Base::ADBoard != ZRVBase::BoardZRV24) {
    T3Base::BoardVersion = ADBoardToVersion();
    return;
  } else if (!MeasureOldBoard(hardwareVersion, version, read)) {
    return;
  }
  BoardVersionToHardwareVersion(T3Base::BoardVersion, hardwareVersion);
}

const char* BoardName() {
  switch (T3Base::ADBoard) {
    case ZRVBase::BoardQRN55:
      return "QRN 5+5";
    case ZRVBase::BoardQRN2400:
      return "QRN 2400";
    default:
      return "unknown";
  }
}

void ReportExtEEPROM(const char* reason) {
  Strings::Assign(ZRVBase::ErrorText, Text(BoardName()));
  Strings::Concat(ZRVBase::ErrorText, Text(reason));
  ZRV::WriteError();
}

// The QRN 5+5 unit serial "nnnnnnd?": the digit d becomes a letter from
// 'A'.
bool UnitSerialText(std::span<char> text, bool secondRack, bool report) {
  char serial[9] = {};
  QRN55Interface::GetUnitSerialNumber(secondRack ? 2 : 1, serial);
  Strings::Assign(text, serial);
  if (Strings::Length(serial) == 0) return false;
  if (!std::isdigit(static_cast<unsigned char>(serial[kCountAt]))) {
    T3Error::Error = kUnknownVersion;
    if (report) ReportExtEEPROM(" error: unknown version. ");
    return false;
  }
  if (text.size() > static_cast<std::size_t>(kCountAt)) {
    text[kLetterAt] = static_cast<char>('A' + (serial[kCountAt] - '0'));
    text[kCountAt] = 0;
  }
  return true;
}

// One reading of the QRN 2400 rack interface's EEPROM: nullptr on
// success, else the reason kept for the report.
const char* ReadRackInterface(std::span<char> text, bool slow) {
  const VrnlEEPROM::Chip chip = {T3Set::ExtensionEEPROMSelect, 0, T3Types::State.EEPROMReadChannel,
                                 T3Types::State.CommandPortChannel};
  if (!VrnlEEPROM::ReadVersionString(text, true, slow, chip)) return " error: initialization failed. ";
  const int length = Strings::Length(text);
  if (length == 0) return " error: error reading version. ";
  if (length != 7) {
    T3Error::Error = kVersionFaulty;
    return " error: version string faulty (1). ";
  }
  if (text[0] != '9' || text[1] != '0') {
    T3Error::Error = kBoardCountFaulty;
    return " error: version string faulty (2). ";
  }
  if (text[kLetterAt] == 'A') return nullptr;
  T3Error::Error = kUnknownVersion;
  return " error: unknown version. ";
}

}  // namespace

bool SafeSerial(std::span<const char> version) {
  const int length = std::min(Strings::Length(version), kSerialLength);
  for (int i = 0; i < length; ++i) {
    const char c = version[i];
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
  }
  return true;
}

bool GetVersion() {
  if (ZRV::Status() == ZRV::StateClosed) return true;
  T3Error::Error = 0;
  bool read = false;
  DoMeasuredBoardVersion(T3Base::HardwareVersion, T3Base::SerialNumber, read);
  const char letter = T3Base::BoardVersion;
  if (Contains("ABP", letter)) {
  } else if (Contains("VWX", letter) || !std::isupper(static_cast<unsigned char>(letter))) {
    if (T3Error::Error == 0) T3Error::Error = kUnknownVersion;
  } else if (read) {
    Strings::Assign(T3Scale::Scale.SerialNumber, T3Base::SerialNumber);
  } else if (T3Error::Error == 0) {
    T3Error::Error = kVersionNotRead;
  }
  T3Types::State.IsTetral = T3Panel::IsTetral();
  return T3Error::Error == 0;
}

bool KnownVersion(char letter) {
  if (letter == ',' || letter == ' ') return false;
  for (int i = 0; i < T3Base::kKnownVersionsSize && T3Base::KnownVersions[i] != 0; ++i) {
    if (T3Base::KnownVersions[i] == letter) return true;
  }
  return false;
}

bool ReadFromEEPROM(std::span<char> version, char& letter, bool& read) {
  Strings::Clear(version);
  letter = 0;
  read = false;
  T3Base::UseSelectProc = HasChipSelectForEEPROM();
  char text[T3Base::kTextSize] = {};
  const bool fromSwitch = ReadFileVersion(text);
  if (!fromSwitch) {
    bool gotText = false;
    const bool ok = DoReadFromEEPROM(text, gotText, false);
    if (T3Base::ADBoard == ZRVBase::BoardQRN2400 && (!ok || Strings::Length(text) == 0)) {
      if (T3Base::TesterMode) TermIO::WriteLine("Reading EEPROM with slow sampling ");
      DoReadFromEEPROM(text, gotText, true);
    }
  }
  if (Strings::Length(text) == 0) {
    const T3Types::AmplifierError failure = FromEEPROMError(VrnlEEPROM::Error);
    if (failure != 0) {
      T3Error::Error = failure;
      return false;
    }
    letter = ADBoardToVersion();
    return true;
  }
  const std::int32_t fault = VersionFault(text);
  TakeBoardCount(text);
  letter = text[kLetterAt];
  read = !fromSwitch || letter > 'B';
  if (SafeSerial(text)) Strings::Substring(version, text, 0, kSerialLength);
  if (fault != 0) {
    T3Error::Error = static_cast<T3Types::AmplifierError>(fault);
    return false;
  }
  return ValidVersionForAdBoard(letter);
}

char MeasuredBoardVersion(std::uint16_t& hardwareVersion) {
  const char saved = T3Base::BoardVersion;
  char version[T3Base::kTextSize];
  bool read = false;
  DoMeasuredBoardVersion(hardwareVersion, version, read);
  const char detected = T3Base::BoardVersion;
  T3Base::BoardVersion = saved;
  T3Set::InitHardware();
  return detected;
}

bool BoardVersionToHardwareVersion(char letter, std::uint16_t& hardwareVersion) {
  for (const HardwareOfLetters& entry : kHardware) {
    if (!Contains(entry.letters, letter)) continue;
    hardwareVersion = entry.hardware;
    if (T3Base::IsTlv3N && !T3Base::EmulateTlv3N) hardwareVersion |= kMultiBoardBit;
    return true;
  }
  T3Error::Error = kUnknownVersion;
  return false;
}

void ForceState(std::uint16_t hardwareVersion, char letter) {
  T3Base::HardwareVersion = hardwareVersion;
  T3Base::BoardVersion = letter;
  T3Panel::CopyT3BaseFields();
  SetAdcAndDacFields();
}

bool ReadExtEEPROM(std::span<char> text, bool secondRack, bool report) {
  if (T3Base::ADBoard == ZRVBase::BoardQRN55) return UnitSerialText(text, secondRack, report);
  if (DoDebug && TellTaleFile::FirstLine("QRN2400Version.On", text)) return true;
  const bool sending = T3Set::SendToHardware;
  const std::int16_t readChannel = T3Types::State.EEPROMReadChannel;
  const std::int16_t commandChannel = T3Types::State.CommandPortChannel;
  T3Set::SendToHardware = true;
  if (secondRack) {
    T3Types::State.EEPROMReadChannel = ZRV::TlvIn2;
    T3Types::State.CommandPortChannel = ZRV::TlvOut2;
  }
  T3Panel::SetT3BoardLatch(8);
  ZRV::SetSecondTlvPort(secondRack);
  const char* reason = ReadRackInterface(text, false);
  if (reason != nullptr) reason = ReadRackInterface(text, true);
  if (reason != nullptr && report) ReportExtEEPROM(reason);
  ZRV::SetSecondTlvPort(false);
  T3Panel::SetT3BoardLatch(T3Types::State.Board);
  T3Set::SendToHardware = sending;
  T3Types::State.EEPROMReadChannel = readChannel;
  T3Types::State.CommandPortChannel = commandChannel;
  return reason == nullptr;
}

bool IsQRNBoard(std::span<char> text, char& letter, bool secondRack, bool report) {
  Strings::Clear(text);
  letter = 0;
  if (T3Base::ADBoard == ZRVBase::BoardQRN55) return ReadExtEEPROM(text, secondRack, report);
  if (T3Base::ADBoard != ZRVBase::BoardQRN2400 || (secondRack && ZRVBase::NumberAdcChannels < 9)) {
    return false;
  }
  bool ok = ZRV::GetZRV2400SerialNumber(secondRack, text);
  if (!ok) {
    if (secondRack || T3Base::AmplKind < T3Types::KindTlv3) {
      VrnlBoards::InitQRNExtBoard(T3Types::State.CommandPortChannel);
    }
    ok = ReadExtEEPROM(text, secondRack, report);
    if (ok && text.size() > static_cast<std::size_t>(kLetterAt)) {
      letter = text[kLetterAt];
      text[kLetterAt] = 0;
    }
  }
  (secondRack ? T3Base::RemapRack2 : T3Base::RemapRack1) = false;
  ZRV::SetRemap(T3Base::RemapRack1, T3Base::RemapRack2);
  return ok;
}

bool HasChipSelectForEEPROM() {
  char text[T3Base::kTextSize] = {};
  if (ReadFileVersion(text)) return text[kLetterAt] >= 'E';
  const double reference = MuxChannelVolts(1);
  if (DoDebug) {
    TermIO::WriteString("CSEEPROM: ");
    TermIO::WriteEngineering(reference, 6, 6);
    TermIO::WriteLine("V");
  }
  if (reference < 4.0 || reference > 6.0) return false;
  return MuxChannelVolts(5) < 1.0;
}

bool IsTlv4() {
  const bool sending = T3Set::SendToHardware;
  T3Set::SendToHardware = true;
  // Right after the interface opens no board may be latched yet, and the
  // multiplexer of none reads nothing.
  T3Panel::InitEEPROMReadPort();
  const bool chipSelect = HasChipSelectForEEPROM();
  T3Set::SendToHardware = sending;
  return chipSelect;
}

char ADBoardToVersion() {
  switch (T3Base::ADBoard) {
    case ZRVBase::BoardZRV28:
      return 'K';
    case ZRVBase::BoardQRN2400:
      return 'I';
    case ZRVBase::BoardQRN55:
      return 'T';
    default:
      return 'C';
  }
}

bool ReadFileVersion(std::span<char> text) {
  Strings::Clear(text);
  if (GLP::Enforce) return false;
  const char* name = T3Base::ADBoard == ZRVBase::BoardQRN55     ? "T4USBVersion.On"
                     : T3Base::ADBoard == ZRVBase::BoardQRN2400 ? "T4Version.On"
                     : T3Base::ADBoard == ZRVBase::BoardZRV28   ? "T4+Version.On"
                                                                : "T3Version.On";
  const bool found = TellTaleFile::FirstLine(Text(name), text);
  T3Base::EmulateTlv3N = found && Strings::Length(text) > kEmulationAt && text[kEmulationAt] == 'x';
  if (T3Base::EmulateTlv3N) Strings::DelString(text, kEmulationAt, 1);
  if (found && DoDebug) {
    TermIO::WriteString("FileVersion: ");
    WriteQuoted(text);
    TermIO::WriteLn();
  }
  return found;
}

bool ValidVersionForAdBoard(char& letter) {
  const std::size_t board = T3Base::ADBoard <= ZRVBase::BoardQRN55 ? T3Base::ADBoard : 0;
  const AcceptedLetters& accepted = kAccepted[board];
  if (Contains(accepted.letters, letter)) return true;
  char alert[T3Base::kKnownVersionsSize] = "Incorrect Version ";
  const char old[2] = {letter, 0};
  const bool quoted = board != ZRVBase::BoardZRV24;
  if (quoted) Strings::Concat(alert, "\"");
  Strings::Concat(alert, old);
  if (quoted) Strings::Concat(alert, "\"");
  Strings::Concat(alert, " for the ");
  Strings::Concat(alert, Text(accepted.name));
  letter = accepted.substitute;
  Alert::OK(alert);
  return true;
}

}  // namespace T3Init
