#include "calibration/Tlv3Files.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3ScaleFiles.h"
#include "amplifier/T3Types.h"
#include "calibration/Tlv3Init.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"

namespace Tlv3Files {

namespace {

// What the last store could not do.
struct StoreFailures {
  bool eeprom = false;
  std::string eepromMessage;
  bool file = false;
};
StoreFailures failures;

using FileImage = bool (*)(std::span<std::byte>& file);

bool ScaleImage(std::span<std::byte>& file) { return T3ScaleFiles::ScaleToFile(T3Scale::Scale, file); }
bool CFastImage(std::span<std::byte>& file) { return T3ScaleFiles::CFastToFile(T3Auto::CFastTable, file); }

// The EEPROM when the board has one, the file without one or when the
// scale comes from disk; both attempted whatever the other did.
bool Store(bool (*writeBlock)(std::string& message), FileImage image, std::span<const char> fileName) {
  failures = {};
  const bool eeprom = T3EEPROM::IsWriteTarget();
  if (eeprom) failures.eeprom = !writeBlock(failures.eepromMessage);
  if (!eeprom || T3Base::ScaleFromDisk) {
    std::span<std::byte> file;
    failures.file = !image(file) || !IOBytes::SaveFile(fileName, nullptr, static_cast<std::int32_t>(file.size()),
                                                       file.data());
  }
  return !failures.eeprom && !failures.file;
}

void DefaultScaleName() { T3Init::DefaultScaleName(T3Init::ScaleFileName, false); }
void DefaultCFastName() { T3Init::DefaultCFastName(T3Init::CFastFileName, "", false); }

// The file read into T3Init::FileBuffer; FALSE when LoadFile refused it
// (and showed why).
bool LoadInto(std::span<char> name, std::span<std::byte>& file) {
  std::byte* buffer = nullptr;
  std::int32_t length = 0;
  if (Tlv3Init::LoadFile(name, buffer, length) != 0) return false;
  file = std::span<std::byte>(buffer, static_cast<std::size_t>(length));
  return true;
}

void RefusedFile(std::span<const char> kind, std::span<const char> fileSerial, char fileLetter, bool choice) {
  char message[256] = {};
  T3Init::ConflictError(kind, fileSerial, fileLetter, message);
  Strings::Concat(message, Alert::LF);
  Alert::Beep();
  if (choice) {
    Alert::Choice(message, "", "", "OK", 3);
  } else {
    Alert::OK(message);
  }
}

bool DoLoadScaleFile() {
  if (T3EEPROM::IsReadTarget()) {
    std::string message;
    if (!T3EEPROM::ReadScale(message)) return false;
  } else {
    std::int32_t length = 0;
    if (!IOFiles::Lookup(T3Init::ScaleFileName, length)) return false;
    std::span<std::byte> file;
    if (!LoadInto(T3Init::ScaleFileName, file)) return false;
    char fileSerial[T3Base::kTextSize] = {};
    char fileLetter = 0;
    if (!T3Init::CheckScaleFile(file, fileSerial, fileLetter)) {
      RefusedFile("SCALE", fileSerial, fileLetter, true);
      return false;
    }
  }
  T3Types::State.RefGainTrimDac = T3Scale::Scale.RefGainTrimDac;
  return true;
}

bool DoLoadCFastFile() {
  if (T3EEPROM::IsReadTarget()) {
    std::string message;
    return T3EEPROM::ReadCFast(message);
  }
  std::span<std::byte> file;
  if (!LoadInto(T3Init::CFastFileName, file)) return false;
  if (!T3Init::CheckCFastFile(file)) {
    RefusedFile("CFAST", "", 0, false);
    return false;
  }
  return true;
}

// What the operator is asked and told about one kind of record.
struct Questions {
  const char* record;         // the EEPROM's record, "SCALE record?"
  const char* fileFromDisk;   // "SCALE file from disk?"
  const char* fileToDisk;     // "SCALE file to disk?"
  bool extendedRange;         // "Extended " in front while V-ref x2 is on
  const char* savePrompt;
  const char* saved;
  const char* recordLoadError;
  const char* fileLoadError;
  const char* recordSaveError;
  const char* fileSaveError;
  char* search;
  std::span<char> name;
  void (*defaultName)();
  bool (*load)();
  bool (*save)();
};

const Questions kScale{"SCALE record?",
                       "SCALE file from disk?",
                       "SCALE file to disk?",
                       true,
                       "SCALE File to write:",
                       "SCALE record saved.",
                       "Error loading SCALE record!",
                       "Error loading SCALE file:",
                       "Error saving SCALE record!",
                       "Error saving SCALE file:",
                       T3ScaleFiles::ScaleSearch,
                       T3Init::ScaleFileName,
                       DefaultScaleName,
                       DoLoadScaleFile,
                       SaveScaleFile};

const Questions kCFast{"C-FAST table?",
                       "C-FAST table from disk?",
                       "C-FAST table to disk?",
                       false,
                       "C-Fast Table to write:",
                       "Modified C-Fast table saved.",
                       "Error loading CFAST table!",
                       "Error loading CFAST table:",
                       "Error saving C-Fast table!",
                       "Error saving C-Fast table:",
                       T3ScaleFiles::CFastSearch,
                       T3Init::CFastFileName,
                       DefaultCFastName,
                       DoLoadCFastFile,
                       SaveCFastFile};

std::string Question(const Questions& kind, const char* verb, const char* tail) {
  std::string question = verb;
  if (kind.extendedRange && (T3Types::State.VrefX2 || T3Base::ForceVrefX2)) question += "Extended ";
  return question + tail;
}

// The operator's choice, from the name on.
bool ChooseFile(const Questions& kind, int mode, std::span<const char> prompt) {
  return FileSelect::Select(kind.name, std::span<const char>(kind.search, T3ScaleFiles::kSearchSize), mode, prompt);
}

bool AskAndLoad(const Questions& kind) {
  const bool record = T3EEPROM::IsReadTarget();
  if (!Alert::YesNo(std::string_view(Question(kind, "Load the ", record ? kind.record : kind.fileFromDisk)), true)) {
    return false;
  }
  if (!record) {
    kind.defaultName();
    char fileName[Tlv3Init::kNameSize] = {};
    IOBase::ExtractNameFromPath(kind.name, fileName);
    const std::string prompt = std::string("Find \"") + fileName + "\" to load:";
    if (!ChooseFile(kind, FileSelect::ModeOpen, std::string_view(prompt))) return false;
  }
  if (kind.load()) return true;
  if (record) {
    Alert::OK(std::string_view(kind.recordLoadError));
  } else {
    Alert::IOError(std::string_view(kind.fileLoadError));
  }
  return false;
}

bool AskAndSave(const Questions& kind) {
  const bool record = T3EEPROM::IsReadTarget();
  if (!Alert::YesNo(std::string_view(Question(kind, "Save the modified ", record ? kind.record : kind.fileToDisk)),
                    true)) {
    return false;
  }
  if (!record) {
    kind.defaultName();
    if (!ChooseFile(kind, FileSelect::ModeSave, std::string_view(kind.savePrompt))) return false;
  }
  if (kind.save()) {
    Alert::OK(std::string_view(kind.saved));
    return true;
  }
  if (failures.eeprom) {
    std::string message = kind.recordSaveError;
    if (!failures.eepromMessage.empty()) message += Alert::LF + failures.eepromMessage;
    Alert::OK(std::string_view(message));
  }
  if (failures.file) Alert::IOError(std::string_view(kind.fileSaveError));
  return false;
}

}  // namespace

bool LoadScaleFile() {
  DefaultScaleName();
  return DoLoadScaleFile();
}

bool SaveScaleFile() { return Store(T3EEPROM::WriteScale, ScaleImage, T3Init::ScaleFileName); }

bool LoadCFastFile() {
  DefaultCFastName();
  return DoLoadCFastFile();
}

bool SaveCFastFile() { return Store(T3EEPROM::WriteCFast, CFastImage, T3Init::CFastFileName); }

bool AskAndLoadScaleFile() { return AskAndLoad(kScale); }
bool AskAndSaveScaleFile() { return AskAndSave(kScale); }
bool AskAndLoadCFastFile() { return AskAndLoad(kCFast); }
bool AskAndSaveCFastFile() { return AskAndSave(kCFast); }

}  // namespace Tlv3Files
