// Default file names and the loading of scale and C-fast records.
#include <cctype>
#include <cstring>
#include <string>

#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3ScaleFiles.h"
#include "amplifier/T3Types.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"

namespace T3Init {

namespace {

constexpr std::int32_t kNoScale = 3;
constexpr std::int32_t kNoCFast = 4;
constexpr std::int32_t kLoaderFault = 29;

std::span<const char> Text(const char* text) { return {text, std::strlen(text) + 1}; }

// Where the file part of a name begins: after its last "/", ":" or
// backslash.
int BeginningOfName(std::span<const char> name) {
  int begin = 0;
  const int length = Strings::Length(name);
  for (int i = 0; i < length; ++i) {
    if (name[i] == '/' || name[i] == ':' || name[i] == '\\') begin = i + 1;
  }
  return begin;
}

// A loader that reports success must have delivered bytes.
bool LoaderDelivered(const std::byte* address, std::int32_t length) {
  return address != nullptr && length >= 0;
}

std::int32_t LoaderFault(std::span<char> message, std::int32_t& firstError, const char* text) {
  if (firstError == 0) {
    firstError = kLoaderFault;
    Strings::Assign(message, Text(text));
  }
  return kLoaderFault;
}

// A file the readers refused: its code, and the first failure's text.
std::int32_t Refused(const char* word, std::span<const char> fileSerial, char fileLetter,
                     std::span<char> message, std::int32_t& firstError) {
  const std::int32_t code = T3Error::Error;
  if (firstError == 0) {
    firstError = code;
    ConflictError(Text(word), fileSerial, fileLetter, message);
  }
  return code;
}

std::int32_t CheckAndLoadScaleRecord(std::span<std::byte> file, std::span<char> message,
                                     std::int32_t& firstError) {
  char fileSerial[T3Base::kTextSize] = {};
  char fileLetter = 0;
  if (CheckScaleFile(file, fileSerial, fileLetter)) return 0;
  return Refused("SCALE", fileSerial, fileLetter, message, firstError);
}

std::int32_t CheckAndLoadCFastTable(std::span<std::byte> file, std::span<char> message,
                                    std::int32_t& firstError) {
  if (CheckCFastFile(file)) return 0;
  return Refused("CFAST", "", 0, message, firstError);
}

void ScaleNameOf(std::span<char> name, std::span<const char>, bool shortForm) {
  DefaultScaleName(name, shortForm);
}

// The two kinds of calibration file: how their names are made, what
// their loaders are called, how a loaded file is taken over.
struct FileKind {
  const char* word;       // "SCALE"
  const char* shortBase;  // "SC"
  bool extendedRange;     // the name carries "_Ext"
  std::int32_t notLoaded;
  const char* nilLoader;
  void (*defaultName)(std::span<char> name, std::span<const char> scaleName, bool shortForm);
  std::int32_t (*takeOver)(std::span<std::byte> file, std::span<char> message, std::int32_t& firstError);
};
// clang-format off
constexpr FileKind kScale = {"SCALE", "SC", true, kNoScale, "fatal error (LoadScaleProc=NIL)",
                             ScaleNameOf, CheckAndLoadScaleRecord};
constexpr FileKind kCFast = {"CFAST", "CF", false, kNoCFast, "fatal error (LoadCFastProc=NIL)",
                             DefaultCFastName, CheckAndLoadCFastTable};
// clang-format on

// name := the directory part of directory, then the kind's base word with
// the serial number, "_Ext" where it belongs, the board extension.
void SerializedName(std::span<char> name, std::span<const char> directory, const FileKind& kind,
                    bool shortForm) {
  char result[kNameSize] = {};
  Strings::Substring(result, directory, 0, BeginningOfName(directory));
  const bool serial = Strings::Length(T3Base::SerialNumber) > 0 && SafeSerial(T3Base::SerialNumber);
  if (!serial) {
    Strings::Concat(result, Text(kind.word));
  } else {
    Strings::Concat(result, Text(shortForm ? kind.shortBase : kind.word));
    if (!shortForm) Strings::Concat(result, "-");
    Strings::Concat(result, T3Base::SerialNumber);
  }
  if (kind.extendedRange && (T3Types::State.VrefX2 || T3Base::ForceVrefX2)) {
    Strings::Concat(result, "_Ext");
  }
  AppendFileExtension(result);
  Strings::Assign(name, result);
}

// One attempt: name := the kind's default name, the loader called with
// it, the file taken over. T3Error::Error holds the result.
std::int32_t DoLoadFile(const FileKind& kind, FileLoaderProc loader, std::span<char> name,
                        std::span<const char> scaleName, std::span<char> message, std::int32_t& firstError,
                        bool shortForm, bool ask) {
  std::int32_t result = 0;
  if (loader == nullptr) {
    result = LoaderFault(message, firstError, kind.nilLoader);
  } else {
    std::byte* address = nullptr;
    std::int32_t length = -1;
    kind.defaultName(name, scaleName, shortForm);
    if (loader(name, address, length, ask) != 0) {
      result = kind.notLoaded;
    } else if (!LoaderDelivered(address, length)) {
      result = LoaderFault(message, firstError, "fatal error in user function");
    } else {
      result = kind.takeOver({address, static_cast<std::size_t>(length)}, message, firstError);
    }
  }
  T3Error::Error = static_cast<T3Types::AmplifierError>(result);
  return result;
}

// The scale file under its default names: long and short form in the
// directory of name, then without directory, then with the operator asked.
std::int32_t LoadScaleFile(FileLoaderProc loader, std::span<char> name, std::span<char> message,
                           std::int32_t& firstError, bool& shortForm) {
  struct Attempt {
    bool clearName;
    bool shortForm;
    bool ask;
  };
  static constexpr Attempt kWithDirectory[] = {{false, false, false}, {false, true, false}};
  static constexpr Attempt kWithout[] = {{true, false, false}, {false, true, false}, {false, false, true}};
  std::int32_t result = kNoScale;
  const auto attempt = [&](const Attempt& a) {
    if (result != kNoScale) return;
    if (a.clearName) Strings::Clear(name);
    shortForm = a.shortForm;
    result = DoLoadFile(kScale, loader, name, name, message, firstError, a.shortForm, a.ask);
  };
  if (Strings::Length(name) > 0) {
    for (const Attempt& a : kWithDirectory) attempt(a);
  }
  for (const Attempt& a : kWithout) attempt(a);
  if (result == kNoScale && firstError == 0) {
    firstError = kNoScale;
    Strings::Assign(message, "No SCALE file loaded.");
  }
  return result;
}

std::int32_t LoadCFastFile(FileLoaderProc loader, std::span<const char> scaleName, std::span<char> message,
                           std::int32_t& firstError, bool shortForm) {
  Strings::Clear(CFastFileName);
  std::int32_t result = kNoCFast;
  for (int attempt = 0; attempt < 2 && result == kNoCFast; ++attempt) {
    result = DoLoadFile(kCFast, loader, CFastFileName, scaleName, message, firstError, shortForm, false);
  }
  if (result == kNoCFast && firstError == 0) {
    firstError = kNoCFast;
    Strings::Assign(message, "No CFAST file loaded.");
  }
  return result;
}

// The first place of "_EXT" in the file part, any case; -1 when none.
int ExtendedRangeMark(std::span<const char> name, int fileBegin) {
  const int length = Strings::Length(name);
  for (int i = fileBegin; i + 4 <= length; ++i) {
    if (name[i] == '_' && std::toupper(static_cast<unsigned char>(name[i + 1])) == 'E' &&
        std::toupper(static_cast<unsigned char>(name[i + 2])) == 'X' &&
        std::toupper(static_cast<unsigned char>(name[i + 3])) == 'T') {
      return i;
    }
  }
  return -1;
}

void KindText(std::span<const char> before, std::span<const char> kind, std::span<const char> after,
              std::span<char> message) {
  Strings::Assign(message, before);
  Strings::Concat(message, kind);
  Strings::Concat(message, after);
}

// The end of the conflict texts: the kind and what the amplifier has.
void MatchText(std::span<const char> kind, std::span<const char> connected, std::span<char> message) {
  Strings::Concat(message, ") in this ");
  Strings::Concat(message, kind);
  Strings::Concat(message, " file does not match the connected TLV3 (");
  Strings::Concat(message, connected);
  Strings::Concat(message, ")!");
}

}  // namespace

void AppendFileExtension(std::span<char> name) {
  std::int32_t board = 0;
  if (T3Panel::GetActiveT3Boards() >= 2 && !T3Base::EmulateTlv3N) {
    board = T3Types::State.Board;
    if (T3Base::SecondRackBoards > 0 && !Strings::Equal(T3Base::SerialNumber1, T3Base::SerialNumber2)) {
      board = T3Panel::GetBoardToSet(board);
    }
  }
  if (board == 0) {
    Strings::Concat(name, ".TLV");
  } else {
    Strings::Concat(name, ".TL");
    Decode::Integer(board + 1, name, 0);
  }
  if (T3Types::State.Selector > 1) {
    Strings::Concat(name, "_");
    Decode::Integer(T3Types::State.Selector, name, 0);
  }
}

void DefaultScaleName(std::span<char> name, bool shortForm) {
  char directory[kNameSize];
  Strings::Assign(directory, name);
  SerializedName(name, directory, kScale, shortForm);
}

void DefaultCFastName(std::span<char> name, std::span<const char> scaleName, bool shortForm) {
  const int fileBegin = BeginningOfName(scaleName);
  const bool fromScaleName = Strings::Length(scaleName) > 0 &&
                             scaleName.size() > static_cast<std::size_t>(fileBegin + 1) &&
                             scaleName[fileBegin] == 'S' && scaleName[fileBegin + 1] == 'C';
  if (!fromScaleName) {
    char directory[kNameSize];
    Strings::Assign(directory, Strings::Length(scaleName) > 0 ? scaleName : name);
    SerializedName(name, directory, kCFast, shortForm);
    return;
  }
  char result[kNameSize];
  Strings::Assign(result, scaleName);
  result[fileBegin] = 'C';
  result[fileBegin + 1] = 'F';
  if (result[fileBegin + 2] == 'A' && Strings::Length(result) >= fileBegin + 5) {
    result[fileBegin + 3] = 'S';
    result[fileBegin + 4] = 'T';
  }
  const int mark = ExtendedRangeMark(result, fileBegin);
  if (mark >= 0) {
    result[mark] = 0;
    AppendFileExtension(result);
  }
  Strings::Assign(name, result);
}

bool CheckScaleFile(std::span<std::byte> file, std::span<char> fileSerial, char& fileLetter) {
  GetDefaults();
  T3Base::Initialized = true;
  const bool ok =
      T3ScaleFiles::FileToScale(file, T3Scale::Scale, sizeof(T3Scale::Scale), T3Base::SerialNumber,
                                T3Base::BoardVersion, fileSerial, fileLetter);
  const T3Types::AmplifierError reason = T3Error::Error;
  // The reader leaves a refused record cleared: its zero factors must not
  // reach the hardware.
  if (!ok) T3Scale::LoadDefaults();
  T3Panel::LoadTheState();
  if (ok) {
    if (Strings::Length(T3Base::SerialNumber) > 0) {
      Strings::Assign(T3Scale::Scale.SerialNumber, T3Base::SerialNumber);
    }
    ScaleFileLoaded = true;
  } else {
    T3Error::Error = reason;
  }
  return ok;
}

bool CheckCFastFile(std::span<std::byte> file) {
  CFastFileLoaded = T3ScaleFiles::FileToCFast(file, T3Auto::CFastTable, sizeof(T3Auto::CFastTable));
  return CFastFileLoaded;
}

void ConflictError(std::span<const char> kind, std::span<const char> fileSerial, char fileLetter,
                   std::span<char> message) {
  const char letters[2][2] = {{fileLetter, 0}, {T3Base::BoardVersion, 0}};
  const std::int32_t code = T3Error::Error;
  switch (code) {
    case 0:
      Strings::Assign(message, "Error not defined (\"no error\".");
      return;
    case 9:
      Strings::Assign(message, "The Serial No (");
      Strings::Concat(message, fileSerial);
      MatchText(kind, T3Base::SerialNumber, message);
      return;
    case 10:
      Strings::Assign(message, "The board version (");
      Strings::Concat(message, letters[0]);
      MatchText(kind, letters[1], message);
      return;
    case 15:
      Strings::Assign(message, "Code error (block too small).");
      return;
    case 16:
      KindText("This is not a ", kind, " file (file length mismatch).", message);
      return;
    case 17:
      KindText("This is not a ", kind, " file (wrong file ID).", message);
      return;
    case 30:
      KindText("CRC value of ", kind, " file is incorrect.", message);
      return;
    case 31:
      KindText("date of ", kind, " file is too old.", message);
      return;
    default: {
      Strings::Assign(message, "Unexpected error: ");
      Decode::Integer(code, message, 0);
      Strings::Concat(message, " (");
      Strings::Concat(message, kind);
      Strings::Concat(message, ").");
    }
  }
}

void DoLoadScaleFiles(std::span<char> message, std::int32_t& firstError, std::int32_t& lastError,
                      FileLoaderProc scaleLoader, FileLoaderProc cFastLoader) {
  if (T3EEPROM::IsReadTarget()) {
    std::string reason;
    const bool scale = T3EEPROM::ReadScale(reason);
    const bool cFast = T3EEPROM::ReadCFast(reason);
    if (scale && cFast) return;
    lastError = kNoScale;
    if (firstError == 0) {
      firstError = kNoScale;
      Strings::Assign(message, Text(reason.c_str()));
    }
    return;
  }
  bool shortForm = false;
  lastError = LoadScaleFile(scaleLoader, ScaleFileName, message, firstError, shortForm);
  if (lastError != 0) return;
  Strings::Assign(T3Types::State.ScaleDate, T3Scale::Scale.CalibDate);
  lastError = LoadCFastFile(cFastLoader, ScaleFileName, message, firstError, shortForm);
}

std::int32_t LoadScaleFiles(std::span<char> message, std::int32_t& firstError, std::int32_t& lastError,
                            FileLoaderProc scaleLoader, FileLoaderProc cFastLoader) {
  T3Panel::SetT3Board(0);
  DefaultScaleName(ScaleFileName, false);
  DefaultCFastName(CFastFileName, ScaleFileName, false);
  firstError = 0;
  lastError = 0;
  Strings::Assign(message, "Scale files loaded.");
  std::int32_t board = 0;
  do {
    DoLoadScaleFiles(message, firstError, lastError, scaleLoader, cFastLoader);
    InitHardware();
    InitializeSelectors(message, firstError, lastError, true, scaleLoader, cFastLoader);
  } while (ActivateNextBoard(message, firstError, lastError, board, false));
  ReplaceAmplType(message);
  T3Panel::SetT3Board(0);
  return lastError;
}

}  // namespace T3Init
